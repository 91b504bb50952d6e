// Coding from the keyboard and the mouse, through the message sink: the
// code boxes' rules, saving, moving, and whole coding passes checked against
// the coder file's bytes.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "coderfile/coder_file.h"
#include "coding/code_command.h"
#include "coding/coding_response_dlg.h"
#include "coding/select_qname_to_code_dlg.h"
#include "extract/extract_engine.h"
#include "recording_sink.h"
#include "resources/string_table.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::read_bytes;

template <typename Widget>
Widget* child(QWidget& parent, const QString& name) {
    auto* widget = parent.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
}
QLineEdit* box(QWidget& dialog, int n) { return child<QLineEdit>(dialog, QStringLiteral("codeBox%1").arg(n)); }
QPushButton* button(QWidget& dialog, const char* name) { return child<QPushButton>(dialog, QLatin1String(name)); }

// Study S: Q1 answered by respondents 1..6 (respondent 4 twice, sequences 1
// and 2); Q3 by respondents 1 and 2. Coder file S.001: Q1 append 4 codes of
// width 4, Q3 replace width 1.
class CodingTest : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ1,7,0,Why?\r\nQ3,7,0,Brand?\r\n");
        octest::write_bytes(dir.file("data.csv"),
                            "respondent,sequence,complete,Q1,Q3\r\n"
                            "1,1,1,one,first brand\r\n2,1,1,two,second brand\r\n3,1,1,three,\r\n"
                            "4,1,1,four,\r\n4,2,1,four again,\r\n5,1,1,five,\r\n6,1,1,six,\r\n7,1,1,,only Q3\r\n");
        oc::import_result imported = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S"));
        ASSERT_TRUE(imported.ok) << imported.message;
        dir.enter();
        oc::quest_list questions(2);
        std::snprintf(questions[0].name, sizeof questions[0].name, "Q1");
        questions[0].code_width = 4;
        questions[0].max_codes = 4;
        std::snprintf(questions[1].name, sizeof questions[1].name, "Q3");
        questions[1].action = 1;
        oc::extract_request request;
        request.coder_path = "S.001";
        request.questions = &questions;
        request.question_count = 2;
        ASSERT_EQ(oc::kExtractWritten, oc::extract_responses(request, false, "S.DAT", "S.idx", "S.cdl", "S.cdb"));
        fresh = read_bytes("S.001");
        load();
    }

    void load() {
        std::int16_t count = 0;
        file = {};
        ASSERT_EQ(0, oc::load_coder_file("S.001", file.spec, file.questions, count));
        for (const oc::quest_spec& q : file.questions) file.question_statuses.push_back(oc::question_status(q));
    }

    // Line n (from 0) of the coder file, without its line end.
    static std::string line(int n) {
        std::string bytes = read_bytes("S.001");
        std::size_t start = 0;
        for (int i = 0; i < n; ++i) start = bytes.find("\r\n", start) + 2;
        return bytes.substr(start, bytes.find("\r\n", start) - start);
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
    std::string fresh;
    oc::loaded_coder_file file;
};

// A coding dialog on Q1 of S.001, opened directly.
struct Q1Dialog {
    explicit Q1Dialog(oc::quest_spec& quest, std::int32_t start = 1)
        : cursor(oc::open_coder_cursor("S.001", "Q1")), dialog(*cursor, start, quest) {
        dialog.show();
    }
    oc::cursor_ptr cursor;
    oc_ui::CCodingResponseDlg dialog;
};

TEST_F(CodingTest, CodeBoxesAcceptOnlyCodesFrom1To9999) {
    Q1Dialog q1(file.questions[0]);
    EXPECT_EQ(4, child<QLineEdit>(q1.dialog, "codeBox1")->maxLength());
    EXPECT_FALSE(box(q1.dialog, 5)->isVisibleTo(&q1.dialog));
    // A whole text put in at once (pasted, or set by the dialog itself).
    struct { const char* text; const char* shown; std::uint16_t slot; int beeps; } cases[] = {
        {"12", "12", 12, 0},
        {"9999", "9999", 9999, 0},
        {"0012", "0012", 12, 0},   // leading zeros read as the number
        {"  7", "  7", 7, 0},      // leading spaces allowed
        {"0", "", 0, 1},           // no code 0: emptied with a beep
        {"0000", "", 0, 1},
        {"1a2", "12", 12, 1},      // letters stripped, the rest judged again
        {"a0", "", 0, 2},          // stripped to "0", then refused as 0: one beep for each rule
        {"ab", "", 0, 1},
        {"7-", "7", 7, 1},
    };
    for (const auto& c : cases) {
        QLineEdit* first = box(q1.dialog, 1);
        first->clear();
        int beeps = sink.beeps();
        first->setText(QString::fromLatin1(c.text));
        EXPECT_EQ(QString::fromLatin1(c.shown), first->text()) << c.text;
        EXPECT_EQ(c.slot, q1.dialog.working_codes()[0]) << c.text;
        EXPECT_EQ(c.beeps, sink.beeps() - beeps) << c.text;
    }
    // Typed key by key, each keystroke is judged: a leading 0 never stays.
    QLineEdit* second = box(q1.dialog, 2);
    int beeps = sink.beeps();
    QTest::keyClicks(second, QStringLiteral("0x42"));
    EXPECT_EQ(QStringLiteral("42"), second->text());
    EXPECT_EQ(42, q1.dialog.working_codes()[1]);
    EXPECT_EQ(2, sink.beeps() - beeps);
}

