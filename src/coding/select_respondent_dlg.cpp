#include "coding/select_respondent_dlg.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "frame/dialog_units.h"
#include "frame/messages.h"

namespace oc_ui {

CSelectRespondentDlg::CSelectRespondentDlg(const QVector<std::int32_t>& numbers, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("selectRespondentDialog"));
    setWindowTitle(QStringLiteral("Select Respondent"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("respondentList"));
    list_->setFixedSize(dialog_units(*this, 70, 83));
    for (std::int32_t number : numbers) list_->addItem(QString::number(number));
    list_->setCurrentRow(-1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CSelectRespondentDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSelectRespondentDlg::accept() {
    int row = list_->currentItem() && list_->currentItem()->isSelected() ? list_->currentRow() : -1;
    if (row < 0 || row >= list_->count()) {
        beep();
        return;
    }
    m_nSelected = row;
    QDialog::accept();
}

}  // namespace oc_ui
