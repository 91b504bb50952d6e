#include "dialogs/status/status_respondents_dlg.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/frame/dialog_style.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/report_list.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"
#include "dialogs/status/status_column_widths.h"

namespace oc_ui {

QString respondent_number_text(std::int32_t respondent) { return QString::number(respondent); }

QString sequence_number_text(std::uint16_t sequence) {
    return QString::number(static_cast<std::int16_t>(sequence));
}

CStatusRespondentsDlg::CStatusRespondentsDlg(const oc::coder_spec& spec, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("statusRespondentsDialog"));
    setWindowTitle(QStringLiteral("Respondents List"));

    list_ = new QListWidget(this);
    use_dialog_style(*list_);
    list_->setObjectName(QStringLiteral("respondentList"));
    list_->setFixedSize(dialog_units(*this, 238, 100));
    // List mode: numbers run down a column, then on in the next one.
    list_->setViewMode(QListView::ListMode);
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSortingEnabled(false);
    list_->setAccessibleName(ui_string(oc::IDS_RESPONDENT_NO));

    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    fill_list(spec);
}

void CStatusRespondentsDlg::fill_list(const oc::coder_spec& spec) {
    wait_cursor busy;
    list_->setUpdatesEnabled(false);
    const QString sequence_label = ui_string(oc::IDS_SEQUENCE_NO);
    for (const oc::resp_id& id : spec.resp_ids) {
        auto* item = new QListWidgetItem(respondent_number_text(id.respondent), list_);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QString sequence = sequence_number_text(id.sequence);
        item->setData(kSequenceTextRole, sequence);
        item->setToolTip(sequence_label + u' ' + sequence);
    }
    const int rows = list_->count();
    const int usable = usable_list_width(list_->width(), rows, scroll_bar_width(*list_));
    const int row_height = QFontMetrics(list_->font()).height() + 2;
    list_->setGridSize(QSize(respondent_column_width(usable), row_height));
    list_->setUpdatesEnabled(true);
    if (rows > 0) {
        list_->setCurrentRow(0);
        list_->scrollToItem(list_->item(0));
    }
}

}  // namespace oc_ui
