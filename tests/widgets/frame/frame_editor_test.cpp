// The code frame editor from its command to the bytes of NAME.cfr: edits are
// made in memory, OK saves them whole, Cancel and refusals write nothing.
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

#include "dialogs/frame/frame_command.h"
#include "engines/frame/frame_job.h"
#include "coder_fixtures.h"
#include "recording_sink.h"
#include "test_support.h"
#include "ui.h"

namespace {

using octest::child;
using octest::read_bytes;

class FrameEditor : public ::testing::Test {
protected:
    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,7,0,What else?\r\n",
                               "respondent,sequence,complete,Q1,Q2\r\n"
                               "1,1,1,dear,x\r\n2,1,1,pricey,y\r\n3,1,1,ok,z\r\n");
        ASSERT_FALSE(HasFatalFailure());
        octest::extract_s001({{"Q1", 0, 1, 2}});
        octest::write_bytes("codes.csv",
                            "question,respondent,roster,list_no,codes,sequence\r\nQ1,1,0,1,2,\r\nQ1,2,0,1,2,\r\n");
        ASSERT_EQ(0, octest::run_cli({"code", "--study", dir.file("S"), "--file", "S.001", "--codes",
                                      dir.file("codes.csv")}).exit_code);
        // Q2's row is not in the normal form: untouched, it keeps its bytes.
        octest::write_bytes("S.cfr", "question,code,label,net\r\nQ1,1,Price,Cost\r\nQ1,2,Too dear,Cost\r\n"
                                     "\"Q2\",1,\"Yes\",\r\nQ1,3,Service,\r\nQ1,5,Waiting,Cost\r\n");
    }
    void run() { oc_ui::run_frame_editor(QString::fromStdString(dir.file("S"))); }
    // Queues `driver` for the next modal dialog, then clicks `button` of `dialog`.
    void click(QDialog& dialog, const char* button, octest::recording_sink::driver driver = {}) {
        if (driver) sink.drive_next(std::move(driver));
        child<QPushButton>(dialog, button)->click();
    }
    static QTreeWidgetItem* code_item(QDialog& dialog, int code) {
        auto found = child<QTreeWidget>(dialog, "codeTree")
                         ->findItems(QString::number(code), Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.value(0);
    }
    static void select(QDialog& dialog, int code) {
        child<QTreeWidget>(dialog, "codeTree")->setCurrentItem(code_item(dialog, code));
    }
    static QStringList children(QTreeWidgetItem* item) {
        QStringList texts;
        for (int i = 0; item && i < item->childCount(); ++i) texts << item->child(i)->text(0);
        return texts;
    }
    static octest::recording_sink::driver choose_file(const std::string& path) {
        return [path](QDialog& chooser) {
            static_cast<QFileDialog&>(chooser).selectFile(QString::fromStdString(path));
            chooser.accept();
        };
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
};

TEST_F(FrameEditor, AddEditReorderAndDeleteThenOkSavesTheWholeFrame) {
    const std::string opened = read_bytes("S.cfr");
    sink.drive_next([&](QDialog& editor) {
        auto* question = child<QComboBox>(editor, "questionCombo");
        EXPECT_EQ("Q1: Why? (4 codes)", question->itemText(0));
        // Add: the lowest unused code is proposed; an empty label is refused
        // and the dialog stays open.
        click(editor, "addButton", [this](QDialog& code) {
            EXPECT_EQ(4, child<QSpinBox>(code, "codeSpin")->value());
            auto* net = child<QComboBox>(code, "netCombo");
            EXPECT_EQ("Cost", net->currentText());  // the net of the code selected
            net->setEditText(QString());
            code.accept();
            EXPECT_TRUE(code.isVisible());
            ASSERT_EQ(1u, sink.messages().size());
            child<QLineEdit>(code, "labelEdit")->setText(QStringLiteral("Quality"));
            code.accept();
        });
        EXPECT_EQ("Q1: Why? (5 codes)", question->itemText(0));
        select(editor, 1);
        click(editor, "editButton", [](QDialog& code) {
            child<QLineEdit>(code, "labelEdit")->setText(QStringLiteral("Price level"));
            code.accept();
        });
        // Ctrl+Up in the list moves 5 above its neighbour in the same net.
        ASSERT_TRUE(octest::activate(editor));
        select(editor, 5);
        child<QTreeWidget>(editor, "codeTree")->setFocus();
        octest::press(Qt::Key_Up, Qt::ControlModifier);
        EXPECT_EQ((QStringList{"1", "5", "2"}), children(code_item(editor, 1)->parent()));
        // Code 2 is used by two records: asked first; Cancel keeps it.
        select(editor, 2);
        sink.answer_next(oc_ui::box_answer::cancel);
        click(editor, "deleteButton");
        ASSERT_EQ(2u, sink.messages().size());
        EXPECT_TRUE(sink.messages()[1].text.contains("used by 2 records"));
        ASSERT_NE(nullptr, code_item(editor, 2));
        click(editor, "deleteButton");
        EXPECT_EQ(nullptr, code_item(editor, 2));
        click(editor, "exportButton", choose_file(dir.file("all.csv")));
        EXPECT_SAME_BYTES(opened, read_bytes("S.cfr"));  // nothing saved before OK
        editor.accept();
    });
    run();
    const std::string expected =
        "question,code,label,net\r\nQ1,1,Price level,Cost\r\nQ1,5,Waiting,Cost\r\n\"Q2\",1,\"Yes\",\r\n"
        "Q1,3,Service,\r\nQ1,4,Quality,\r\n";
    EXPECT_SAME_BYTES(expected, read_bytes("S.cfr"));
    EXPECT_SAME_BYTES(expected, read_bytes("all.csv"));
    EXPECT_EQ(3u, sink.messages().size());
}

TEST_F(FrameEditor, RefusalsReachTheUserAndOnlyWhatTheUserChoseIsWritten) {
    octest::write_bytes("bad.csv", "question,code,label,net\r\nQ1,1,One,\r\nQ1,0,Zero,\r\n");
    octest::write_bytes("good.csv", "question,code,label,net\r\nQ2,7,Seven,\r\n");
    sink.drive_next([&](QDialog& editor) {
        click(editor, "importButton", choose_file(dir.file("bad.csv")));
        ASSERT_EQ(1u, sink.messages().size());
        EXPECT_TRUE(sink.messages()[0].text.contains("bad.csv row 3, column 2 (code)"))
            << sink.messages()[0].text.toStdString();
        click(editor, "importButton", choose_file(dir.file("good.csv")));
        EXPECT_EQ(oc_ui::box_style::question_ok_cancel, sink.messages().at(1).style);
        EXPECT_EQ("Q1: Why? (0 codes)", child<QComboBox>(editor, "questionCombo")->itemText(0));
        // Another coder adds a code meanwhile: saving over it is refused.
        ASSERT_EQ(4, oc::add_frame_code(dir.file("S"), {"Q1", 0, "New", "", {}}).code);
        const std::string theirs = read_bytes("S.cfr");
        editor.accept();
        EXPECT_TRUE(editor.isVisible());
        EXPECT_TRUE(sink.messages().at(2).text.contains("changed by someone else"));
        EXPECT_SAME_BYTES(theirs, read_bytes("S.cfr"));
        editor.reject();
    });
    run();
    // Cancel after edits: nothing written.
    const std::string before = read_bytes("S.cfr");
    sink.drive_next([this](QDialog& editor) {
        click(editor, "deleteButton");
        EXPECT_EQ(nullptr, code_item(editor, 1));
        editor.reject();
    });
    run();
    EXPECT_SAME_BYTES(before, read_bytes("S.cfr"));
    EXPECT_EQ(3u, sink.messages().size());
}

}  // namespace
