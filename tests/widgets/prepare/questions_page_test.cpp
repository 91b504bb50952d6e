// The examine command's questions page: ticking by the mark only, the
// refusal to be left with nothing ticked, and the column widths.
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include "ui/frame/report_list.h"
#include "ui/sheet/question_list.h"
#include "ui/sheet/questions_filter_page.h"
#include "prepare_test_support.h"
#include "recording_sink.h"
#include "ui/images/status_images.h"

namespace {

using namespace preptest;
using oc_ui::CQuestionsFilterPage;

class QuestionsPageTest : public ::testing::Test {
protected:
    QuestionsPageTest() : page(kNames, kTypes) {
        page.show();
        list = child<QTreeWidget>(page, "questionList");
    }

    void click(QPoint at) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        settle();
    }

    bool ticked(int row) const { return page.selected()[row] != 0; }
    bool shows_tick(int row) const {
        return same_image(oc_ui::selection_icon(true), list->topLevelItem(row)->icon(0));
    }

    octest::recording_sink sink;
    CQuestionsFilterPage page;
    QTreeWidget* list = nullptr;
};

TEST_F(QuestionsPageTest, OnlyAClickOnTheMarkTicks) {
    ASSERT_EQ(3, page.selected().size());
    EXPECT_EQ(QStringLiteral("Q2"), list->topLevelItem(1)->text(0));
    EXPECT_FALSE(list->topLevelItem(1)->text(1).isEmpty());
    const QRect mark = page.mark_rect(1);
    ASSERT_FALSE(mark.isEmpty());
    const QRect row = list->visualItemRect(list->topLevelItem(1));

    // The name, the type column, and selecting by the keyboard change nothing.
    click(QPoint(list->columnWidth(0) - 4, row.center().y()));
    click(QPoint(list->columnWidth(0) + 10, row.center().y()));
    EXPECT_EQ(list->topLevelItem(1), list->currentItem());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Up);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(ticked(i)) << i;

    click(mark.center());
    EXPECT_TRUE(ticked(1));
    EXPECT_TRUE(shows_tick(1));
    EXPECT_FALSE(ticked(0));
    click(mark.center());
    EXPECT_FALSE(ticked(1));
    EXPECT_FALSE(shows_tick(1));

    // Right-clicking the mark is no tick either.
    QTest::mouseClick(list->viewport(), Qt::RightButton, Qt::NoModifier, mark.center());
    EXPECT_FALSE(ticked(1));
}

TEST_F(QuestionsPageTest, ADoubleClickOnTheMarkTicksOnce) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    // Through the window system, as a real double click comes: press,
    // release, press (made a double click), release.
    const QPoint at = list->viewport()->mapTo(&page, page.mark_rect(1).center());
    QTest::mouseDClick(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    settle();
    EXPECT_TRUE(ticked(1));
    EXPECT_TRUE(shows_tick(1));
    QTest::mouseDClick(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    settle();
    EXPECT_FALSE(ticked(1));
}

TEST_F(QuestionsPageTest, SpaceTicksTheCurrentQuestion) {
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(2));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(ticked(2));
    EXPECT_TRUE(shows_tick(2));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_FALSE(ticked(2));
}

TEST_F(QuestionsPageTest, CannotBeLeftWithNothingTicked) {
    EXPECT_FALSE(page.OnKillActive());
    EXPECT_EQ(1, sink.beeps());
    page.toggle(0);
    page.toggle(2);
    page.toggle(0);
    EXPECT_TRUE(page.OnKillActive());
    EXPECT_EQ(1, sink.beeps());
    EXPECT_EQ((QVector<quint16>{0, 0, 1}), page.selected());
    page.toggle(7);  // no such question: nothing
    EXPECT_EQ((QVector<quint16>{0, 0, 1}), page.selected());
    EXPECT_TRUE(sink.messages().empty());

    CQuestionsFilterPage empty({}, {});
    EXPECT_FALSE(empty.OnKillActive());
    EXPECT_EQ(2, sink.beeps());
}

TEST(QuestionColumnWidths, HalvesWithTheImageAndTheScrollBarPastSevenQuestions) {
    struct {
        int width, questions, scroll_bar, image;
        int name, type;
    } cases[] = {
        {300, 7, 17, 16, 165, 131},  // (300 - 2) / 2 = 149
        {300, 8, 17, 16, 156, 122},  // (283 - 2) / 2 = 140, truncated
        {301, 6, 17, 16, 165, 131},
        {1, 1, 17, 16, 16, -18},     // (1 - 2) / 2 truncates toward zero
    };
    for (const auto& c : cases) {
        const auto widths = oc_ui::compute_question_column_widths(c.width, c.questions, c.scroll_bar, c.image);
        EXPECT_EQ(c.name, widths.name) << c.width << " " << c.questions;
        EXPECT_EQ(c.type, widths.type) << c.width << " " << c.questions;
    }
}

TEST(QuestionColumnWidths, ListShowsSevenQuestionsAndMakesRoomForTheScrollBar) {
    for (int count : {6, 7, 8}) {
        QStringList names;
        QList<quint16> types;
        for (int i = 0; i < count; ++i) {
            names << QStringLiteral("Q%1").arg(i + 1);
            types << 7;
        }
        CQuestionsFilterPage page(names, types);
        page.show();
        settle();
        auto* list = child<QTreeWidget>(page, "questionList");
        const auto expected = oc_ui::compute_question_column_widths(list->width(), count,
                                                                    oc_ui::scroll_bar_width(*list), 16);
        EXPECT_EQ(expected.name, list->columnWidth(0)) << count;
        EXPECT_EQ(expected.type, list->columnWidth(1)) << count;
        EXPECT_EQ(count > 7, list->verticalScrollBar()->isVisible()) << count;
        EXPECT_FALSE(list->horizontalScrollBar()->isVisible()) << count;
    }
}

}  // namespace
