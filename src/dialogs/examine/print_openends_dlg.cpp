#include "dialogs/examine/print_openends_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/frame/push_buttons.h"

namespace oc_ui {

CPrintOpenendsDlg::CPrintOpenendsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("printOpenendsDialog"));
    setWindowTitle(QStringLiteral("Print"));
    printer_ = new QComboBox(this);
    printer_->setObjectName(QStringLiteral("printerCombo"));
    for (const QString& name : QPrinterInfo::availablePrinterNames()) printer_->addItem(name, name);
    printer_->addItem(QStringLiteral("PDF file"), QString());
    int preferred = printer_->findData(QPrinterInfo::defaultPrinterName());
    printer_->setCurrentIndex(preferred >= 0 ? preferred : 0);
    copies_ = new QSpinBox(this);
    copies_->setObjectName(QStringLiteral("copiesSpin"));
    copies_->setRange(1, 999);

    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("printToFileGroup"));
    to_file_ = new QCheckBox(QStringLiteral("Print to Fi&le"), group);
    to_file_->setObjectName(QStringLiteral("printToFileCheck"));
    ascii_ = new QRadioButton(QStringLiteral("ASC&II Format"), group);
    ascii_->setObjectName(QStringLiteral("asciiRadio"));
    ascii_->setChecked(true);
    printer_format_ = new QRadioButton(QStringLiteral("Printer &Dependent Format"), group);
    printer_format_->setObjectName(QStringLiteral("printerFormatRadio"));
    auto* formats = new QVBoxLayout;
    formats->addWidget(ascii_);
    formats->addWidget(printer_format_);
    auto* group_layout = new QHBoxLayout(group);
    group_layout->addWidget(to_file_, 0, Qt::AlignTop);
    group_layout->addLayout(formats);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Printer:"), printer_);
    form->addRow(QStringLiteral("&Copies:"), copies_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("dialogButtons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    // Long listings are checked on screen before paper is spent.
    preview_button_ = buttons->addButton(QStringLiteral("Pre&view..."), QDialogButtonBox::ActionRole);
    preview_button_->setObjectName(QStringLiteral("previewButton"));
    adopt_push_buttons(*buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(group);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(preview_button_, &QPushButton::clicked, this, [this] {
        preview_ = true;
        accept();
    });
    connect(to_file_, &QCheckBox::toggled, this, &CPrintOpenendsDlg::apply_enabling_rule);
    connect(ascii_, &QRadioButton::toggled, this, &CPrintOpenendsDlg::apply_enabling_rule);
    apply_enabling_rule();
}

// The format is chosen only while printing to a file; it keeps its value
// while disabled. A plain-text copy has no pages to preview.
void CPrintOpenendsDlg::apply_enabling_rule() {
    const bool on = to_file_->isChecked();
    ascii_->setEnabled(on);
    printer_format_->setEnabled(on);
    preview_button_->setEnabled(!(on && ascii_->isChecked()));
}

bool CPrintOpenendsDlg::print_to_file() const { return to_file_->isChecked(); }
CPrintOpenendsDlg::output_format CPrintOpenendsDlg::format() const {
    return printer_format_->isChecked() ? printer_format : ascii_format;
}
QString CPrintOpenendsDlg::printer_name() const { return printer_->currentData().toString(); }
int CPrintOpenendsDlg::copies() const { return copies_->value(); }

}  // namespace oc_ui
