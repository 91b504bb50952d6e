// CodeOpenendResponses from the file list to the end of the call: the file,
// question and respondent dialogs driven through the message sink, and the
// coder file's bytes after each coding pass.
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>
#include <chrono>

#include "dialogs/coding/code_command.h"
#include "dialogs/coding/select_coder_file_dlg.h"
#include "coding_fixture.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "suite/study_lock.h"

namespace codingtest {
namespace {

QRadioButton* radio(QWidget& dialog, const char* name) { return child<QRadioButton>(dialog, name); }
QString field(QWidget& dialog, const char* name) { return child<QLabel>(dialog, name)->text(); }
bool shows_status(QWidget& dialog, const char* list, int row, int status) {
    auto* item = child<QTreeWidget>(dialog, list)->topLevelItem(row);
    return octest::same_image(item->icon(0), oc_ui::status_icon(status));
}

TEST_F(CodingTest, TwoQuestionsCodedInOneCallWriteTheirCodesInPlace) {
    sink.drive_next([](QDialog& files) {
        EXPECT_TRUE(shows_status(files, "fileList", 0, 0));
        button(files, "okButton")->click();
    });
    sink.drive_next([](QDialog& questions) {
        EXPECT_TRUE(radio(questions, "beginningRadio")->isChecked());
        EXPECT_FALSE(radio(questions, "resumeRadio")->isEnabled());
        button(questions, "codeButton")->click();  // pass 1: Q1, records 1 and 2
        EXPECT_TRUE(questions.isVisible());
        EXPECT_TRUE(radio(questions, "resumeRadio")->isChecked());
        EXPECT_EQ(QStringLiteral("2"), field(questions, "lastRecordCodedValue"));
        EXPECT_TRUE(shows_status(questions, "questionList", 0, 1));
        auto* list = child<QTreeWidget>(questions, "questionList");
        list->setCurrentItem(list->topLevelItem(1));  // pass 2: Q3 to its last record
        EXPECT_EQ(QStringLiteral("Replace"), field(questions, "actionValue"));
        button(questions, "codeButton")->click();
        EXPECT_TRUE(shows_status(questions, "questionList", 1, 2));
        EXPECT_TRUE(radio(questions, "beginningRadio")->isChecked());
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
        for (const char* code : {"3", "4", "5"}) {
            QTest::keyClicks(box(coding, 1), QLatin1String(code));
            button(coding, "nextButton")->click();
        }
        coding.reject();  // after the message at the last record
    });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ(4u, sink.dialogs().size());
    EXPECT_EQ((std::vector<int>{oc::IDS_LAST_RECORD_CODED}), sink.message_ids());
    std::string expected = replaced(fresh, q1_record(1, 1, "one"), q1_record(1, 1, "one", {4, 17}));
    expected = replaced(expected, q1_record(2, 1, "two"), q1_record(2, 1, "two", {9}));
    for (const auto& [from, to] : {std::pair{"1  0  0      first", "1  0  1    3 first"},
                                   {"2       Q3   0   1  0  0      second", "2       Q3   0   1  0  1    4 second"},
                                   {"1  0  0      only Q3", "1  0  1    5 only Q3"},
                                   {kQ1Line, "      Q1         7 0    4  4         2"},
                                   {kQ3Line, "      Q3         3 1    1  1         3"}})
        expected = replaced(expected, from, to);
    EXPECT_SAME_BYTES(with_status(expected, 1), read_bytes("S.001"));
}

TEST_F(CodingTest, ReturnOnCancelOrCloseStartsNothingAndWritesNothing) {
    auto return_on = [](QDialog& dialog, const char* name) {
        ASSERT_TRUE(octest::activate(dialog));
        ASSERT_TRUE(octest::tab_to(button(dialog, name)));
        octest::press(Qt::Key_Return);
    };
    sink.drive_next([&](QDialog& files) { return_on(files, "cancelButton"); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ(1u, sink.dialogs().size());
    sink.drive_next([](QDialog& files) {
        ASSERT_TRUE(octest::activate(files));
        octest::press(Qt::Key_Return);  // in the list: OK
    });
    sink.drive_next([&](QDialog& questions) {
        radio(questions, "respondentRadio")->setChecked(true);
        button(questions, "codeButton")->click();
        return_on(questions, "closeButton");
        EXPECT_FALSE(questions.isVisible());
    });
    sink.drive_next([&](QDialog& respondents) {
        child<QListWidget>(respondents, "respondentList")->setCurrentRow(0);
        return_on(respondents, "cancelButton");
    });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    EXPECT_EQ((std::vector<QString>{"selectCoderSpecFileDialog", "selectCoderSpecFileDialog", "selectQNameToCodeDialog",
                                    "selectRespondentDialog"}),
              sink.dialogs());
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));
}

TEST_F(CodingTest, AFileAnotherCoderHoldsIsRefusedNamingThem) {
    oc::file_lock other;
    ASSERT_EQ(oc::file_lock::outcome::held, other.acquire(oc::coder_file_lock_path("S.001"), oc::lock_kind::exclusive,
                                                          "code S.001", std::chrono::milliseconds(0)));
    sink.drive_next([](QDialog& files) { files.accept(); });
    oc_ui::run_coding(QStringLiteral("S.cdl"));
    ASSERT_EQ(1u, sink.messages().size());
    EXPECT_TRUE(sink.messages()[0].text.startsWith(QStringLiteral("The coder data file S.001 is in use by ")));
    EXPECT_TRUE(sink.messages()[0].text.contains(QStringLiteral("(code S.001, process ")));
    EXPECT_EQ(1u, sink.dialogs().size());
    EXPECT_SAME_BYTES(fresh, read_bytes("S.001"));
}

}  // namespace
}  // namespace codingtest
