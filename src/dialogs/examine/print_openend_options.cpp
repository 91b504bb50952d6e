#include "dialogs/examine/print_openend_options.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/frame/push_buttons.h"

namespace oc_ui {

namespace {
QCheckBox* check(QWidget* parent, const char* text, const char* name, bool on) {
    auto* box = new QCheckBox(QLatin1String(text), parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(on);
    return box;
}
}  // namespace

CPrintOpenendOptions::CPrintOpenendOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("printOpenendOptions"));
    setWindowTitle(QStringLiteral("Print Openend Options"));
    one_line_ = check(this, "One line per response", "oneLineCheck", true);
    respondent_ = check(this, "Include respondent number", "respondentCheck", true);
    numbers_ = check(this, "Include sequence, roster, and list numbers", "numbersCheck", true);
    strip_ = check(this, "Strip numeric before OTH responses", "stripCheck", false);
    labels_ = check(this, "Include stored codes and their &labels", "codeLabelsCheck", false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("dialogButtons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    adopt_push_buttons(*buttons);
    auto* layout = new QVBoxLayout(this);
    for (QCheckBox* box : {one_line_, respondent_, numbers_, strip_, labels_}) layout->addWidget(box);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

oc::listing_options CPrintOpenendOptions::options() const {
    return {one_line_->isChecked(), respondent_->isChecked(), numbers_->isChecked(), strip_->isChecked(),
            labels_->isChecked()};
}

}  // namespace oc_ui
