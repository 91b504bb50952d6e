// Coding by groups of equal answers: the group list, a group coded by
// keyboard from the question dialog to the bytes of the coder file, and the
// review of one code's records. Undo and redo are coding_history's, tested
// in the core and through the coding dialog.
#include <QComboBox>
#include <QLabel>
#include <QTreeWidget>

#include "coding_fixture.h"
#include "dialogs/coding/group_view_dlg.h"
#include "dialogs/coding/select_qname_to_code_dlg.h"
#include "engines/groups/code_writes.h"

namespace codingtest {
namespace {

// Q1 of respondents 1..7: "price" four times as written differently (records
// 1, 2, 4, 7), "taste" twice (3, 5), "Other" once (6).
class GroupViewTest : public ::testing::Test {
protected:
    static constexpr const char* kQ1Line = "      Q1         7 0    4  4         0";

    void SetUp() override {
        octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\n",
                               "respondent,sequence,complete,Q1\r\n1,1,1,Price\r\n2,1,1,price.\r\n3,1,1,Taste\r\n"
                               "4,1,1,PRICE!\r\n5,1,1,taste !\r\n6,1,1,Other\r\n7,1,1,price\r\n");
        ASSERT_FALSE(HasFatalFailure());
        octest::extract_s001({{"Q1", 0, 4, 4}});
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(oc::load_coder_questions("S.001", file));
    }

