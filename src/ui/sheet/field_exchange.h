// Reading numbers and texts out of a page's edits the way the pages validate
// them: a field that does not hold what it must is refused with a message in
// the framework's manner (exclamation icon) and gets the focus with its text
// kept and selected, so the user can correct it at once.
#pragma once

#include <QString>
#include <cstdint>

class QLabel;
class QLineEdit;
class QWidget;

namespace oc_ui {

// Texts of the refusals.
QString integer_message();                                  // "Please enter an integer."
QString integer_range_message(std::int64_t low, std::int64_t high);  // "... between 1 and 4."

// Parses `text` as a whole number in [type_min, type_max]: optional spaces,
// an optional sign, decimal digits, optional spaces. False when it is none.
bool parse_whole_number(const QString& text, std::int64_t type_min, std::int64_t type_max, std::int64_t& value);

// The number in `field` for a value of [type_min, type_max]; shows
// integer_message and focuses the field when there is none.
bool exchange_number(QLineEdit& field, std::int64_t type_min, std::int64_t type_max, std::int64_t& value);

// True when `value` lies in [low, high]; otherwise shows the range message
// and focuses `field`.
bool validate_range(QLineEdit& field, std::int64_t value, std::int64_t low, std::int64_t high);

// A label named `name` for `buddy` (none when null), as the pages lay them out.
QLabel* make_label(QWidget* parent, const char* name, const QString& text, QWidget* buddy);
// Hidden fields keep their place, so the visible ones never move.
void keep_place_when_hidden(QWidget* widget);

// Shows `message` as a refusal and puts the focus into `field`.
void refuse_field(QLineEdit& field, const QString& message);

}  // namespace oc_ui
