// CodeOpenendResponses from the file list to the end of the call: the file,
// question and respondent dialogs driven through the message sink, and the
// coder file's bytes after each coding pass.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <chrono>

#include "coder_fixtures.h"
#include "dialogs/coding/code_command.h"
#include "dialogs/coding/coding_response_dlg.h"
#include "dialogs/coding/select_coder_file_dlg.h"
#include "dialogs/coding/select_qname_to_code_dlg.h"
#include "coding_fixture.h"
#include "keys.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "suite/study_lock.h"

namespace codingtest {
namespace {

QRadioButton* radio(QWidget& dialog, const char* name) { return child<QRadioButton>(dialog, QLatin1String(name)); }
QString field(QWidget& dialog, const char* name) { return child<QLabel>(dialog, QLatin1String(name))->text(); }
QTreeWidget* question_list(QWidget& dialog) { return child<QTreeWidget>(dialog, QStringLiteral("questionList")); }

bool shows_status(QTreeWidgetItem* item, int status) {
    return item->icon(0).pixmap(16).toImage() == oc_ui::status_icon(status).pixmap(16).toImage();
}

TEST_F(CodingTest, TwoQuestionsCodedInOneCall) {
    sink.drive_next([](QDialog& files) {
        EXPECT_EQ(QStringLiteral("Select a Coder File to Code"), files.windowTitle());
        auto* list = child<QTreeWidget>(files, QStringLiteral("fileList"));
        ASSERT_EQ(1, list->topLevelItemCount());
        EXPECT_EQ(QStringLiteral("S.001"), list->topLevelItem(0)->text(0));
        EXPECT_TRUE(shows_status(list->topLevelItem(0), 0));
        button(files, "okButton")->click();
    });
    sink.drive_next([this](QDialog& questions) {
        QTreeWidget* list = question_list(questions);
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        EXPECT_TRUE(radio(questions, "beginningRadio")->isChecked());
        EXPECT_FALSE(radio(questions, "resumeRadio")->isEnabled());
        EXPECT_TRUE(radio(questions, "respondentRadio")->isEnabled());
        // Pass 1: Q1, records 1 and 2, then "Save and Exit".
        button(questions, "codeButton")->click();
        EXPECT_TRUE(questions.isVisible());  // "Code" leaves the dialog open
        EXPECT_TRUE(radio(questions, "resumeRadio")->isEnabled());
        EXPECT_TRUE(radio(questions, "resumeRadio")->isChecked());
        EXPECT_EQ(QStringLiteral("2"), field(questions, "lastRecordCodedValue"));
        EXPECT_TRUE(shows_status(list->topLevelItem(0), 1));
        // Pass 2: Q3 to its last record; its image becomes the filled frame.
        list->setCurrentItem(list->topLevelItem(1));
        EXPECT_EQ(QStringLiteral("Q3"), field(questions, "questionNameValue"));
        EXPECT_EQ(QStringLiteral("Replace"), field(questions, "actionValue"));
        button(questions, "codeButton")->click();
        EXPECT_TRUE(shows_status(list->topLevelItem(1), 2));
        EXPECT_FALSE(radio(questions, "resumeRadio")->isEnabled());
        EXPECT_TRUE(radio(questions, "beginningRadio")->isChecked());
        EXPECT_EQ(QStringLiteral("3"), field(questions, "lastRecordCodedValue"));
        EXPECT_EQ(2u, file.questions.size());  // the call's own copy, not ours
        button(questions, "closeButton")->click();
    });
    sink.drive_next([](QDialog& coding) {
        QTest::keyClicks(box(coding, 1), QStringLiteral("4"));
        QTest::keyClicks(box(coding, 2), QStringLiteral("17"));
        QTest::keyClick(box(coding, 2), Qt::Key_Return);
        QTest::keyClicks(box(coding, 1), QStringLiteral("9"));
        button(coding, "saveButton")->click();
    });
    sink.drive_next([](QDialog& coding) {
        EXPECT_EQ(1, box(coding, 1)->maxLength());
        for (const char* code : {"3", "4", "5"}) {
            QTest::keyClicks(box(coding, 1), QLatin1String(code));
            button(coding, "nextButton")->click();
        }
        coding.reject();  // after the 744 at the last record
    });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ((std::vector<QString>{QStringLiteral("selectCoderSpecFileDialog"), QStringLiteral("selectQNameToCodeDialog"),
                                    QStringLiteral("codingResponseDialog"), QStringLiteral("codingResponseDialog")}),
              sink.dialogs());
    EXPECT_EQ((std::vector<int>{oc::IDS_LAST_RECORD_CODED}), sink.message_ids());
    std::string expected = replaced(fresh, fresh_q1_record(1, 1, "one"), coded_q1_record(1, 1, "one", {4, 17}));
    expected = replaced(expected, fresh_q1_record(2, 1, "two"), coded_q1_record(2, 1, "two", {9}));
    expected = replaced(expected, "    1         1       Q3   0   1  0  0      first brand",
                        "    1         1       Q3   0   1  0  1    3 first brand");
    expected = replaced(expected, "    1         2       Q3   0   1  0  0      second brand",
                        "    1         2       Q3   0   1  0  1    4 second brand");
    expected = replaced(expected, "    1         7       Q3   0   1  0  0      only Q3",
                        "    1         7       Q3   0   1  0  1    5 only Q3");
    expected = replaced(expected, kQ1Line, "      Q1         7 0    4  4         2");
    expected = replaced(expected, kQ3Line, "      Q3         3 1    1  1         3");
    EXPECT_SAME_BYTES(with_status(expected, 1), read_bytes("S.001"));
}

TEST_F(CodingTest, ACancelledPassStillWritesLine2AndTheTrailer) {
    // Q3 done and Q1 done but for its last record: the record saved by
    // "&<<" completes the file although the pass ends with "Cancel".
    std::string almost = replaced(fresh, kQ1Line, "      Q1         7 0    4  4         6");
    almost = replaced(almost, kQ3Line, "      Q3         3 1    1  1         3");
    write_bytes("S.001", almost);
    sink.drive_next([](QDialog& files) { files.accept(); });
    sink.drive_next([](QDialog& questions) {
        EXPECT_TRUE(radio(questions, "resumeRadio")->isChecked());
        button(questions, "codeButton")->click();
        EXPECT_TRUE(shows_status(question_list(questions)->topLevelItem(0), 2));
        EXPECT_EQ(QStringLiteral("7"), field(questions, "lastRecordCodedValue"));
    });
    sink.drive_next([](QDialog& coding) {
        EXPECT_EQ(QStringLiteral("6"), child<QLabel>(coding, QStringLiteral("respondentNumber"))->text());
        QTest::keyClicks(box(coding, 1), QStringLiteral("12"));
        button(coding, "previousButton")->click();
        QTest::keyClicks(box(coding, 1), QStringLiteral("34"));
        button(coding, "cancelButton")->click();
    });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    std::string expected = replaced(almost, fresh_q1_record(6, 1, "six"), coded_q1_record(6, 1, "six", {12}));
    expected = replaced(expected, "      Q1         7 0    4  4         6", "      Q1         7 0    4  4         7");
    EXPECT_SAME_BYTES(with_status(expected, 2), read_bytes("S.001"));
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(CodingTest, ResumeStartsAfterTheLastRecordCoded) {
    write_bytes("S.001", replaced(fresh, kQ1Line, "      Q1         7 0    4  4         3"));
    load();
    oc_ui::CSelectQNameToCodeDlg questions(QStringLiteral("S.001"), file);
    EXPECT_TRUE(radio(questions, "resumeRadio")->isEnabled());
    EXPECT_TRUE(radio(questions, "resumeRadio")->isChecked());
    EXPECT_EQ(QStringLiteral("3"), field(questions, "lastRecordCodedValue"));
    EXPECT_EQ(QStringLiteral("7"), field(questions, "recordCountValue"));
    EXPECT_EQ(QStringLiteral("Append"), field(questions, "actionValue"));
    EXPECT_EQ(QStringLiteral("4"), field(questions, "widthValue"));
    EXPECT_EQ(QStringLiteral("4"), field(questions, "maxCodesValue"));
    std::int32_t shown = 0;
    sink.drive_next([&shown](QDialog& coding) {
        shown = static_cast<oc_ui::CCodingResponseDlg&>(coding).record_number();
        EXPECT_EQ(QStringLiteral("four"), child<QPlainTextEdit>(coding, QStringLiteral("answerText"))->toPlainText());
    });
    questions.accept();
    EXPECT_EQ(4, shown);
    // Each start choice on the same cursor; any unknown choice starts at 1.
    oc::cursor_ptr cursor(oc::open_coder_cursor("S.001", "Q1"));
    struct { int choice; std::int32_t respondent; int result; std::int32_t start; } cases[] = {
        {oc_ui::start_resume, 0, 1, 4},     {oc_ui::start_beginning, 0, 1, 1}, {7, 0, 1, 1},
        {oc_ui::start_respondent, 5, 1, 6}, {oc_ui::start_respondent, 4, 1, 4},  // respondent 4's first record
        {oc_ui::start_respondent, 1, 1, 1}, {oc_ui::start_respondent, 6, 1, 7},
    };
    for (const auto& c : cases) {
        std::int32_t start = -1;
        EXPECT_EQ(c.result, oc_ui::ChooseStartRecord(*cursor, start, c.choice, c.respondent, file.questions[0]));
        EXPECT_EQ(c.start, start) << c.choice << " " << c.respondent;
    }
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(CodingTest, ARespondentWithoutARecordGives709AndTheFileIsClosed) {
    oc_ui::CSelectQNameToCodeDlg questions(QStringLiteral("S.001"), file);
    radio(questions, "respondentRadio")->setChecked(true);
    const int files_before = open_files();
    sink.drive_next([](QDialog& choose) {
        EXPECT_EQ(QStringLiteral("Select Respondent"), choose.windowTitle());
        auto* list = child<QListWidget>(choose, QStringLiteral("respondentList"));
        QStringList rows;
        for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
        // Every respondent of the file in its order, 4 once per sequence.
        EXPECT_EQ((QStringList{"1", "2", "3", "4", "4", "5", "6", "7"}), rows);
        EXPECT_EQ(nullptr, list->currentItem());
        button(choose, "okButton")->click();  // nothing chosen: stays open
        EXPECT_TRUE(choose.isVisible());
        list->setCurrentRow(7);  // 7 answered Q3 only
        button(choose, "okButton")->click();
    });
    questions.accept();
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_DATA_READ_ERROR}), sink.message_ids());
    EXPECT_EQ(1, sink.beeps());
    EXPECT_EQ(files_before, open_files());
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));  // no pass, nothing written
    // Cancelling the respondent list opens nothing; a file that cannot be
    // opened gives 709 with the dialog still there.
    sink.drive_next([](QDialog& choose) { choose.reject(); });
    questions.accept();
    EXPECT_EQ(1u, sink.messages().size());
    QFile::remove(QStringLiteral("S.001"));
    radio(questions, "beginningRadio")->setChecked(true);
    questions.accept();
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_DATA_READ_ERROR, oc::IDS_CODER_DATA_READ_ERROR}), sink.message_ids());
    EXPECT_EQ(files_before, open_files());
    EXPECT_EQ((std::vector<QString>{QStringLiteral("selectRespondentDialog"), QStringLiteral("selectRespondentDialog")}),
              sink.dialogs());
}