TEST_F(CodingTest, RendersOffscreen) {
    Q1Dialog q1(file.questions[0], 2);
    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    EXPECT_TRUE(q1.dialog.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/coding_response.png")));
    EXPECT_TRUE(box(q1.dialog, 1)->hasFocus() || !q1.dialog.isActiveWindow());
    EXPECT_FALSE(child<QWidget>(q1.dialog, QStringLiteral("soundGroup"))->isVisibleTo(&q1.dialog));
}

TEST_F(CodingTest, SavingClosesGapsAndCancelSavesNothing) {
    {
        Q1Dialog q1(file.questions[0]);
        QTest::keyClicks(box(q1.dialog, 2), QStringLiteral("1"));
        QTest::keyClicks(box(q1.dialog, 4), QStringLiteral("2"));
        button(q1.dialog, "cancelButton")->click();
    }
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));
    {
        Q1Dialog q1(file.questions[0]);
        QTest::keyClicks(box(q1.dialog, 2), QStringLiteral("1"));
        QTest::keyClicks(box(q1.dialog, 4), QStringLiteral("2"));
        button(q1.dialog, "saveButton")->click();
    }
    EXPECT_EQ("    1         1       Q1   0   1  0  2    1    2           one", line(2));
    EXPECT_EQ(fresh.size(), read_bytes("S.001").size());
    EXPECT_EQ(1, file.questions[0].last_record_coded);
}

TEST_F(CodingTest, MovingSavesAndLastRecordCodedNeverGoesDown) {
    Q1Dialog q1(file.questions[0]);
    QPushButton* previous = button(q1.dialog, "previousButton");
    EXPECT_FALSE(previous->isEnabled());
    for (int r = 1; r <= 5; ++r) {
        QTest::keyClicks(box(q1.dialog, 1), QString::number(r * 10));
        QTest::keyClick(box(q1.dialog, 1), Qt::Key_Return);  // Enter is "&>>"
        EXPECT_TRUE(previous->isEnabled());
    }
    EXPECT_EQ(6, q1.dialog.record_number());
    EXPECT_EQ(5, file.questions[0].last_record_coded);
    EXPECT_EQ(QStringLiteral("5"), child<QLabel>(q1.dialog, "respondentNumber")->text());
    // Back to record 5 and empty it: the number stays.
    previous->click();
    EXPECT_EQ(QStringLiteral("50"), box(q1.dialog, 1)->text());
    EXPECT_TRUE(box(q1.dialog, 1)->hasSelectedText());
    box(q1.dialog, 1)->clear();
    previous->click();
    previous->click();
    EXPECT_EQ(3, q1.dialog.record_number());
    EXPECT_EQ(5, file.questions[0].last_record_coded);
    // Record 5 (respondent 4's second answer) is back as the extraction wrote it.
    std::string fresh_line = fresh.substr(0, 0);
    {
        std::size_t start = 0;
        for (int i = 0; i < 6; ++i) start = fresh.find("\r\n", start) + 2;
        fresh_line = fresh.substr(start, fresh.find("\r\n", start) - start);
    }
    EXPECT_EQ(fresh_line, line(6));
    previous->click();
    previous->click();
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_EQ(1, q1.dialog.record_number());
}

TEST_F(CodingTest, NextAtTheLastRecordSaysSoAndStays) {
    Q1Dialog q1(file.questions[0], 7);
    QTest::keyClicks(box(q1.dialog, 1), QStringLiteral("3"));
    button(q1.dialog, "nextButton")->click();
    EXPECT_EQ((std::vector<int>{oc::IDS_LAST_RECORD_CODED}), sink.message_ids());
    EXPECT_EQ(7, q1.dialog.record_number());
    EXPECT_EQ(QStringLiteral("3"), box(q1.dialog, 1)->text());
    EXPECT_EQ(7, file.questions[0].last_record_coded);  // already saved
}

