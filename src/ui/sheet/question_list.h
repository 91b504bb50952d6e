// The catalogue's questions as the questions page and the code filter page
// list them: a mark image, the name and the type, in catalogue order.
#pragma once

#include <QIcon>
#include <QList>
#include <QRect>
#include <QStringList>

class QTreeWidget;
class QWidget;

namespace oc_ui {

// Questions shown without scrolling; with more, the columns leave room for
// the vertical scroll bar.
inline constexpr int kVisibleQuestions = 7;

struct question_column_widths {
    int name = 0;
    int type = 0;
};

// From the list's outer width W (less `scroll_bar` when there are more than
// seven questions): half = (W - 2) / 2; the name column takes half plus the
// image width, the type column half less the image width less 2.
question_column_widths compute_question_column_widths(int list_width, int questions, int scroll_bar,
                                                      int image_width);

// A report list named `object_name`, `width` pixels wide, in the suite's
// default font, filled with one row per question (each with `mark`) and
// exactly tall enough for seven rows. Fills under the wait cursor.
QTreeWidget* make_question_list(QWidget* parent, const QString& object_name, int width, const QStringList& names,
                                const QList<quint16>& types, const QIcon& mark);

// Sets the column widths of a list made by make_question_list.
void set_question_column_widths(QTreeWidget& list);

// Where row `row`'s mark image is drawn, in viewport coordinates; empty when
// the row does not exist.
QRect question_mark_rect(const QTreeWidget& list, int row);

}  // namespace oc_ui