TEST_F(CodingTest, CompleteOrMergedFilesAskFirstAndCancelStays) {
    struct { int status; int message; } cases[] = {
        {0, 0}, {1, 0}, {2, oc::IDS_CODING_COMPLETE_WARNING}, {3, oc::IDS_MERGED_WARNING},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        // A second file, so that the selection can be seen to stay.
        write_bytes("S.001", with_status(fresh, c.status));
        write_bytes("S.002", with_status(fresh, c.status));
        octest::write_coder_list("S.cdl", {{"S.002", c.status, 0, {}, {}}, {"S.001", c.status, 0, {}, {}}});
        octest::recording_sink local;
        local.answer_next(oc_ui::box_answer::cancel);
        local.drive_next([&](QDialog& files) {
            auto* list = child<QTreeWidget>(files, QStringLiteral("fileList"));
            list->setCurrentItem(list->topLevelItem(1));
            QTest::keyClick(list, Qt::Key_Return);  // Enter in the list is "OK", asked once
            EXPECT_EQ(c.message != 0, files.isVisible());
            EXPECT_TRUE(list->topLevelItem(1)->isSelected());
            EXPECT_EQ(1, static_cast<oc_ui::CSelectCoderSpecFileDlg&>(files).selected());
            if (files.isVisible()) button(files, "okButton")->click();  // answered OK this time
        });
        local.drive_next([](QDialog& questions) {
            EXPECT_EQ(QStringLiteral("Q1"), field(questions, "questionNameValue"));
            questions.reject();
        });
        oc_ui::run_coding(QStringLiteral("S.cdl"));
        std::vector<int> asked;
        if (c.message) asked = {c.message, c.message};
        EXPECT_EQ(asked, local.message_ids());
        for (const auto& m : local.messages()) EXPECT_EQ(oc_ui::box_style::question_ok_cancel, m.style);
        EXPECT_EQ(2u, local.dialogs().size());
    }
}

