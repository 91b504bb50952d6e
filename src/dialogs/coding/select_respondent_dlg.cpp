#include "dialogs/coding/select_respondent_dlg.h"

#include <QHBoxLayout>
#include <QListWidget>

#include "ui/frame/dialog_style.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/ok_cancel_column.h"

namespace oc_ui {

CSelectRespondentDlg::CSelectRespondentDlg(const QVector<std::int32_t>& numbers, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("selectRespondentDialog"));
    setWindowTitle(QStringLiteral("Select Respondent"));
    list_ = new QListWidget(this);
    use_dialog_style(*list_);
    list_->setObjectName(QStringLiteral("respondentList"));
    list_->setFixedSize(dialog_units(*this, 70, 83));
    for (std::int32_t number : numbers) list_->addItem(QString::number(number));
    list_->setCurrentRow(-1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(make_ok_cancel_column(*this));
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