    // Codes written as an earlier coding session would have.
    void precode(std::vector<oc::record_codes> writes) {
        oc::cursor_ptr cursor(oc::open_coder_cursor("S.001", "Q1"));
        std::vector<oc::record_codes> before;
        ASSERT_FALSE(oc::write_codes(*cursor, file.questions[0], std::move(writes), before));
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
    oc::loaded_coder_file file;
};

struct OpenView {
    explicit OpenView(oc::quest_spec& quest)
        : cursor(oc::open_coder_cursor("S.001", quest.name)), view(*cursor, quest, {"S.001", "S"}) {
        view.show();
    }
    oc::cursor_ptr cursor;
    oc_ui::CGroupViewDlg view;
};

QTreeWidget* list(QWidget& dialog, const char* name) { return child<QTreeWidget>(dialog, name); }
QStringList row(QTreeWidget* tree, int n) {
    QStringList texts;
    for (int c = 0; c < tree->columnCount(); ++c) texts.append(tree->topLevelItem(n)->text(c));
    return texts;
}
int current_row(QWidget& view) {
    QTreeWidget* groups = list(view, "groupList");
    return groups->indexOfTopLevelItem(groups->currentItem());
}
void type_codes(QWidget& dialog, const QString& codes) {
    box(dialog, 1)->setFocus();
    box(dialog, 1)->selectAll();
    QTest::keyClicks(box(dialog, 1), codes);
}
std::string line_of(int respondent, const std::string& text, std::vector<int> codes = {}) {
    return q1_record(respondent, 1, text, std::move(codes));
}

TEST_F(GroupViewTest, GroupsAreListedByCountWithTheirCodingStatusInWords) {
    precode({{1, {5}}, {3, {7}}, {5, {7}}});
    OpenView open(file.questions[0]);
    QTreeWidget* groups = list(open.view, "groupList");
    ASSERT_EQ(3, groups->topLevelItemCount());
    EXPECT_EQ((QStringList{"4", "partly coded", "Price"}), row(groups, 0));
    EXPECT_EQ((QStringList{"2", "coded", "Taste"}), row(groups, 1));
    EXPECT_EQ((QStringList{"1", "not coded", "Other"}), row(groups, 2));
    EXPECT_EQ(QStringLiteral("Groups coded: 1 of 3    Records coded: 3 of 7"),
              child<QLabel>(open.view, "groupProgress")->text());
    EXPECT_EQ(QStringLiteral("5"), box(open.view, 1)->text());  // the codes its coded records share
    groups->setCurrentItem(groups->topLevelItem(2));
    EXPECT_EQ(QString(), box(open.view, 1)->text());
}

TEST_F(GroupViewTest, AGroupCodedByKeyboardWritesItsRecordsAndAsksBeforeReplacingOtherCodes) {
    precode({{4, {5}}, {3, {7}}});  // record 4 already as the group will be, 3 otherwise
    const std::string before = read_bytes("S.001");
    std::string after_price;
    sink.drive_next([&](QDialog& view) {
        ASSERT_TRUE(octest::activate(view));
        EXPECT_EQ(box(view, 1), QApplication::focusWidget());
        QTest::keyClicks(box(view, 1), QStringLiteral("5x"));  // the letter is refused
        octest::press(Qt::Key_Return);
        after_price = read_bytes("S.001");
        EXPECT_EQ(1, current_row(view));  // on to "taste"
        type_codes(view, QStringLiteral("9"));
        sink.answer_next(oc_ui::box_answer::cancel);
        octest::press(Qt::Key_Return);
        EXPECT_SAME_BYTES(after_price, read_bytes("S.001"));
        EXPECT_EQ(1, current_row(view));
        octest::press(Qt::Key_Return);  // this time OK
        EXPECT_EQ(QStringLiteral("Groups coded: 2 of 3    Records coded: 6 of 7"),
                  child<QLabel>(view, "groupProgress")->text());
        octest::press(Qt::Key_Escape);
    });
    oc_ui::CSelectQNameToCodeDlg questions(QStringLiteral("S.001"), "S", file);
    questions.show();
    button(questions, "groupsButton")->click();

    EXPECT_EQ(1, sink.beeps());
    ASSERT_EQ(2u, sink.messages().size());  // both times for "taste", never for "price"
    EXPECT_TRUE(sink.messages()[0].text.startsWith("1 of the 2 records of this answer already hold other codes; "
                                                   "respondent 3, for example, has 7."))
        << sink.messages()[0].text.toStdString();
    std::string expected = before;
    for (auto [respondent, text] : {std::pair{1, "Price"}, {2, "price."}, {7, "price"}})
        expected = replaced(expected, line_of(respondent, text), line_of(respondent, text, {5}));
    EXPECT_SAME_BYTES(expected, after_price);
    expected = replaced(expected, line_of(3, "Taste", {7}), line_of(3, "Taste", {9}));
    expected = replaced(expected, line_of(5, "taste !"), line_of(5, "taste !", {9}));
    expected = replaced(expected, kQ1Line, "      Q1         7 0    4  4         7");
    EXPECT_SAME_BYTES(with_status(expected, 2), read_bytes("S.001"));  // line 2 and trailer after closing
}

TEST_F(GroupViewTest, ReviewByCodeListsTheCodesRecordsAndOpensOneToRecode) {
    write_bytes("S.cfr", "question,code,label,net\r\nQ1,5,Price,\r\n");
    precode({{1, {5, 12}}, {3, {12}}, {6, {5}}});
    sink.drive_next([](QDialog& review) {
        auto* codes = child<QComboBox>(review, "reviewCode");
        ASSERT_EQ(2, codes->count());
        EXPECT_EQ(QStringLiteral("5  Price"), codes->itemText(0));
        EXPECT_EQ(QStringLiteral("12"), codes->itemText(1));
        QTreeWidget* records = list(review, "reviewList");
        ASSERT_EQ(2, records->topLevelItemCount());
        EXPECT_EQ((QStringList{"1", "Price", "5, 12"}), row(records, 0));
        EXPECT_EQ((QStringList{"6", "Other", "5"}), row(records, 1));
        records->setCurrentItem(records->topLevelItem(1));
        button(review, "openButton")->click();
        ASSERT_EQ(1, records->topLevelItemCount());  // record 6 no longer has 5
        EXPECT_EQ(QStringLiteral("1"), records->topLevelItem(0)->text(0));
        codes->setCurrentIndex(1);
        EXPECT_EQ(3, records->topLevelItemCount());
        review.reject();
    });
    sink.drive_next([](QDialog& coding) {
        EXPECT_EQ(6, static_cast<oc_ui::CCodingResponseDlg&>(coding).record_number());
        box(coding, 1)->setText(QStringLiteral("12"));
        button(coding, "saveButton")->click();
    });
    const std::string before = read_bytes("S.001");
    OpenView open(file.questions[0]);
    button(open.view, "reviewButton")->click();
    EXPECT_EQ((std::vector<QString>{"reviewByCodeDialog", "codingResponseDialog"}), sink.dialogs());
    EXPECT_SAME_BYTES(replaced(before, line_of(6, "Other", {5}), line_of(6, "Other", {12})), read_bytes("S.001"));
    EXPECT_EQ(QStringLiteral("coded"), list(open.view, "groupList")->topLevelItem(2)->text(1));
}

}  // namespace
}  // namespace codingtest
