#include "dialogs/coding/review_by_code_dlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "engines/texts/string_table.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/widgets/code_boxes.h"

namespace oc_ui {

CReviewByCodeDlg::CReviewByCodeDlg(oc::coder_cursor& cursor, oc::quest_spec& quest, const coding_sources& sources,
                                   const QHash<int, QString>& labels, QWidget* parent)
    : QDialog(parent), cursor_(cursor), quest_(quest), sources_(sources), labels_(labels) {
    setObjectName(QStringLiteral("reviewByCodeDialog"));
    setWindowTitle(QStringLiteral("Review %1 by Code").arg(QString::fromLatin1(quest.name)));

    code_ = new QComboBox(this);
    code_->setObjectName(QStringLiteral("reviewCode"));
    auto* code_label = new QLabel(QStringLiteral("&Code:"), this);
    code_label->setBuddy(code_);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("reviewList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({QStringLiteral("Respondent"), QStringLiteral("Answer"), QStringLiteral("Codes")});
    list_->header()->setSectionsClickable(false);
    auto* list_label = new QLabel(QStringLiteral("&Records:"), this);
    list_label->setBuddy(list_);

    auto* open = make_push_button(this, QStringLiteral("&Open…"), QStringLiteral("openButton"));
    open->setDefault(true);  // Return on a row opens its record
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));

    auto* top = new QHBoxLayout;
    top->addWidget(code_label);
    top->addWidget(code_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(list_label);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(code_, &QComboBox::currentIndexChanged, this, &CReviewByCodeDlg::show_code);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &CReviewByCodeDlg::open_record);
    connect(open, &QPushButton::clicked, this, &CReviewByCodeDlg::open_record);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    resize(sizeHint().expandedTo(QSize(700, 460)));
    loaded_ = reload(0);
    code_->setFocus(Qt::OtherFocusReason);
}

bool CReviewByCodeDlg::reload(int code) {
    auto records = oc::read_question_records(to_native_bytes(sources_.coder_path), quest_.name);
    if (!records) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return false;
    }
    records_ = std::move(*records);
    std::set<int> used;
    for (const oc::question_record& record : records_) used.insert(record.codes.begin(), record.codes.end());
    {
        const QSignalBlocker quiet(code_);
        code_->clear();
        for (int c : used) {
            const auto label = labels_.constFind(c);
            code_->addItem(label == labels_.cend() ? QString::number(c) : QStringLiteral("%1  %2").arg(c).arg(*label),
                           c);
        }
        code_->setCurrentIndex(std::max(0, code_->findData(code)));
    }
    show_code(code_->currentIndex());
    return true;
}

void CReviewByCodeDlg::show_code(int index) {
    list_->clear();
    if (index < 0) return;
    const int code = code_->itemData(index).toInt();
    for (std::size_t k = 0; k < records_.size(); ++k) {
        const oc::question_record& record = records_[k];
        if (std::find(record.codes.begin(), record.codes.end(), code) == record.codes.end()) continue;
        auto* item = new QTreeWidgetItem(list_, {QString::number(record.respondent),
                                                 QString::fromLocal8Bit(record.text.c_str()).simplified(),
                                                 codes_text(record.codes)});
        item->setData(0, Qt::UserRole, static_cast<int>(k + 1));
    }
    list_->resizeColumnToContents(0);
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
}

void CReviewByCodeDlg::open_record() {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item) {
        beep();
        return;
    }
    const int row = list_->indexOfTopLevelItem(item);
    const int code = code_->currentData().toInt();
    {
        CCodingResponseDlg coding(cursor_, item->data(0, Qt::UserRole).toInt(), quest_, sources_, this);
        if (coding.loaded()) run_modal(coding);
    }
    if (!reload(code)) return;
    if (QTreeWidgetItem* again = list_->topLevelItem(std::min(row, list_->topLevelItemCount() - 1)))
        list_->setCurrentItem(again);
    list_->setFocus(Qt::OtherFocusReason);
}

}  // namespace oc_ui
