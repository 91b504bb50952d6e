#include "coding/select_coder_spec_file_dlg.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "frame/dialog_units.h"
#include "frame/messages.h"
#include "frame/report_list.h"
#include "resources/status_images.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

void fill_status_list(QTreeWidget& list, int header_string, const QStringList& names, const QByteArray& statuses,
                      int visible_rows) {
    wait_cursor busy;
    list.clear();
    set_report_columns(list, {{header_string, Qt::AlignLeft}});
    for (int i = 0; i < names.size(); ++i)
        add_report_row(list, {names[i]}, status_icon(i < statuses.size() ? static_cast<std::uint8_t>(statuses[i]) : 0));
    int width = list.width() - 4 - (names.size() > visible_rows ? scroll_bar_width(list) : 0);
    list.setColumnWidth(0, width);
    select_report_row(list, 0);
}

CSelectCoderSpecFileDlg::CSelectCoderSpecFileDlg(const QStringList& names, const QByteArray& statuses, QWidget* parent)
    : QDialog(parent), statuses_(statuses) {
    setObjectName(QStringLiteral("selectCoderSpecFileDialog"));
    list_ = make_report_list(this, QStringLiteral("fileList"), dialog_units(*this, 118, 84));
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
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ok, &QPushButton::clicked, this, &CSelectCoderSpecFileDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemActivated, this, &CSelectCoderSpecFileDlg::accept);
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
