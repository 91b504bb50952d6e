// Whole examine runs (ExamineOpenends) driven through the message sink: the
// listing saved as text, the options reaching it, cancelling, the failures,
// and the study left exactly as it was with no temporary file behind.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QDialog>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <map>

#include "ui/frame/messages.h"
#include "ui/sheet/questions_filter_page.h"
#include "dialogs/examine/examine_command.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::read_bytes;

const char* const kLabels =
    "name,type,other,text\r\nQ5,7,0,Why?\r\nQ6,7,0,Anything else?\r\nQ7,0,1,Where did you buy it?\r\n";
const char* const kData =
    "respondent,sequence,complete,Q5,Q6,Q7\r\n"
    "1001,12,1,too expensive,no,97 corner shop\r\n"
    "1004,15,1,price,the colour,1\r\n";

using file_bytes = std::map<std::string, std::string>;

struct examine_flow : ::testing::Test {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    file_bytes before;

    void SetUp() override { import(kLabels, kData); }

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
    // The files added since the study was imported; every file that was
    // there before must be unchanged, byte for byte.
    file_bytes added() const {
        file_bytes now = snapshot();
        for (const auto& [name, bytes] : before) {
            auto it = now.find(name);
            if (it == now.end()) {
                ADD_FAILURE() << name << " is gone";
                continue;
            }
            EXPECT_SAME_BYTES(bytes, it->second);
            now.erase(it);
        }
        return now;
    }
    QString path(const char* ext) const { return QString::fromStdString(dir.file(std::string("S") + ext)); }
    void run(const QString& base) {
        oc_ui::run_examine(path(".lbl"), path(".DAT"), path(".idx"), path(".cdl"), path(".cdb"), base);
    }

    // Ticks catalogue question `row` and presses OK.
    void tick_and_accept(int row) {
        sink.drive_next([row](QDialog& sheet) {
            auto* page = sheet.findChild<oc_ui::CQuestionsFilterPage*>(QStringLiteral("questionsFilterPage"));
            ASSERT_NE(nullptr, page);
            page->toggle(row);
            sheet.accept();
        });
    }
    void save_as_text() {
        sink.drive_next([](QDialog& print) {
            print.findChild<QCheckBox*>(QStringLiteral("printToFileCheck"))->setChecked(true);
            print.accept();
        });
        sink.drive_next([](QDialog& save) { save.accept(); });  // the proposed name
    }
};

const std::vector<QString> kWholeRun{"examinePropSheet", "printOpenendOptions", "printOpenendsDialog", "fileDialog"};

TEST_F(examine_flow, SavesTheListingOfTheTickedQuestionAndChangesNothingElse) {
    tick_and_accept(1);
    sink.drive_next([](QDialog& options) { options.accept(); });
    save_as_text();
    run(path(""));
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(kWholeRun, sink.dialogs());
    const file_bytes added = this->added();
    ASSERT_EQ(1u, added.size());  // no temporary listing, coder file or coder list
    ASSERT_EQ("S.P01", added.begin()->first);
    EXPECT_SAME_BYTES("   12      1001 Q6         0   1 no\r\n"
                      "   15      1004 Q6         0   1 the colour\r\n",
                      added.begin()->second);
}

