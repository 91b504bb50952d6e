#include "ui/sheet/examine_prop_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/frame/messages.h"
#include "ui/frame/push_buttons.h"
#include "ui/sheet/property_page.h"
#include "ui/sheet/qcode_filter_page.h"

namespace oc_ui {

CExaminePropSheet::CExaminePropSheet(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("examinePropSheet"));
    setWindowTitle(caption);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("pageTabs"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("sheetButtons"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    adopt_push_buttons(*buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(buttons, &QDialogButtonBox::accepted, this, &CExaminePropSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CExaminePropSheet::reject);
    connect(tabs_, &QTabWidget::currentChanged, this, &CExaminePropSheet::tab_changed);

    // The page keys work from every control of the sheet, and they are
    // taken before the control sees them: a combo box would otherwise
    // read Ctrl+PageDown as its own PageDown and change its choice.
    const struct {
        QKeySequence keys;
        int step;
    } page_keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
    };
    for (const auto& key : page_keys) {
        auto* shortcut = new QShortcut(key.keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, step = key.step] {
            const int count = tabs_->count();
            if (count > 1) tabs_->setCurrentIndex((current_ + step + count) % count);
        });
    }
}

CExaminePropSheet::~CExaminePropSheet() {
    // The pages are the command's: a later sheet may show them again.
    switching_ = true;
    for (property_page* page : pages_) {
        const int at = tabs_->indexOf(page);
        if (at >= 0) tabs_->removeTab(at);
        page->hide();
        page->setParent(nullptr);
    }
}

void CExaminePropSheet::AddPage(property_page* page) {
    switching_ = true;
    pages_.append(page);
    initialised_.append(false);
    tabs_->addTab(page, page->title());
    tabs_->setCurrentIndex(current_);
    switching_ = false;
}

void CExaminePropSheet::SetActivePage(int index) {
    if (index < 0 || index >= pages_.size()) return;
    show_page(index);
}

void CExaminePropSheet::show_page(int index) {
    switching_ = true;
    tabs_->setCurrentIndex(index);
    switching_ = false;
    current_ = index;
    if (!initialised_[index]) {
        initialised_[index] = true;
        pages_[index]->OnInitDialog();
    }
}

void CExaminePropSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!pages_.isEmpty() && !initialised_[current_]) show_page(current_);
}

bool CExaminePropSheet::respondents_page_blocked() const {
    if (pages_.size() != 3) return false;
    const auto* codes = qobject_cast<const CQCodeFilterPage*>(pages_[0]);
    return codes && !codes->any_action();
}

void CExaminePropSheet::tab_changed(int index) {
    if (switching_ || index < 0 || index == current_) return;
    // Put the page being left back at once, before anything is painted: its
    // refusal messages and focus belong on it, not on the page asked for.
    show_page(current_);
    if (!pages_[current_]->OnKillActive()) return;
    if (index == 1 && respondents_page_blocked()) {
        beep();
        show_page(0);
        return;
    }
    show_page(index);
}

void CExaminePropSheet::accept() {
    if (!pages_.isEmpty() && !pages_[current_]->OnKillActive()) return;
    QDialog::accept();
}

}  // namespace oc_ui
