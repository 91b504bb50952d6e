// CPrintOpenendsDlg: the print dialog of the open-end listing. The printer
// (the installed printers and a "PDF file" writer) and the copies, and
// "Print to Fi&le" with its output format: "ASC&II Format" saves the listing
// itself as a text file, "Printer &Dependent Format" writes the printer
// output (PDF) to a file. The two formats can be chosen only while print to
// file is ticked; ASCII Format is selected at first. "Pre&view..." accepts
// the dialog asking for the pages on screen first.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace oc_ui {

class CPrintOpenendsDlg : public QDialog {
    Q_OBJECT
public:
    enum output_format { ascii_format = 0, printer_format = 1 };

    explicit CPrintOpenendsDlg(QWidget* parent = nullptr);

    // Read after the dialog is accepted.
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
    QPushButton* preview_button_ = nullptr;
    bool preview_ = false;
};

}  // namespace oc_ui
