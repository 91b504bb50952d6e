#include "prepare/examine_prop_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "frame/messages.h"
#include "prepare/property_page.h"
#include "prepare/qcode_filter_page.h"

namespace oc_ui {

CExaminePropSheet::CExaminePropSheet(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("examinePropSheet"));
    setWindowTitle(caption);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pages"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CExaminePropSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CExaminePropSheet::reject);
    connect(tabs_, &QTabWidget::currentChanged, this, &CExaminePropSheet::page_changed);
}

void CExaminePropSheet::AddPage(property_page* page) {
    pages_.append(page);
    tabs_->addTab(page, page->title());
}

int CExaminePropSheet::active_page() const { return tabs_->currentIndex(); }

void CExaminePropSheet::SetActivePage(int index) {
    switching_ = true;
    tabs_->setCurrentIndex(index);
    current_ = tabs_->currentIndex();
    switching_ = false;
}

void CExaminePropSheet::page_changed(int index) {
    if (switching_ || index == current_) return;
    // The page being left must accept its values, else it stays.
    if (current_ >= 0 && current_ < pages_.size() && !pages_[current_]->OnKillActive()) {
        SetActivePage(current_);
        return;
    }
    current_ = index;
    // In the three-page prepare sheet the respondents page needs a question
    // with a coding action first.
    if (pages_.size() == 3 && index == 1) {
        auto* codes = qobject_cast<CQCodeFilterPage*>(pages_[0]);
        if (codes && !codes->any_action()) {
            beep();
            SetActivePage(0);
        }
    }
}

void CExaminePropSheet::accept() {
    if (current_ >= 0 && current_ < pages_.size() && !pages_[current_]->OnKillActive()) return;
    QDialog::accept();
}

CExaminePropSheet::~CExaminePropSheet() {
    // The pages belong to the command and outlive the sheet.
    switching_ = true;
    for (property_page* page : pages_) {
        int at = tabs_->indexOf(page);
        if (at >= 0) tabs_->removeTab(at);
        page->setParent(nullptr);
    }
}

}  // namespace oc_ui
