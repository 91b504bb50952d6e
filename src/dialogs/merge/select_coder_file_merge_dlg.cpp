#include "dialogs/merge/select_coder_file_merge_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/widgets/status_list.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/ok_cancel_column.h"
#include "ui/frame/path_text.h"
#include "ui/frame/report_list.h"
#include "engines/merge/merge_job.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

CSelectCoderSpecFileMergeDlg::CSelectCoderSpecFileMergeDlg(const QStringList& names, const QByteArray& statuses,
                                                           const QString& idx_path, QWidget* parent)
    : QDialog(parent), statuses_(statuses), idx_path_(idx_path) {
    setObjectName(QStringLiteral("selectCoderSpecFileMergeDialog"));
    list_ = make_report_list(this, QStringLiteral("fileList"), dialog_units(*this, 155, 84));
    by_respondent_ = new QCheckBox(QStringLiteral("Merge based on respondent numbers ONLY"), this);
    by_respondent_->setObjectName(QStringLiteral("byRespondentCheck"));
    auto* left = new QVBoxLayout;
    left->addWidget(list_);
    left->addWidget(by_respondent_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(make_ok_cancel_column(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) selected_ = current.row();
            });
    fill_status_list(*list_, oc::IDS_CODER_FILES, names, statuses, 7);
    setWindowTitle(ui_string(oc::IDS_SELECT_TO_MERGE));
}

bool CSelectCoderSpecFileMergeDlg::by_respondent() const { return by_respondent_->isChecked(); }

void CSelectCoderSpecFileMergeDlg::accept() {
    if (selected_ < 0 || selected_ >= statuses_.size()) return;
    const oc::merge_check status = oc::merge_job::check_status(static_cast<std::uint8_t>(statuses_[selected_]));
    if (status.what == oc::merge_check::refused) {
        show_message(status.messages.back(), box_style::information);
        return;
    }
    if (status.what == oc::merge_check::ask_first &&
        show_message(status.messages.back(), box_style::question_ok_cancel) != box_answer::ok)
        return;
    if (by_respondent_->isChecked()) {
        oc::merge_job job;
        job.idx_path = to_native_bytes(idx_path_);
        job.by_respondent = true;
        oc::merge_check respondents;
        {
            wait_cursor busy;
            respondents = job.check_respondents();
        }
        if (respondents.what == oc::merge_check::refused) {
            by_respondent_->setChecked(false);
            for (int message : respondents.messages) show_message(message, box_style::exclamation);
            return;
        }
    }
    QDialog::accept();
}

}  // namespace oc_ui
