#include "dialogs/status/status_questions_dlg.h"

#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/report_list.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"
#include "dialogs/status/status_column_widths.h"
#include "ui/tools/default_font.h"

namespace oc_ui {

CStatusQuestionsDlg::CStatusQuestionsDlg(int question_count, const oc::quest_list& questions, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("statusQuestionsDialog"));
    setWindowTitle(QStringLiteral("Question Status"));

    list_ = make_report_list(this, QStringLiteral("questionList"), dialog_units(*this, 300, 100));
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(close, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    font_.reset(GetDefaultFont(0, nullptr));
    if (font_) list_->setFont(*font_);
    fill_list(question_count, questions);
}

CStatusQuestionsDlg::~CStatusQuestionsDlg() = default;

void CStatusQuestionsDlg::fill_list(int question_count, const oc::quest_list& questions) {
    wait_cursor busy;
    set_report_columns(*list_, {{oc::IDS_QUESTIONS, Qt::AlignLeft},
                                {oc::IDS_ACTION, Qt::AlignHCenter},
                                {oc::IDS_WIDTH, Qt::AlignHCenter},
                                {oc::IDS_MAX_CODES, Qt::AlignHCenter},
                                {oc::IDS_RECORDS_COUNT, Qt::AlignHCenter},
                                {oc::IDS_LAST_REC_CODED, Qt::AlignHCenter}});
    list_->setUpdatesEnabled(false);
    const int rows = std::clamp(question_count, 0, int(questions.size()));
    for (int i = 0; i < rows; ++i) {
        const oc::quest_spec& q = questions[std::size_t(i)];
        QTreeWidgetItem* row = add_report_row(
            *list_, {QString::fromLatin1(q.name), ui_string(q.action == 1 ? oc::IDS_REPLACE : oc::IDS_APPEND),
                     QString::number(q.code_width), QString::number(q.max_codes), QString::number(q.record_count),
                     QString::number(q.last_record_coded)});
        show_status(*row, oc::question_status(q));
    }
    const int usable = usable_list_width(list_->width(), rows, scroll_bar_width(*list_));
    const auto widths = question_column_widths(usable, kSmallImageSize);
    set_report_column_widths(*list_, widths);
    list_->setUpdatesEnabled(true);
    select_report_row(*list_, 0);
}

}  // namespace oc_ui
