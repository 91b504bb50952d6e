// The code filter page: the action rule, the fields' bounds and the order
// of validating, storing and loading when the user moves between questions.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "ui/sheet/qcode_filter_page.h"
#include "prepare_test_support.h"
#include "recording_sink.h"
#include "ui/images/status_images.h"

namespace {

using namespace preptest;
using oc_ui::CQCodeFilterPage;

class CodeFilterPageTest : public ::testing::Test {
protected:
    CodeFilterPageTest() : page(kNames, kTypes) {
        page.show();
        page.OnInitDialog();
        list = child<QTreeWidget>(page, "questionList");
        action = child<QComboBox>(page, "actionCombo");
        codes = child<QLineEdit>(page, "numberOfCodesEdit");
        width = child<QLineEdit>(page, "codeWidthEdit");
    }

    void fill(int action_index, const char* number_of_codes, const char* code_width) {
        action->setCurrentIndex(action_index);
        codes->setText(QLatin1String(number_of_codes));
        width->setText(QLatin1String(code_width));
    }

    void select(int row) {
        list->setCurrentItem(list->topLevelItem(row));
        settle();
    }

    QString last_text() const { return sink.messages().empty() ? QString() : sink.messages().back().text; }

    octest::recording_sink sink;
    CQCodeFilterPage page;
    QTreeWidget* list = nullptr;
    QComboBox* action = nullptr;
    QLineEdit* codes = nullptr;
    QLineEdit* width = nullptr;
};

TEST_F(CodeFilterPageTest, StartsAtNotCodedWithTheFieldsHidden) {
    ASSERT_EQ(3, page.specs().size());
    for (const oc::CQCodeSpec& spec : page.specs()) {
        EXPECT_EQ(0, spec.action);
        EXPECT_EQ(0, spec.num_codes);
        EXPECT_EQ(0, spec.code_width);
    }
    EXPECT_FALSE(page.any_action());
    EXPECT_EQ(0, page.current_question());
    EXPECT_EQ(list->topLevelItem(0), list->currentItem());
    EXPECT_EQ(QStringLiteral("Q1"), child<QLabel>(page, "questionNameLabel")->text());
    EXPECT_EQ((QStringList{"Not Coded", "Replace", "Append"}),
              (QStringList{action->itemText(0), action->itemText(1), action->itemText(2)}));
    EXPECT_EQ(list, page.focusWidget());
}

TEST_F(CodeFilterPageTest, ActionRuleShowsEnablesAndMarksAtOnce) {
    struct {
        int action;
        bool codes_shown;
        bool width_shown;
        oc_ui::action_mark mark;
    } cases[] = {{2, true, true, oc_ui::action_mark::append},
                 {1, false, true, oc_ui::action_mark::replace},
                 {0, false, false, oc_ui::action_mark::none_yet}};
    for (const auto& c : cases) {
        action->setCurrentIndex(c.action);
        EXPECT_EQ(c.codes_shown, codes->isVisible()) << c.action;
        EXPECT_EQ(c.codes_shown, codes->isEnabled()) << c.action;
        EXPECT_EQ(c.codes_shown, child<QLabel>(page, "numberOfCodesLabel")->isVisible()) << c.action;
        EXPECT_EQ(c.width_shown, width->isVisible()) << c.action;
        EXPECT_EQ(c.width_shown, width->isEnabled()) << c.action;
        EXPECT_EQ(c.width_shown, child<QLabel>(page, "codeWidthLabel")->isVisible()) << c.action;
        EXPECT_TRUE(action->isEnabled());
        // The spec and the mark follow before anything is validated.
        EXPECT_EQ(c.action, page.specs()[0].action);
        EXPECT_TRUE(same_image(oc_ui::action_icon(c.mark), list->topLevelItem(0)->icon(0))) << c.action;
    }
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(CodeFilterPageTest, RefusedFieldKeepsTheQuestionTheInputAndTheFocus) {
    struct {
        const char* codes;
        const char* width;
        QLineEdit* focused;
        const char* refusal;
    } cases[] = {
        {"3", "5", width, "Please enter an integer between 1 and 4."},
        {"31", "2", codes, "Please enter an integer between 1 and 30."},
        {"0", "2", codes, "Please enter an integer between 1 and 30."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codes);
        const std::size_t before = sink.messages().size();
        fill(2, c.codes, c.width);
        select(2);
        EXPECT_EQ(0, page.current_question());
        EXPECT_EQ(list->topLevelItem(0), list->currentItem());
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        EXPECT_FALSE(list->topLevelItem(2)->isSelected());
        EXPECT_EQ(QLatin1String(c.width), width->text());
        EXPECT_EQ(QLatin1String(c.codes), codes->text());
        EXPECT_EQ(c.focused, page.focusWidget());
        ASSERT_EQ(before + 1, sink.messages().size());
        EXPECT_EQ(QLatin1String(c.refusal), last_text());
        EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages().back().style);
        // The mark changed with the action although the fields were refused.
        EXPECT_TRUE(same_image(oc_ui::action_icon(oc_ui::action_mark::append), list->topLevelItem(0)->icon(0)));
        EXPECT_EQ(oc::action_append, page.specs()[0].action);
        if (c.focused == width) EXPECT_EQ(0, page.specs()[0].code_width);
    }

    // Corrected, the move goes through: Q1 stored, Q3 loaded.
    fill(2, "3", "4");
    select(2);
    EXPECT_EQ(2, page.current_question());
    EXPECT_EQ(QStringLiteral("Q3"), child<QLabel>(page, "questionNameLabel")->text());
    EXPECT_EQ(0, action->currentIndex());
    EXPECT_EQ(QStringLiteral("0"), width->text());
    EXPECT_EQ(2, page.specs()[0].action);
    EXPECT_EQ(3, page.specs()[0].num_codes);
    EXPECT_EQ(4, page.specs()[0].code_width);
    EXPECT_EQ(3u, sink.messages().size());

    // Back on Q1 its values are shown again.
    select(0);
    EXPECT_EQ(2, action->currentIndex());
    EXPECT_EQ(QStringLiteral("3"), codes->text());
    EXPECT_EQ(QStringLiteral("4"), width->text());
}

TEST_F(CodeFilterPageTest, AppendNumberOfCodesAndWidthAtTheirLimits) {
    struct {
        const char* codes;
        const char* width;
        const char* refusal;  // "" when accepted
    } cases[] = {
        {"0", "2", "Please enter an integer between 1 and 30."},
        {"1", "2", ""},
        {"30", "2", ""},
        {"31", "2", "Please enter an integer between 1 and 30."},
        {"3", "0", "Please enter an integer between 1 and 4."},
        {"3", "1", ""},
        {"3", "4", ""},
        {"3", "5", "Please enter an integer between 1 and 4."},
        // The width is checked first.
        {"31", "5", "Please enter an integer between 1 and 4."},
        {"x", "2", "Please enter an integer."},
        {"3", "", "Please enter an integer."},
    };
    for (const auto& c : cases) {
        const std::size_t before = sink.messages().size();
        fill(2, c.codes, c.width);
        const bool accepted = page.OnKillActive();
        EXPECT_EQ(*c.refusal == 0, accepted) << c.codes << " / " << c.width;
        if (accepted) {
            EXPECT_EQ(before, sink.messages().size());
            EXPECT_EQ(std::atoi(c.codes), page.specs()[0].num_codes);
            EXPECT_EQ(std::atoi(c.width), page.specs()[0].code_width);
        } else {
            EXPECT_EQ(QString::fromLatin1(c.refusal), last_text()) << c.codes << " / " << c.width;
        }
    }
}

TEST_F(CodeFilterPageTest, TypeZeroReplaceTakesWidthOneOnly) {
    select(1);  // Q2, type 0
    ASSERT_EQ(1, page.current_question());
    struct {
        int action;
        const char* width;
        bool accepted;
    } cases[] = {{1, "0", false}, {1, "1", true}, {1, "2", false}, {2, "4", true}, {2, "5", false}};
    for (const auto& c : cases) {
        fill(c.action, "1", c.width);
        EXPECT_EQ(c.accepted, page.OnKillActive()) << c.action << " width " << c.width;
        if (c.action == 1 && !c.accepted) {
            EXPECT_EQ(QStringLiteral("Please enter an integer between 1 and 1."), last_text());
        }
    }
    // An open end set to Replace takes up to 4.
    fill(1, "1", "1");
    ASSERT_TRUE(page.OnKillActive());
    select(2);
    fill(1, "0", "4");
    EXPECT_TRUE(page.OnKillActive());
    fill(1, "0", "5");
    EXPECT_FALSE(page.OnKillActive());
}

TEST_F(CodeFilterPageTest, UncheckedFieldsAreStillParsedAndStoredInEightBits) {
    struct {
        int action;
        const char* codes;
        const char* width;
        bool accepted;
        int stored_codes;
        int stored_width;
    } cases[] = {
        {1, "99", "3", true, 99, 3},     // Replace never bounds the number of codes
        {1, "300", "3", true, 44, 3},    // stored in 8 bits
        {0, "0", "300", true, 0, 44},    // Not Coded bounds nothing
        {0, "-1", "0", true, 255, 0},
        {0, "abc", "0", false, 0, 0},    // hidden, yet it must be a number
        {1, "1.5", "2", false, 0, 0},
    };
    for (const auto& c : cases) {
        fill(c.action, c.codes, c.width);
        EXPECT_EQ(c.accepted, page.OnKillActive()) << c.codes << " / " << c.width;
        if (c.accepted) {
            EXPECT_EQ(c.stored_codes, page.specs()[0].num_codes) << c.codes;
            EXPECT_EQ(c.stored_width, page.specs()[0].code_width) << c.width;
        } else {
            EXPECT_EQ(QStringLiteral("Please enter an integer."), last_text());
        }
    }
}

TEST_F(CodeFilterPageTest, KeyboardMovesFollowTheSameProtocol) {
    fill(1, "0", "2");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    settle();
    EXPECT_EQ(1, page.current_question());
    EXPECT_EQ(2, page.specs()[0].code_width);

    fill(1, "0", "2");  // too wide for Q2, a type-0 question
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    settle();
    EXPECT_EQ(1, page.current_question());
    EXPECT_EQ(list->topLevelItem(1), list->currentItem());
    EXPECT_EQ(width, page.focusWidget());
    EXPECT_EQ(QStringLiteral("Please enter an integer between 1 and 1."), last_text());

    width->setText(QStringLiteral("1"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    settle();
    EXPECT_EQ(2, page.current_question());
    EXPECT_EQ(1, page.specs()[1].code_width);
}

TEST_F(CodeFilterPageTest, LeavingThePageStoresTheQuestionShown) {
    select(2);
    fill(2, "7", "3");
    ASSERT_TRUE(page.OnKillActive());
    EXPECT_EQ(2, page.specs()[2].action);
    EXPECT_EQ(7, page.specs()[2].num_codes);
    EXPECT_EQ(3, page.specs()[2].code_width);
    EXPECT_TRUE(page.any_action());

    // A move still waiting when the page is left is settled first.
    fill(1, "0", "2");
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_TRUE(page.OnKillActive());
    EXPECT_EQ(0, page.current_question());
    EXPECT_EQ(1, page.specs()[2].action);
    EXPECT_EQ(2, page.specs()[2].code_width);
    settle();
    EXPECT_EQ(0, page.current_question());
}

}  // namespace
