// Whole examine runs (ExamineOpenends) driven through the message sink: the
// listing saved as text, the options reaching it, cancelling, the failures,
// and the study left exactly as it was with no temporary file behind.
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <map>

#include "ui/frame/messages.h"
#include "ui/sheet/questions_filter_page.h"
#include "dialogs/examine/examine_command.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "suite/study_import.h"
#include "test_support.h"
#include "ui.h"

namespace {

using octest::read_bytes;
using file_bytes = std::map<std::string, std::string>;

struct ExamineFlow : ::testing::Test {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    file_bytes before;

    void SetUp() override {
        import("name,type,other,text\r\nQ5,7,0,Why?\r\nQ6,7,0,Anything else?\r\nQ7,0,1,Where did you buy it?\r\n",
               "respondent,sequence,complete,Q5,Q6,Q7\r\n"
               "1001,12,1,too expensive,no,97 corner shop\r\n1004,15,1,price,the colour,1\r\n");
    }
    void import(const char* labels, const char* data) {
        octest::write_bytes(dir.file("labels.csv"), labels);
        octest::write_bytes(dir.file("data.csv"), data);
        ASSERT_TRUE(oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S")).ok);
        before = snapshot();
    }
    file_bytes snapshot() const {
        file_bytes files;
        for (const auto& entry : octest::fs::directory_iterator(dir.path()))
            files[entry.path().filename()] = read_bytes(entry.path().string());
        return files;
    }
    // The files added since the import; every file there before is unchanged.
    file_bytes added() const {
        file_bytes now = snapshot();
        for (const auto& [name, bytes] : before) {
            EXPECT_TRUE(now.contains(name)) << name << " is gone";
            EXPECT_SAME_BYTES(bytes, now[name]);
            now.erase(name);
        }
        return now;
    }
    void run() {
        const QString base = QString::fromStdString(dir.file("S"));
        oc_ui::run_examine(base + ".lbl", base + ".DAT", base + ".idx", base + ".cdl", base + ".cdb", base);
    }
    // Ticks the first question and presses OK, and OK on the options.
    void tick_and_accept(bool options = true) {
        sink.drive_next([](QDialog& sheet) {
            octest::child<oc_ui::CQuestionsFilterPage>(sheet, "questionsFilterPage")->toggle(0);
            sheet.accept();
        });
        if (options) sink.drive_next([](QDialog& options) { options.accept(); });
    }
};

// An OTHER question's listing with its codes stripped, as the options ask.
TEST_F(ExamineFlow, SavesTheListingOfTheTickedQuestionAsOptionedAndChangesNothingElse) {
    sink.drive_next([this](QDialog& sheet) {
        octest::child<QPushButton>(sheet, "okButton")->click();  // nothing ticked: refused
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_EQ(1, sink.beeps());
        octest::child<oc_ui::CQuestionsFilterPage>(sheet, "questionsFilterPage")->toggle(2);
        octest::child<QPushButton>(sheet, "okButton")->click();
    });
    sink.drive_next([](QDialog& options) {
        octest::child<QCheckBox>(options, "stripCheck")->toggle();
        // Off unless asked: the listing below is the one it has always been.
        EXPECT_FALSE(octest::child<QCheckBox>(options, "codeLabelsCheck")->isChecked());
        options.accept();
    });
    sink.drive_next([](QDialog& print) {
        octest::child<QCheckBox>(print, "printToFileCheck")->setChecked(true);
        print.accept();
    });
    sink.drive_next([](QDialog& save) { save.accept(); });  // the proposed name
    run();
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ((std::vector<QString>{"examinePropSheet", "printOpenendOptions", "printOpenendsDialog", "fileDialog"}),
              sink.dialogs());
    const file_bytes added = this->added();
    ASSERT_EQ(1u, added.size());  // no temporary listing, coder file or coder list
    EXPECT_SAME_BYTES("   12      1001 Q7         0   1 corner shop\r\n", added.at("S.P01"));
}

TEST_F(ExamineFlow, CancellingAnyDialogEndsWithoutAMessageOrAFile) {
    run();  // the sheet
    tick_and_accept(false);
    run();  // the options
    tick_and_accept();
    run();  // the print dialog
    EXPECT_EQ(6u, sink.dialogs().size());
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_TRUE(added().empty());
}

}  // namespace
