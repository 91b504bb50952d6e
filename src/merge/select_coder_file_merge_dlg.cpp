#include "merge/select_coder_file_merge_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "coding/status_list.h"
#include "frame/dialog_units.h"
#include "frame/messages.h"
#include "frame/ok_cancel_column.h"
#include "frame/path_text.h"
#include "frame/report_list.h"
#include "merge/unique_respondents.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

int CheckUniqueRespondents(const QString& idx_path) {
    wait_cursor busy;
    int result = oc::check_unique_respondents(to_native_bytes(idx_path));
    if (result < 0) {
        busy.restore();
        show_message(oc::IDS_IDX_READ_ERROR, box_style::exclamation);
        return 0;
    }
    return result;
}

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
    int status = static_cast<std::uint8_t>(statuses_[selected_]);
    if (status == 0) {
        show_message(oc::IDS_NOTHING_TO_MERGE, box_style::information);
        return;
    }
    if (status == 3 && show_message(oc::IDS_ALREADY_MERGED, box_style::question_ok_cancel) != box_answer::ok) return;
    if (by_respondent_->isChecked() && !CheckUniqueRespondents(idx_path_)) {
        by_respondent_->setChecked(false);
        show_message(oc::IDS_DUPLICATE_RESPONDENTS, box_style::exclamation);
        return;
    }
    QDialog::accept();
}

}  // namespace oc_ui