TEST_F(CodingTest, WholePassFromTheEntryPoint) {
    sink.drive_next([](QDialog& files) { files.accept(); });
    sink.drive_next([](QDialog& questions) {
        EXPECT_TRUE(child<QRadioButton>(questions, QStringLiteral("beginningRadio"))->isChecked());
        EXPECT_FALSE(child<QRadioButton>(questions, QStringLiteral("resumeRadio"))->isEnabled());
        button(questions, "codeButton")->click();
        // After the pass: Q1 partly coded, so resume is offered.
        EXPECT_TRUE(child<QRadioButton>(questions, QStringLiteral("resumeRadio"))->isChecked());
        EXPECT_EQ(QStringLiteral("2"), child<QLabel>(questions, QStringLiteral("lastRecordCodedValue"))->text());
        questions.reject();
    });
    sink.drive_next([](QDialog& coding) {
        QTest::keyClicks(box(coding, 1), QStringLiteral("4"));
        QTest::keyClicks(box(coding, 2), QStringLiteral("17"));
        QTest::keyClick(box(coding, 2), Qt::Key_Return);
        QTest::keyClicks(box(coding, 1), QStringLiteral("9"));
        button(coding, "saveButton")->click();
    });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ((std::vector<QString>{QStringLiteral("selectCoderSpecFileDialog"), QStringLiteral("selectQNameToCodeDialog"),
                                    QStringLiteral("codingResponseDialog")}),
              sink.dialogs());
    EXPECT_TRUE(sink.messages().empty());
    std::string expected = fresh;
    auto replace = [&](const std::string& from, const std::string& to) {
        std::size_t at = expected.find(from);
        ASSERT_NE(std::string::npos, at) << from;
        expected.replace(at, from.size(), to);
    };
    replace("    1         1       Q1   0   1  0  0                     one",
            "    1         1       Q1   0   1  0  2    4   17           one");
    replace("    1         2       Q1   0   1  0  0                     two",
            "    1         2       Q1   0   1  0  1    9                two");
    std::size_t line2 = expected.find("\r\n") + 2;
    expected[line2 + 11] = '1';  // partly coded
    replace("      Q1         7 0    4  4         0", "      Q1         7 0    4  4         2");
    EXPECT_SAME_BYTES(expected, read_bytes("S.001"));
}

TEST_F(CodingTest, ResumeStartsAfterTheLastRecordCoded) {
    file.questions[0].last_record_coded = 3;
    oc::cursor_ptr cursor(oc::open_coder_cursor("S.001", "Q1"));
    std::int32_t start = 0;
    ASSERT_EQ(1, oc_ui::ChooseStartRecord(*cursor, start, oc_ui::start_resume, 0, file.questions[0]));
    EXPECT_EQ(4, start);
    ASSERT_EQ(1, oc_ui::ChooseStartRecord(*cursor, start, oc_ui::start_respondent, 5, file.questions[0]));
    EXPECT_EQ(6, start);
    ASSERT_EQ(1, oc_ui::ChooseStartRecord(*cursor, start, oc_ui::start_respondent, 4, file.questions[0]));
    EXPECT_EQ(4, start);  // the first of respondent 4's records
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(0, oc_ui::ChooseStartRecord(*cursor, start, oc_ui::start_respondent, 7, file.questions[0]));
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_DATA_READ_ERROR}), sink.message_ids());
}

TEST_F(CodingTest, RespondentWithoutARecordGives709AndChangesNothing) {
    oc_ui::CSelectQNameToCodeDlg questions(QStringLiteral("S.001"), file);
    child<QRadioButton>(questions, QStringLiteral("respondentRadio"))->setChecked(true);
    sink.drive_next([](QDialog& choose) {
        auto* list = choose.findChild<QListWidget*>(QStringLiteral("respondentList"));
        ASSERT_NE(nullptr, list);
        // The file's respondents in its order; 7 answered only Q3.
        ASSERT_EQ(8, list->count());
        EXPECT_EQ(QStringLiteral("7"), list->item(7)->text());
        button(choose, "okButton")->click();  // nothing chosen: stays open
        EXPECT_TRUE(choose.isVisible());
        list->setCurrentRow(7);
        button(choose, "okButton")->click();
    });
    questions.accept();
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_DATA_READ_ERROR}), sink.message_ids());
    EXPECT_EQ(1, sink.beeps());
    // Line 2 and the trailer are only rewritten after a coding pass.
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));
}

TEST_F(CodingTest, CompleteOrMergedFilesAskFirst) {
    std::string bytes = fresh;
    bytes[7 + 11] = '2';  // line 2's status field
    octest::write_bytes("S.001", bytes);
    sink.answer_next(oc_ui::box_answer::cancel);
    sink.drive_next([this](QDialog& files) {
        files.accept();
        EXPECT_TRUE(files.isVisible());
        EXPECT_EQ((std::vector<int>{oc::IDS_CODING_COMPLETE_WARNING}), sink.message_ids());
        files.accept();  // answered OK this time
    });
    sink.drive_next([](QDialog& questions) { questions.reject(); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ(2u, sink.message_ids().size());
    EXPECT_EQ(2u, sink.dialogs().size());
}

}  // namespace
