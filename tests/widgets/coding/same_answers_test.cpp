// Records with the same answer in the coding dialog: their count, Apply to
// all the same, Next uncoded, Find, and undo and redo of every save.
#include <QLabel>
#include <map>
#include <sstream>

#include "coding_fixture.h"

namespace codingtest {
namespace {

using oc_ui::box_answer;

// Q1 of S: five answers the same but for case and trailing marks.
const char* const kAnswers[] = {"Too expensive", "too expensive.", "Friendly staff", "TOO EXPENSIVE",
                                "too expensive!", "Slow delivery and friendly driver", "Too expensive"};

class SameAnswersTest : public CodingTest {
protected:
    void SetUp() override {
        CodingTest::SetUp();
        std::string data = "respondent,sequence,complete,Q1\r\n";
        for (int r = 1; r <= 7; ++r) data += std::to_string(r) + ",1,1," + kAnswers[r - 1] + "\r\n";
        octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\n", data);
        octest::extract_s001({{"Q1", 0, 4, 4}});
        ASSERT_FALSE(HasFatalFailure());
        fresh = read_bytes("S.001");
    }

    // S.001 as extracted with `codes` (by respondent, who is record r) written in.
    std::string with_codes(const std::map<int, std::vector<int>>& codes) {
        std::string bytes = fresh;
        for (const auto& [r, its] : codes)
            bytes = replaced(bytes, q1_record(r, 1, kAnswers[r - 1]), q1_record(r, 1, kAnswers[r - 1], its));
        return bytes;
    }
    // Starts from `bytes`, the question loaded afresh.
    oc::quest_spec& start_from(const std::string& bytes) {
        write_bytes("S.001", bytes);
        file = {};
        EXPECT_TRUE(oc::load_coder_questions("S.001", file));
        return file.questions[0];
    }
};

QString context(QWidget& dialog) { return child<QLabel>(dialog, "contextLine")->text(); }
QString status(QWidget& dialog) { return child<QLabel>(dialog, "statusLine")->text(); }
void type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }

TEST_F(SameAnswersTest, ApplyToAllTheSameAsksBeforeReplacingOtherCodesAndLeavesIdenticalOnesAlone) {
    const std::string before = with_codes({{2, {5}}, {5, {3, 9}}});
    oc::quest_spec& quest = start_from(before);
    {
        OpenDialog open(quest);
        ASSERT_TRUE(octest::activate(open.dialog));
        EXPECT_TRUE(context(open.dialog).endsWith(
            QStringLiteral("record 1 of 7, 2 coded  \u00b7  4 others with the same answer, 2 coded")));
        type(QStringLiteral("3"));
        octest::press(Qt::Key_Tab);
        type(QStringLiteral("9"));
        sink.answer_next(box_answer::cancel);
        octest::press(Qt::Key_Return, Qt::ControlModifier);
        EXPECT_SAME_BYTES(before, read_bytes("S.001"));  // not even the shown record
        ASSERT_EQ(1u, sink.messages().size());
        EXPECT_EQ(QStringLiteral("1 record with the same answer has other codes, e.g. respondent 2: 5.\n\n"
                                 "Replace them with 3, 9?"),
                  sink.messages()[0].text);
        QTest::keyClick(&open.dialog, Qt::Key_A, Qt::AltModifier);  // asked again, OK this time
        ASSERT_TRUE(QTest::qWaitFor([&] { return sink.messages().size() == 2; }));
        EXPECT_SAME_BYTES(with_codes({{1, {3, 9}}, {2, {3, 9}}, {4, {3, 9}}, {5, {3, 9}}, {7, {3, 9}}}),
                          read_bytes("S.001"));
        EXPECT_EQ(QStringLiteral("Codes 3, 9 written into 4 records."), status(open.dialog));
        EXPECT_TRUE(context(open.dialog).endsWith(QStringLiteral("5 coded  \u00b7  4 others with the same answer, 4 coded")));
        EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
    }
    EXPECT_EQ(7, quest.last_record_coded);
}

TEST_F(SameAnswersTest, UndoTakesBackTypingThenEachSaveAcrossMovesAndApplyAndRedoDoesItAgain) {
    const std::string before = with_codes({{6, {5}}});
    oc::quest_spec& quest = start_from(before);
    const std::int32_t last_coded = quest.last_record_coded;
    OpenDialog open(quest);
    ASSERT_TRUE(octest::activate(open.dialog));
    type(QStringLiteral("3"));
    octest::press(Qt::Key_Return, Qt::ControlModifier);  // records 1, 2, 4, 5, 7
    const std::string applied = read_bytes("S.001");
    octest::press(Qt::Key_Return);  // record 1 as it was: no step
    octest::press(Qt::Key_Tab);
    type(QStringLiteral("4"));
    octest::press(Qt::Key_Return);  // record 2 saved as 3, 4
    const std::string moved = read_bytes("S.001");
    EXPECT_SAME_BYTES(with_codes({{1, {3}}, {2, {3, 4}}, {4, {3}}, {5, {3}}, {6, {5}}, {7, {3}}}), moved);
    type(QStringLiteral("8"));  // on record 3, not saved
    octest::press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(QString(), box(open.dialog, 1)->text());
    EXPECT_SAME_BYTES(moved, read_bytes("S.001"));

    const Qt::KeyboardModifiers undo = Qt::ControlModifier, redo = undo | Qt::ShiftModifier;
    const std::tuple<Qt::KeyboardModifiers, std::int32_t, const std::string&> steps[] = {
        {undo, 2, applied}, {undo, 1, before}, {redo, 1, applied}, {redo, 2, moved}, {undo, 2, applied}, {undo, 1, before}};
    for (const auto& [keys, shown, bytes] : steps) {
        octest::press(Qt::Key_Z, keys);
        EXPECT_EQ(shown, open.dialog.record_number());
        EXPECT_SAME_BYTES(bytes, read_bytes("S.001"));
    }
    EXPECT_EQ(0, sink.beeps());
    octest::press(Qt::Key_Z, undo);  // nothing older
    EXPECT_EQ(1, sink.beeps());
    button(open.dialog, "saveButton")->click();  // its save changes nothing
    EXPECT_SAME_BYTES(before, read_bytes("S.001"));
    EXPECT_EQ(last_coded, quest.last_record_coded);
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(SameAnswersTest, NextUncodedSavesAndWrapsAndSaysWhenNoneIsLeft) {
    OpenDialog open(start_from(with_codes({{2, {1}}, {3, {1}}, {4, {1}}, {5, {1}}})), 6);
    ASSERT_TRUE(octest::activate(open.dialog));
    // The last: none left but the one shown, which stays.
    const std::pair<const char*, std::int32_t> moves[] = {{"", 7}, {"2", 1}, {"2", 6}, {"2", 6}};
    for (const auto& [codes, next] : moves) {
        type(QString::fromLatin1(codes));
        octest::press(Qt::Key_N, Qt::ControlModifier);
        EXPECT_EQ(next, open.dialog.record_number());
    }
    ASSERT_EQ(std::vector<int>{0}, sink.message_ids());
    EXPECT_EQ(QStringLiteral("Every other record of Q1 has codes."), sink.messages()[0].text);
    EXPECT_SAME_BYTES(with_codes({{1, {2}}, {2, {1}}, {3, {1}}, {4, {1}}, {5, {1}}, {6, {2}}, {7, {2}}}),
                      read_bytes("S.001"));
}

TEST_F(SameAnswersTest, FindMovesToAnswersHoldingEveryWordSavingFirstAndEscapeReturnsToTheCodes) {
    OpenDialog open(start_from(fresh));
    ASSERT_TRUE(octest::activate(open.dialog));
    type(QStringLiteral("4"));
    octest::press(Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(child(open.dialog, "findText"), QApplication::focusWidget());
    type(QStringLiteral("FRIENDLY"));
    // Return, F3 on from the start again, Shift+F3 back past the start.
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, std::int32_t> moves[] = {
        {Qt::Key_Return, {}, 3}, {Qt::Key_F3, {}, 6}, {Qt::Key_F3, {}, 3}, {Qt::Key_F3, Qt::ShiftModifier, 6}};
    for (const auto& [key, modifiers, shown] : moves) {
        octest::press(key, modifiers);
        EXPECT_EQ(shown, open.dialog.record_number());
    }
    EXPECT_SAME_BYTES(with_codes({{1, {4}}}), read_bytes("S.001"));
    child<QLineEdit>(open.dialog, "findText")->setText(QStringLiteral("driver slow"));
    octest::press(Qt::Key_F3);  // the shown answer only
    EXPECT_EQ(6, open.dialog.record_number());
    EXPECT_EQ(1, sink.beeps());
    octest::press(Qt::Key_Escape);
    EXPECT_TRUE(open.dialog.isVisible());
    EXPECT_FALSE(child(open.dialog, "findBar")->isVisible());
    EXPECT_EQ(box(open.dialog, 1), QApplication::focusWidget());
}

}  // namespace
}  // namespace codingtest

namespace codingtest {
namespace {

// The journal's lines without their time, user and host.
std::vector<std::string> journal_changes() {
    std::vector<std::string> changes;
    std::istringstream journal(read_bytes("S.jnl"));
    std::string line;
    std::getline(journal, line);  // the header
    while (std::getline(journal, line)) {
        std::size_t at = 0;
        for (int field = 0; field < 3; ++field) at = line.find(',', at) + 1;
        changes.push_back(line.substr(at, line.size() - at - 1));  // no CR
    }
    return changes;
}

TEST_F(SameAnswersTest, EverySaveApplyUndoAndRedoIsJournaled) {
    oc::quest_spec& quest = start_from(fresh);
    OpenDialog open(quest);
    ASSERT_TRUE(octest::activate(open.dialog));
    type(QStringLiteral("3"));
    octest::press(Qt::Key_Return);  // record 1 saved, record 2 shown: the same answer
    type(QStringLiteral("4"));
    sink.answer_next(box_answer::ok);  // record 1 holds other codes
    octest::press(Qt::Key_Return, Qt::ControlModifier);
    octest::press(Qt::Key_Z, Qt::ControlModifier);
    octest::press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    std::vector<std::string> expected = {"S.001,Q1,1,1,0,1,,3,dialog"};
    for (const char* how : {"all", "undo", "redo"})
        for (int r : {1, 2, 4, 5, 7}) {
            const std::string before = r == 1 ? "3" : "";
            const bool back = std::string(how) == "undo";
            expected.push_back("S.001,Q1," + std::to_string(r) + ",1,0,1," + (back ? "4" : before) + "," +
                               (back ? before : "4") + "," + how);
        }
    EXPECT_EQ(expected, journal_changes());
}

}  // namespace
}  // namespace codingtest
