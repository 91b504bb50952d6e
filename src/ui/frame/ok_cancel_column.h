// The OK and Cancel buttons stacked at a picking dialog's right: OK is the
// default button and calls the dialog's accept(), Cancel rejects.
#pragma once

class QDialog;
class QVBoxLayout;

namespace oc_ui {

QVBoxLayout* make_ok_cancel_column(QDialog& dialog);

}  // namespace oc_ui
