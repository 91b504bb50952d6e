#include "dialogs/coding/select_coder_file_dlg.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QTreeWidget>

#include "ui/widgets/status_list.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/ok_cancel_column.h"
#include "ui/frame/report_list.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

CSelectCoderSpecFileDlg::CSelectCoderSpecFileDlg(const QStringList& names, const QByteArray& statuses, QWidget* parent)
    : QDialog(parent), statuses_(statuses) {
    setObjectName(QStringLiteral("selectCoderSpecFileDialog"));
    list_ = make_report_list(this, QStringLiteral("fileList"), dialog_units(*this, 118, 84));
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(make_ok_cancel_column(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Enter reaches the default button by itself; a double click picks too.
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &CSelectCoderSpecFileDlg::accept);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) m_nSelected = current.row();
            });
    fill_status_list(*list_, oc::IDS_CODER_FILES, names, statuses, 7);
    setWindowTitle(ui_string(oc::IDS_SELECT_TO_CODE));
}

void CSelectCoderSpecFileDlg::accept() {
    if (m_nSelected < 0 || m_nSelected >= statuses_.size()) return;
    int status = static_cast<std::uint8_t>(statuses_[m_nSelected]);
    int warning = status == 2 ? oc::IDS_CODING_COMPLETE_WARNING : status == 3 ? oc::IDS_MERGED_WARNING : 0;
    if (warning && show_message(warning, box_style::question_ok_cancel) != box_answer::ok) return;
    QDialog::accept();
}

}  // namespace oc_ui