TEST_F(examine_flow, TheFourOptionsReachTheListing) {
    const struct {
        int question;
        const char* toggle;
        const char* listing;
    } cases[] = {
        {0, "oneLineCheck", "\r\n\r\nResponses for question: Q5\r\n\r\n   12      1001   0   1 \r\ntoo expensive\r\n\r\n"
                         "   15      1004   0   1 \r\nprice\r\n\r\n"},
        {0, "respondentCheck", "   12 Q5         0   1 too expensive\r\n   15 Q5         0   1 price\r\n"},
        {0, "numbersCheck", "     1001 Q5       too expensive\r\n     1004 Q5       price\r\n"},
        // An OTHER text: a numeric code in front is stripped only on request.
        {2, "respondentCheck", "   12 Q7         0   1 97 corner shop\r\n"},
        {2, "stripCheck", "   12      1001 Q7         0   1 corner shop\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.toggle);
        octest::fs::remove(dir.file("S.P01"));
        tick_and_accept(c.question);
        sink.drive_next([&](QDialog& options) {
            options.findChild<QCheckBox*>(QLatin1String(c.toggle))->toggle();
            options.accept();
        });
        save_as_text();
        run(path(""));
        EXPECT_SAME_BYTES(c.listing, read_bytes(dir.file("S.P01")));
    }
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(examine_flow, TheRespondentsPageChoosesWhoIsListed) {
    const struct {
        int mode;
        const char* first;
        const char* maximum;
        const char* listing;
    } cases[] = {
        {2, "1", "0", "   12      1001 Q5         0   1 too expensive\r\n"},  // Specified Number 1
        {1, "1002", "1004", "   15      1004 Q5         0   1 price\r\n"},    // Selected Range
        {1, "2000", "3000", ""},  // no one qualifies: an empty listing, no failure
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        octest::fs::remove(dir.file("S.P01"));
        sink.drive_next([&](QDialog& sheet) {
            sheet.findChild<oc_ui::CQuestionsFilterPage*>(QStringLiteral("questionsFilterPage"))->toggle(0);
            QTabBar* bar = sheet.findChild<QTabWidget*>(QStringLiteral("pageTabs"))->tabBar();
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
            auto* page = sheet.findChild<QWidget*>(QStringLiteral("respondentsFilterPage"));
            ASSERT_NE(nullptr, page);
            page->findChild<QComboBox*>(QStringLiteral("respondentNumbersCombo"))->setCurrentIndex(c.mode);
            page->findChild<QLineEdit*>(QStringLiteral("firstEdit"))->setText(QLatin1String(c.first));
            page->findChild<QLineEdit*>(QStringLiteral("maximumEdit"))->setText(QLatin1String(c.maximum));
            sheet.accept();
        });
        sink.drive_next([](QDialog& options) { options.accept(); });
        save_as_text();
        run(path(""));
        EXPECT_SAME_BYTES(c.listing, read_bytes(dir.file("S.P01")));
    }
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(0, sink.beeps());
}

TEST_F(examine_flow, CancellingAnyDialogEndsWithoutAMessageOrAFile) {
    run(path(""));  // the sheet
    tick_and_accept(0);
    run(path(""));  // the options
    tick_and_accept(0);
    sink.drive_next([](QDialog& options) { options.accept(); });
    run(path(""));  // the print dialog
    EXPECT_EQ((std::vector<QString>{"examinePropSheet", "examinePropSheet", "printOpenendOptions", "examinePropSheet",
                                    "printOpenendOptions", "printOpenendsDialog"}),
              sink.dialogs());
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_TRUE(added().empty());
}

TEST_F(examine_flow, AStudyWithoutOpenEndsSays745) {
    import("name,type,other,text\r\nQ1,1,0,Age?\r\n", "respondent,sequence,complete,Q1\r\n1,,1,3\r\n");
    run(path(""));
    EXPECT_EQ(std::vector<int>{oc::IDS_NO_OPENEND_DATA}, sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::information, sink.messages().at(0).style);
    EXPECT_TRUE(sink.dialogs().empty());
}

TEST_F(examine_flow, RelativeBasePathsListIntoTheirDirectory) {
    // Without a directory: the current one. With a relative one: that
    // directory, although saving the copy makes it the current directory.
    const std::string study_dir = dir.path().filename().string();
    const struct {
        octest::fs::path cwd;
        std::string base;
    } cases[] = {{dir.path(), "S"}, {dir.path().parent_path(), study_dir + "/S"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.base);
        octest::fs::current_path(c.cwd);
        octest::fs::remove(dir.file("S.P01"));
        tick_and_accept(0);
        sink.drive_next([](QDialog& options) { options.accept(); });
        save_as_text();
        const QString base = QString::fromStdString(c.base);
        oc_ui::run_examine(base + ".lbl", base + ".DAT", base + ".idx", base + ".cdl", base + ".cdb", base);
        EXPECT_TRUE(sink.messages().empty());
        const file_bytes added = this->added();
        ASSERT_EQ(1u, added.size());
        EXPECT_SAME_BYTES("   12      1001 Q5         0   1 too expensive\r\n   15      1004 Q5         0   1 price\r\n",
                          added.at("S.P01"));
    }
}

// The temporary listing goes to the system's temporary directory, so a
// study in a directory the user cannot write (or with a long path) lists
// as any other; a temporary directory that cannot take it says 707.
TEST_F(examine_flow, ATemporaryListingThatCannotBeMadeSays707AndPrintsNothing) {
    const std::string root = dir.path().string() + "/";
    const std::string deep = root + std::string(255 - 10 - root.size(), 'd');
    octest::fs::create_directory(deep);
    const QByteArray tmpdir = qgetenv("TMPDIR");
    const struct {
        std::string temporary_directory;
        bool refused;
    } cases[] = {
        {deep, false},                                      // "DIR/CODxxxxxx" of 255 characters
        {root + std::string(256 - 10 - root.size(), 'e'), true},  // 256: refused for its length
        {root + "missing", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.temporary_directory.size());
        if (!c.refused) octest::fs::create_directories(c.temporary_directory);
        qputenv("TMPDIR", QByteArray::fromStdString(c.temporary_directory));
        octest::recording_sink local;
        local.drive_next([](QDialog& sheet) {
            sheet.findChild<oc_ui::CQuestionsFilterPage*>(QStringLiteral("questionsFilterPage"))->toggle(0);
            sheet.accept();
        });
        local.drive_next([](QDialog& options) { options.accept(); });
        run(path(""));
        if (c.refused) {
            EXPECT_EQ(std::vector<int>{oc::IDS_LISTING_WRITE_ERROR}, local.message_ids());
            EXPECT_EQ((std::vector<QString>{"examinePropSheet", "printOpenendOptions"}), local.dialogs());
        } else {
            EXPECT_TRUE(local.messages().empty());
            EXPECT_EQ((std::vector<QString>{"examinePropSheet", "printOpenendOptions", "printOpenendsDialog"}),
                      local.dialogs());
            EXPECT_TRUE(octest::fs::is_empty(c.temporary_directory));  // the temporary listing is gone
        }
    }
    if (tmpdir.isNull()) qunsetenv("TMPDIR");
    else qputenv("TMPDIR", tmpdir);
    octest::fs::remove(deep);
    EXPECT_TRUE(added().empty());
}

TEST_F(examine_flow, ADataLibraryErrorIsShownAndTheTemporaryListingDeleted) {
    oc_ui::install_error_reporter();
    octest::fs::remove(dir.file("S.DAT"));
    before = snapshot();
    tick_and_accept(0);
    sink.drive_next([](QDialog& options) { options.accept(); });
    run(path(""));
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
    EXPECT_FALSE(sink.messages()[0].text.isEmpty());
    EXPECT_EQ((std::vector<QString>{"examinePropSheet", "printOpenendOptions"}), sink.dialogs());
    EXPECT_TRUE(added().empty());
}

}  // namespace
