// The code-entry dialog on its own: the code boxes' rules, saving with gaps
// closed, moving, keyboard use, and the coder file's bytes after each.
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>

#include "dialogs/coding/coding_response_dlg.h"
#include "coding_fixture.h"
#include "coder_fixtures.h"
#include "keys.h"
#include "engines/texts/string_table.h"

namespace codingtest {
namespace {

// A coding dialog on `quest` of the coder file `path`, shown but not modal.
struct OpenDialog {
    OpenDialog(oc::quest_spec& quest, std::int32_t start = 1, const char* path = "S.001")
        : cursor(oc::open_coder_cursor(path, quest.name)), dialog(*cursor, start, quest) {
        dialog.show();
    }
    oc::cursor_ptr cursor;
    oc_ui::CCodingResponseDlg dialog;
};

using Codes = std::vector<std::uint16_t>;
constexpr std::uint16_t kNone = oc_ui::CCodingResponseDlg::kNoCode;
constexpr std::uint16_t kCleared = oc_ui::CCodingResponseDlg::kCleared;

TEST_F(CodingTest, CodeBoxesJudgeEveryKeystroke) {
    struct { const char* typed; const char* shown; std::uint16_t slot; int beeps; } cases[] = {
        {"12", "12", 12, 0},
        {"1", "1", 1, 0},
        {"9999", "9999", 9999, 0},
        {"99999", "9999", 9999, 0},   // the fifth digit does not fit a box of width 4
        {"0", "", kCleared, 1},       // no code 0: emptied with a beep
        {"0012", "12", 12, 2},        // each leading 0 is refused as it is typed
        {"12a", "12", 12, 1},         // the letter is stripped, 12 judged again
        {"1a2", "12", 12, 1},
        {"a", "", kNone, 1},          // the box held no code, and still holds none
        {"ab", "", kNone, 2},
        {"a0", "", kCleared, 2},      // stripped to nothing, then 0 refused
        {"7-", "7", 7, 1},
        {" 5", "5", 5, 1},            // a typed leading space is not a digit
    };
    for (const auto& c : cases) {
        OpenDialog open(file.questions[0]);
        const int beeps = sink.beeps();
        QTest::keyClicks(box(open.dialog, 2), QString::fromUtf8(c.typed));
        EXPECT_EQ(QString::fromLatin1(c.shown), box(open.dialog, 2)->text()) << c.typed;
        EXPECT_EQ(c.slot, open.dialog.working_codes()[1]) << c.typed;
        EXPECT_EQ(c.beeps, sink.beeps() - beeps) << c.typed;
        EXPECT_TRUE(sink.messages().empty()) << c.typed;  // refusals are beeps, never boxes
    }
    // A digit of another script is no code digit: stripped like a letter.
    OpenDialog open(file.questions[0]);
    QKeyEvent arabic_three(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("7\u0663"));
    QApplication::sendEvent(box(open.dialog, 1), &arabic_three);
    EXPECT_EQ(QStringLiteral("7"), box(open.dialog, 1)->text());
    EXPECT_EQ(7, open.dialog.working_codes()[0]);
}

TEST_F(CodingTest, PastedTextIsJudgedWhole) {
    // A question of width 5, so that values past 9999 reach the check.
    octest::fixture_file wide{"W.001", 0, 0, {{"Q9", 0, 5, 2, 1, 0}}, {{1, 11}}};
    octest::write_coder_file(".", wide);
    oc::quest_spec q9;
    std::snprintf(q9.name, sizeof q9.name, "Q9");
    q9.code_width = 5;
    q9.max_codes = 2;
    q9.record_count = 1;
    struct { const char* pasted; const char* shown; std::uint16_t slot; int beeps; } cases[] = {
        {"9998", "9998", 9998, 0}, {"9999", "9999", 9999, 0}, {"10000", "", kCleared, 1},
        {"0012", "0012", 12, 0},   {"  7", "  7", 7, 0},      {"00000", "", kCleared, 1},
        {"1 2", "12", 12, 1},
    };
    for (const auto& c : cases) {
        OpenDialog open(q9, 1, "W.001");
        EXPECT_EQ(5, box(open.dialog, 1)->maxLength());
        const int beeps = sink.beeps();
        box(open.dialog, 1)->insert(QString::fromLatin1(c.pasted));
        EXPECT_EQ(QString::fromLatin1(c.shown), box(open.dialog, 1)->text()) << c.pasted;
        EXPECT_EQ(c.slot, open.dialog.working_codes()[0]) << c.pasted;
        EXPECT_EQ(c.beeps, sink.beeps() - beeps) << c.pasted;
    }
}

// Boxes shown and saved at the limits of the number of codes: never more
// than 30, and a rewrite never reaches past the columns the line holds.
TEST_F(CodingTest, BoxCountAndWidthFollowTheQuestionUpTo30) {
    struct { int max_codes; int width; int shown; } cases[] = {
        {1, 1, 1}, {5, 2, 5}, {6, 3, 6}, {29, 4, 29}, {30, 4, 30}, {31, 4, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.max_codes);
        octest::fixture_file limits{"L.001", 0, 0, {{"QL", 0, c.width, c.max_codes, 1, 0}}, {{1, 11}}};
        octest::write_coder_file(".", limits);
        const std::string before = read_bytes("L.001");
        // Built by hand: no coder file read from disk has more than 30 columns.
        oc::quest_spec quest;
        std::snprintf(quest.name, sizeof quest.name, "QL");
        quest.code_width = static_cast<std::int16_t>(c.width);
        quest.max_codes = static_cast<std::int16_t>(c.max_codes);
        quest.record_count = 1;
        const QString typed = QStringLiteral("87654").left(c.width);
        {
            OpenDialog open(quest, 1, "L.001");
            for (int n = 1; n <= 30; ++n) {
                const bool used = n <= c.shown;
                EXPECT_EQ(used, box(open.dialog, n)->isVisibleTo(&open.dialog)) << n;
                EXPECT_EQ(used, box(open.dialog, n)->isEnabled()) << n;
                auto* label = child<QLabel>(open.dialog, QStringLiteral("codeLabel%1").arg(n));
                EXPECT_EQ(used, label->isVisibleTo(&open.dialog)) << n;
                EXPECT_EQ(c.width, box(open.dialog, n)->maxLength());
            }
            EXPECT_EQ(c.shown, open.dialog.working_codes().size());
            QTest::keyClicks(box(open.dialog, c.shown), typed + QLatin1Char('9'));  // one digit too many
            EXPECT_EQ(typed, box(open.dialog, c.shown)->text());
            button(open.dialog, "saveButton")->click();
        }
        // One code in the first column; every other byte as it was.
        char code[8];
        std::snprintf(code, sizeof code, "%5d", typed.toInt());
        std::string expected = before;
        const std::size_t record = expected.rfind("\r\n", expected.find("      QL   0")) + 2;
        expected.replace(record + 37, 1, "1");
        expected.replace(record + 38, 5, code);
        EXPECT_SAME_BYTES(expected, read_bytes("L.001"));
    }
}

// Record 1 holding code 5, a blank column and a 0 within its count of 3:
// the columns without a code show empty; a code typed in box 4 is saved
// with the gaps closed and shown second when the record is read again.
TEST_F(CodingTest, StoredColumnsWithoutACodeShowEmptyAndSavingClosesGaps) {
    write_bytes("S.001", replaced(fresh, fresh_q1_record(1, 1, "one"),
                                  "    1         1       Q1   0   1  0  3" "    5" "     " "    0" "     " " one"));
    {
        OpenDialog open(file.questions[0]);
        EXPECT_EQ(0, sink.beeps());
        EXPECT_EQ(QStringLiteral("5"), box(open.dialog, 1)->text());
        EXPECT_EQ(QString(), box(open.dialog, 2)->text());
        EXPECT_EQ(QString(), box(open.dialog, 3)->text());
        QTest::keyClicks(box(open.dialog, 4), QStringLiteral("7"));
        EXPECT_EQ(7, open.dialog.working_codes()[3]);
        button(open.dialog, "saveButton")->click();
        EXPECT_EQ(QDialog::Accepted, open.dialog.result());
    }
    EXPECT_SAME_BYTES(replaced(fresh, fresh_q1_record(1, 1, "one"), coded_q1_record(1, 1, "one", {5, 7})),
                      read_bytes("S.001"));
    EXPECT_EQ(1, file.questions[0].last_record_coded);
    OpenDialog again(file.questions[0]);
    EXPECT_EQ(QStringLiteral("7"), box(again.dialog, 2)->text());
    EXPECT_EQ(QString(), box(again.dialog, 3)->text());
    EXPECT_EQ((Codes{5, 7, kNone, kNone}), Codes(again.dialog.working_codes().begin(), again.dialog.working_codes().end()));
}

TEST_F(CodingTest, MovingSavesAndLastRecordCodedNeverGoesDown) {
    OpenDialog open(file.questions[0]);
    QPushButton* previous = button(open.dialog, "previousButton");
    EXPECT_FALSE(previous->isEnabled());
    std::string expected = fresh;
    const char* texts[] = {"one", "two", "three", "four", "four again"};
    const int respondents[] = {1, 2, 3, 4, 4};
    const int sequences[] = {1, 1, 1, 1, 2};
    for (int r = 1; r <= 5; ++r) {
        QTest::keyClicks(box(open.dialog, 1), QString::number(r * 10));
        button(open.dialog, "nextButton")->click();
        EXPECT_TRUE(previous->isEnabled());
        expected = replaced(expected, fresh_q1_record(respondents[r - 1], sequences[r - 1], texts[r - 1]),
                            coded_q1_record(respondents[r - 1], sequences[r - 1], texts[r - 1], {r * 10}));
    }
    EXPECT_EQ(6, open.dialog.record_number());
    EXPECT_EQ(5, file.questions[0].last_record_coded);
    EXPECT_EQ(QStringLiteral("5"), child<QLabel>(open.dialog, QStringLiteral("respondentNumber"))->text());
    EXPECT_EQ(QStringLiteral("Q1"), child<QLabel>(open.dialog, QStringLiteral("questionName"))->text());
    EXPECT_EQ(QStringLiteral("five"), child<QPlainTextEdit>(open.dialog, QStringLiteral("answerText"))->toPlainText());
    // Back to record 5, the one that set last_record_coded, and empty it.
    previous->click();
    EXPECT_EQ(QStringLiteral("50"), box(open.dialog, 1)->text());
    EXPECT_EQ(QStringLiteral("50"), box(open.dialog, 1)->selectedText());
    box(open.dialog, 1)->clear();
    previous->click();
    expected = replaced(expected, coded_q1_record(4, 2, "four again", {50}), coded_q1_record(4, 2, "four again", {}));
    // Record 3 coded anew does not lower it either.
    previous->click();
    EXPECT_EQ(3, open.dialog.record_number());
    box(open.dialog, 1)->selectAll();
    QTest::keyClicks(box(open.dialog, 1), QStringLiteral("33"));
    previous->click();
    expected = replaced(expected, coded_q1_record(3, 1, "three", {30}), coded_q1_record(3, 1, "three", {33}));
    EXPECT_EQ(5, file.questions[0].last_record_coded);
    EXPECT_TRUE(previous->isEnabled());
    previous->click();
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_EQ(1, open.dialog.record_number());
    EXPECT_SAME_BYTES(expected, read_bytes("S.001"));
    // "&>>" from record 1 enables it again.
    button(open.dialog, "nextButton")->click();
    EXPECT_TRUE(previous->isEnabled());
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(CodingTest, WholeQuestionFromTheKeyboard) {
    OpenDialog open(file.questions[0], 6);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&open.dialog));
    EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("4"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(box(open.dialog, 2), QApplication::focusWidget());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("17"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter is "&>>"
    EXPECT_EQ(7, open.dialog.record_number());
    EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("8"));
    // The mnemonics click their buttons with a short animation.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Less, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return open.dialog.record_number() == 6; }));
    EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
    EXPECT_EQ(QStringLiteral("4"), box(open.dialog, 1)->selectedText());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Greater, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return open.dialog.record_number() == 7; }));
    EXPECT_EQ(QStringLiteral("8"), box(open.dialog, 1)->text());
    // The last record: Enter saves it, says so and stays.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ((std::vector<int>{oc::IDS_LAST_RECORD_CODED}), sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::information, sink.messages()[0].style);
    EXPECT_EQ(7, open.dialog.record_number());
    EXPECT_EQ(QStringLiteral("8"), box(open.dialog, 1)->text());
    EXPECT_EQ(7, file.questions[0].last_record_coded);
    // Typing after the message and then Esc: the shown record is not saved again.
    box(open.dialog, 1)->setFocus();
    QTest::keyClicks(box(open.dialog, 1), QStringLiteral("9"));
    QTest::keyClick(box(open.dialog, 1), Qt::Key_Escape);
    EXPECT_EQ(QDialog::Rejected, open.dialog.result());
    EXPECT_FALSE(open.dialog.isVisible());
    std::string expected = replaced(fresh, fresh_q1_record(5, 1, "five"), coded_q1_record(5, 1, "five", {4, 17}));
    EXPECT_SAME_BYTES(replaced(expected, fresh_q1_record(6, 1, "six"), coded_q1_record(6, 1, "six", {8})),
                      read_bytes("S.001"));
    EXPECT_EQ(0, sink.beeps());
}