// Return on a focused Cancel or Close is that button's, never the default's.
TEST_F(CodingTest, ReturnOnCancelOrCloseStartsNothing) {
    auto return_on = [](QDialog& dialog, const char* name) {
        ASSERT_TRUE(octest::activate(dialog));
        ASSERT_TRUE(octest::tab_to(button(dialog, name)));
        octest::press(Qt::Key_Return);
    };
    sink.drive_next([&](QDialog& files) { return_on(files, "cancelButton"); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ(std::vector<QString>{QStringLiteral("selectCoderSpecFileDialog")}, sink.dialogs());

    sink.drive_next([](QDialog& files) {
        ASSERT_TRUE(octest::activate(files));
        octest::press(Qt::Key_Return);  // in the list: OK
    });
    sink.drive_next([&](QDialog& questions) {
        radio(questions, "respondentRadio")->setChecked(true);
        button(questions, "codeButton")->click();
        EXPECT_TRUE(questions.isVisible());
        return_on(questions, "closeButton");
        EXPECT_FALSE(questions.isVisible());
    });
    sink.drive_next([&](QDialog& respondents) {
        child<QListWidget>(respondents, QStringLiteral("respondentList"))->setCurrentRow(0);
        return_on(respondents, "cancelButton");
    });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ((std::vector<QString>{"selectCoderSpecFileDialog", "selectCoderSpecFileDialog", "selectQNameToCodeDialog",
                                    "selectRespondentDialog"}),
              sink.dialogs());
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));
}

