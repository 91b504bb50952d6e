// The examine sheet's questions page: what ticks a question.
#include <QTreeWidget>

#include "ui/sheet/questions_filter_page.h"
#include "recording_sink.h"
#include "ui/images/status_images.h"
#include "ui.h"

namespace {

using octest::child;
using octest::settle;

class QuestionsPage : public ::testing::Test {
protected:
    QuestionsPage() { page.show(); }
    void click(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(list->viewport(), button, Qt::NoModifier, at);
        settle();
    }
    bool ticked(int row) const {
        const bool shown = octest::same_image(oc_ui::selection_icon(true), list->topLevelItem(row)->icon(0));
        EXPECT_EQ(page.selected()[row] != 0, shown) << row;
        return shown;
    }

    octest::recording_sink sink;
    oc_ui::CQuestionsFilterPage page{{"Q1", "Q2", "Q3"}, {7, 0, 7}};
    QTreeWidget* list = child<QTreeWidget>(page, "questionList");
};

TEST_F(QuestionsPage, OnlyTheMarkTheSpaceKeyOrADoubleClickTick) {
    const QRect mark = page.mark_rect(1);
    ASSERT_FALSE(mark.isEmpty());
    click(QPoint(list->columnWidth(0) + 10, mark.center().y()));  // the type column
    click(mark.center(), Qt::RightButton);
    EXPECT_EQ(list->topLevelItem(1), list->currentItem());
    for (int row = 0; row < 3; ++row) EXPECT_FALSE(ticked(row));
    click(mark.center());
    EXPECT_TRUE(ticked(1));
    click(mark.center());
    EXPECT_FALSE(ticked(1));

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_TRUE(ticked(2));
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_FALSE(ticked(2));

    // Through the window system, as a real double click comes: press,
    // release, press (made a double click), release; one tick each.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    const QPoint at = list->viewport()->mapTo(&page, mark.center());
    QTest::mouseDClick(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    settle();
    EXPECT_TRUE(ticked(1));
    QTest::mouseDClick(page.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    settle();
    EXPECT_FALSE(ticked(1));
    EXPECT_FALSE(ticked(0));
}

}  // namespace
