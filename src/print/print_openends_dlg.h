// The print dialog of the listing: printer and copies, and "Print to
// Fi&le" with a choice of plain text (ASCII) or printer output.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QRadioButton;
class QSpinBox;

namespace oc_ui {

class CPrintOpenendsDlg : public QDialog {
    Q_OBJECT
public:
    enum output_format { ascii_format = 0, printer_format = 1 };

    explicit CPrintOpenendsDlg(QWidget* parent = nullptr);
    bool print_to_file() const;
    output_format format() const;
    bool preview_requested() const { return preview_; }
    QString printer_name() const;  // empty: the PDF writer
    int copies() const;

private:
    void apply_enabling_rule();

    QComboBox* printer_ = nullptr;
    QSpinBox* copies_ = nullptr;
    QCheckBox* to_file_ = nullptr;
    QRadioButton* ascii_ = nullptr;
    QRadioButton* printer_format_ = nullptr;
    bool preview_ = false;
};

}  // namespace oc_ui
