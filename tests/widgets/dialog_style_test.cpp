// The dialogs' look of the keyboard focus: the button Return will press and
// the row the arrow keys move are told apart from the default button and
// the selected row, in Qt's own style.
#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <algorithm>

#include "dialogs/coding/select_respondent_dlg.h"
#include "ui/frame/report_list.h"
#include "keys.h"
#include "engines/texts/string_table.h"

namespace {

QImage picture(QWidget& widget) { return widget.grab().toImage(); }

TEST(DialogStyle, TheFocusedButtonLooksUnlikeTheDefaultOne) {
    oc_ui::CSelectRespondentDlg dialog({7, 8});
    dialog.show();
    ASSERT_TRUE(octest::activate(dialog));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
    const QImage default_only = picture(*ok);  // the focus is in the list
    ASSERT_TRUE(octest::tab_to(ok));
    EXPECT_NE(default_only, picture(*ok));
    ASSERT_TRUE(octest::tab_to(dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))));
    EXPECT_NE(default_only, picture(*ok));  // Return is Cancel's now
}

// Pixels of `row`'s first column in `view`.
QList<QRgb> row_pixels(const QImage& view, const QTreeWidget& list, int row) {
    QRect band = list.visualItemRect(list.topLevelItem(row));
    band.setWidth(list.columnWidth(0));
    QList<QRgb> pixels;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x <= band.right(); ++x) pixels.append(view.pixel(x, y));
    return pixels;
}

qsizetype count_gray(const QList<QRgb>& pixels, int low, int high) {
    return std::count_if(pixels.begin(), pixels.end(), [&](QRgb p) { return qGray(p) >= low && qGray(p) <= high; });
}

TEST(DialogStyle, TheFocusedRowIsFramedAndStandsOutFromTheSelection) {
    QDialog dialog;
    QTreeWidget* list = oc_ui::make_report_list(&dialog, QStringLiteral("list"), QSize(200, 120));
    oc_ui::set_report_columns(*list, {{oc::IDS_CODER_FILES, Qt::AlignLeft}});
    for (int row = 0; row < 2; ++row) oc_ui::add_report_row(*list, {QString()});
    list->setColumnWidth(0, 150);
    oc_ui::select_report_row(*list, 0);
    dialog.show();
    ASSERT_TRUE(octest::activate(dialog));
    ASSERT_EQ(list, QApplication::focusWidget());

    // On the selected row: a light frame on the selection's colour.
    EXPECT_GT(count_gray(row_pixels(picture(*list->viewport()), *list, 0), 200, 255), 0);

    octest::press(Qt::Key_Space, Qt::ControlModifier);  // unselects; the focus stays
    ASSERT_EQ(0, list->currentIndex().row());
    ASSERT_FALSE(list->topLevelItem(0)->isSelected());
    const QImage view = picture(*list->viewport());
    const QList<QRgb> focused = row_pixels(view, *list, 0), plain = row_pixels(view, *list, 1);
    EXPECT_GT(count_gray(focused, 0, 95), 0);  // a dark frame on a light row
    EXPECT_EQ(0, count_gray(plain, 0, 95));
    EXPECT_EQ(plain[plain.size() / 2], focused[focused.size() / 2]);  // a frame, not a fill
}

}  // namespace