TEST_F(CodingTest, TheCallEndsEarlyOnAnEmptyListOrAnUnreadableFile) {
    octest::write_coder_list("S.cdl", {});
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ((std::vector<int>{oc::IDS_NO_CODER_FILES}), sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
    EXPECT_TRUE(sink.dialogs().empty());
    // Listed and opening, but its trailer is gone: 709 after the file choice.
    octest::write_coder_list("S.cdl", {{"S.001", 0, 0, {}, {}}});
    write_bytes("S.001", fresh.substr(0, fresh.find("S.001\r\n", 10)));
    sink.drive_next([](QDialog& files) { files.accept(); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ((std::vector<int>{oc::IDS_NO_CODER_FILES, oc::IDS_CODER_DATA_READ_ERROR}), sink.message_ids());
    EXPECT_EQ(1u, sink.dialogs().size());
}

// Another coder's file is refused at once, naming who has it; free again,
// it opens as usual.
TEST_F(CodingTest, AFileAnotherCoderHoldsIsRefusedNamingThem) {
    oc::file_lock other;
    ASSERT_EQ(oc::file_lock::outcome::held, other.acquire(oc::coder_file_lock_path("S.001"), oc::lock_kind::exclusive,
                                                          "code S.001", std::chrono::milliseconds(0)));
    sink.drive_next([](QDialog& files) { files.accept(); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_TRUE(sink.messages()[0].text.startsWith(QStringLiteral("The coder data file S.001 is in use by ")))
        << sink.messages()[0].text.toStdString();
    EXPECT_TRUE(sink.messages()[0].text.contains(QStringLiteral("(code S.001, process ")));
    EXPECT_EQ((std::vector<QString>{"selectCoderSpecFileDialog"}), sink.dialogs());
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));

    other.release();
    sink.drive_next([](QDialog& files) { files.accept(); });
    sink.drive_next([](QDialog& questions) { questions.reject(); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ(1u, sink.messages().size());
    EXPECT_EQ(3u, sink.dialogs().size());
}

TEST_F(CodingTest, DialogsRenderOffscreen) {
    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    QStringList names{QStringLiteral("S.001"), QStringLiteral("S.002"), QStringLiteral("S.003"), QStringLiteral("S.004")};
    oc_ui::CSelectCoderSpecFileDlg files(names, QByteArray("\x00\x01\x02\x03", 4));
    files.show();
    EXPECT_TRUE(files.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/select_coder_file.png")));
    file.questions[1].last_record_coded = 1;
    file.question_statuses[1] = 1;
    oc_ui::CSelectQNameToCodeDlg questions(QStringLiteral("S.001"), file);
    questions.show();
    EXPECT_TRUE(questions.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/select_question.png")));
}

}  // namespace
}  // namespace codingtest