TEST_F(CodingTest, ReturnPressesTheFocusedButton) {
    const std::string five = coded_q1_record(5, 1, "five", {4});
    const struct {
        const char* button;
        std::int32_t shown;  // the record shown afterwards
        int result;  // -1: still open
        bool saved;
    } cases[] = {
        {"nextButton", 7, -1, true},
        {"previousButton", 5, -1, true},
        {"saveButton", 6, QDialog::Accepted, true},
        {"cancelButton", 6, QDialog::Rejected, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        write_bytes("S.001", fresh);
        OpenDialog open(file.questions[0], 6);  // respondent 5
        ASSERT_TRUE(octest::activate(open.dialog));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("4"));
        ASSERT_TRUE(octest::tab_to(button(open.dialog, c.button)));
        octest::press(Qt::Key_Return);
        EXPECT_EQ(c.shown, open.dialog.record_number());
        EXPECT_EQ(c.result, open.dialog.isVisible() ? -1 : open.dialog.result());
        EXPECT_SAME_BYTES(c.saved ? replaced(fresh, fresh_q1_record(5, 1, "five"), five) : fresh, read_bytes("S.001"));
    }
    // Once a button has taken Return, Return in a code box is "&>>" again.
    OpenDialog open(file.questions[0], 6);
    ASSERT_TRUE(octest::activate(open.dialog));
    ASSERT_TRUE(octest::tab_to(button(open.dialog, "previousButton")));
    octest::press(Qt::Key_Return);
    EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
    octest::press(Qt::Key_Return);
    EXPECT_EQ(6, open.dialog.record_number());
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(CodingTest, TheAnswerIsNeverShownSelected) {
    OpenDialog open(file.questions[0], 5);
    auto* answer = child<QPlainTextEdit>(open.dialog, QStringLiteral("answerText"));
    EXPECT_TRUE(answer->isReadOnly());
    EXPECT_EQ(QStringLiteral("four again"), answer->toPlainText());
    QTextCursor all = answer->textCursor();
    all.select(QTextCursor::Document);
    answer->setTextCursor(all);
    answer->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(answer->textCursor().hasSelection());
    EXPECT_EQ(0, answer->textCursor().position());
}

TEST_F(CodingTest, SoundControlsStayHiddenWithoutASoundDirectory) {
    OpenDialog open(file.questions[0]);
    for (const char* name : {"soundGroup", "soundLabel", "playButton", "stopButton", "deleteButton"})
        EXPECT_FALSE(child<QWidget>(open.dialog, QLatin1String(name))->isVisibleTo(&open.dialog)) << name;
}

TEST_F(CodingTest, ARecordThatCannotBeReadEndsTheDialog) {
    // The trailer claims an eighth record of Q1 that the record area lacks.
    write_bytes("S.001", replaced(fresh, kQ1Line, "      Q1         8 0    4  4         0"));
    file.questions[0].record_count = 8;
    {
        OpenDialog open(file.questions[0], 7);
        QTest::keyClicks(box(open.dialog, 1), QStringLiteral("6"));
        button(open.dialog, "nextButton")->click();
        EXPECT_EQ((std::vector<int>{oc::IDS_CODER_DATA_READ_ERROR}), sink.message_ids());
        EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages()[0].style);
        EXPECT_FALSE(open.dialog.isVisible());
        EXPECT_EQ(QDialog::Rejected, open.dialog.result());
    }
    // The move saved record 7 before it failed.
    EXPECT_EQ(7, file.questions[0].last_record_coded);
    OpenDialog past(file.questions[0], 8);
    EXPECT_FALSE(past.dialog.loaded());
    EXPECT_EQ(2u, sink.messages().size());
}

TEST_F(CodingTest, ASaveThatFailsIsReportedAndKeepsTheRecord) {
    // The trailer gives Q1 30 code columns; its record lines hold 4.
    write_bytes("S.001", replaced(fresh, kQ1Line, "      Q1         7 0    4 30         0"));
    file.questions[0].max_codes = 30;
    const std::string before = read_bytes("S.001");
    OpenDialog open(file.questions[0]);
    QTest::keyClicks(box(open.dialog, 1), QStringLiteral("3"));
    button(open.dialog, "nextButton")->click();
    button(open.dialog, "saveButton")->click();
    EXPECT_EQ((std::vector<int>{oc::IDS_CODER_WRITE_ERROR, oc::IDS_CODER_WRITE_ERROR}), sink.message_ids());
    EXPECT_EQ(1, open.dialog.record_number());
    EXPECT_TRUE(open.dialog.isVisible());
    EXPECT_EQ(QStringLiteral("3"), box(open.dialog, 1)->text());
    EXPECT_EQ(0, file.questions[0].last_record_coded);
    EXPECT_SAME_BYTES(before, read_bytes("S.001"));
}

}  // namespace
}  // namespace codingtest
