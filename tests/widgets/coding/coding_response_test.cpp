// The code-entry dialog on its own: keystrokes in the code boxes, saving
// with gaps closed, the keyboard, a failed save, and the coder file's bytes.
#include <QLabel>

#include "coding_fixture.h"
#include "engines/texts/string_table.h"

namespace codingtest {
namespace {

constexpr std::uint16_t kNone = oc_ui::CCodingResponseDlg::kNoCode;
constexpr std::uint16_t kCleared = oc_ui::CCodingResponseDlg::kCleared;

TEST_F(CodingTest, StoredColumnsWithoutACodeShowEmptyAndSavingClosesGaps) {
    write_bytes("S.001", replaced(fresh, q1_record(1, 1, "one"),
                                  "    1         1       Q1   0   1  0  3    5         0      one"));
    {
        OpenDialog open(file.questions[0]);
        EXPECT_EQ((QStringList{"5", "", ""}),
                  (QStringList{box(open.dialog, 1)->text(), box(open.dialog, 2)->text(), box(open.dialog, 3)->text()}));
        QTest::keyClicks(box(open.dialog, 4), QStringLiteral("7"));
        button(open.dialog, "saveButton")->click();
        EXPECT_EQ(QDialog::Accepted, open.dialog.result());
    }
    EXPECT_SAME_BYTES(replaced(fresh, q1_record(1, 1, "one"), q1_record(1, 1, "one", {5, 7})), read_bytes("S.001"));
    OpenDialog again(file.questions[0]);
    EXPECT_EQ((QVector<std::uint16_t>{5, 7, kNone, kNone}), again.dialog.working_codes());
    EXPECT_EQ(0, sink.beeps());
}

TEST_F(CodingTest, ReturnPressesTheFocusedButton) {
    const struct {
        const char* button;
        std::int32_t shown;  // the record shown afterwards
        int result;          // -1: still open
        bool saved;
    } cases[] = {
        {"nextButton", 7, -1, true},
        {"previousButton", 5, -1, true},
        {"saveButton", 6, QDialog::Accepted, true},
        {"cancelButton", 6, QDialog::Rejected, false},
    };
    for (const auto& c : cases) {
        write_bytes("S.001", fresh);
        OpenDialog open(file.questions[0], 6);  // respondent 5
        ASSERT_TRUE(octest::activate(open.dialog));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("4"));
        ASSERT_TRUE(octest::tab_to(button(open.dialog, c.button)));
        octest::press(Qt::Key_Return);
        EXPECT_EQ(c.shown, open.dialog.record_number()) << c.button;
        EXPECT_EQ(c.result, open.dialog.isVisible() ? -1 : open.dialog.result()) << c.button;
        EXPECT_SAME_BYTES(c.saved ? replaced(fresh, q1_record(5, 1, "five"), q1_record(5, 1, "five", {4})) : fresh,
                          read_bytes("S.001"));
        if (c.shown == 5) {  // once a button has taken Return, Return in a code box is "&>>" again
            EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
            octest::press(Qt::Key_Return);
            EXPECT_EQ(6, open.dialog.record_number());
        }
    }
    EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
}  // namespace codingtest
