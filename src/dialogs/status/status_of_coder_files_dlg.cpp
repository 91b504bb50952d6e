#include "dialogs/status/status_of_coder_files_dlg.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "coderfile/coder_file.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/report_list.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"
#include "dialogs/status/productivity_dlg.h"
#include "dialogs/status/status_column_widths.h"
#include "dialogs/status/status_questions_dlg.h"
#include "dialogs/status/status_respondents_dlg.h"

namespace oc_ui {

QString interviews_text(int interviews_code) {
    const int id = oc::interviews_string(interviews_code);
    return id != 0 ? ui_string(id) : QString();
}

namespace {

// Counts were widened with their sign from 16-bit fields; "%d" shows them signed.
QString count_text(std::uint32_t value) { return QString::number(static_cast<std::int32_t>(value)); }

}  // namespace

CStatusOfSpecFilesDlg::CStatusOfSpecFilesDlg(coder_file_figures figures, std::string study_base,
                                             record_opener open_record, QWidget* parent)
    : QDialog(parent), figures_(std::move(figures)), study_base_(std::move(study_base)),
      open_record_(std::move(open_record)) {
    // Every row needs all six values; missing figures show as zero.
    const std::size_t rows = figures_.names.size();
    figures_.statuses.resize(rows);
    figures_.respondents.resize(rows);
    figures_.questions.resize(rows);
    figures_.records.resize(rows);
    figures_.interviews.resize(rows);
    setObjectName(QStringLiteral("statusOfSpecFilesDialog"));
    setWindowTitle(QStringLiteral("Coder File Status"));

    list_ = make_report_list(this, QStringLiteral("fileList"), dialog_units(*this, 360, 120));
    view_questions_ = make_push_button(this, QStringLiteral("View Questions"), QStringLiteral("viewQuestionsButton"));
    view_respondents_ =
        make_push_button(this, QStringLiteral("View Respondents"), QStringLiteral("viewRespondentsButton"));
    auto* productivity = make_push_button(this, QStringLiteral("&Productivity..."), QStringLiteral("productivityButton"));
    auto* agreement = make_push_button(this, QStringLiteral("&Agreement..."), QStringLiteral("agreementButton"));
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(view_questions_);
    buttons->addWidget(view_respondents_);
    buttons->addWidget(productivity);
    buttons->addWidget(agreement);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(view_questions_, &QPushButton::clicked, this, &CStatusOfSpecFilesDlg::view_questions);
    connect(view_respondents_, &QPushButton::clicked, this, &CStatusOfSpecFilesDlg::view_respondents);
    connect(productivity, &QPushButton::clicked, this, &CStatusOfSpecFilesDlg::view_productivity);
    connect(agreement, &QPushButton::clicked, this, &CStatusOfSpecFilesDlg::view_agreement);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CStatusOfSpecFilesDlg::track_selection);

    fill_list();
}

void CStatusOfSpecFilesDlg::fill_list() {
    wait_cursor busy;
    set_report_columns(*list_, {{oc::IDS_CODER_FILES, Qt::AlignLeft},
                                {oc::IDS_RESPONDENTS_COUNT, Qt::AlignHCenter},
                                {oc::IDS_QUESTIONS_COUNT, Qt::AlignHCenter},
                                {oc::IDS_RECORDS_COUNT, Qt::AlignHCenter},
                                {oc::IDS_INTERVIEWS_INCLUDED, Qt::AlignLeft}});
    list_->setUpdatesEnabled(false);
    const std::size_t rows = figures_.names.size();
    for (std::size_t i = 0; i < rows; ++i) {
        QTreeWidgetItem* row = add_report_row(
            *list_, {from_native_bytes(figures_.names[i]), count_text(figures_.respondents[i]),
                     count_text(figures_.questions[i]), count_text(figures_.records[i]),
                     interviews_text(figures_.interviews[i])});
        show_status(*row, figures_.statuses[i]);
    }
    const int usable = usable_list_width(list_->width(), int(rows), scroll_bar_width(*list_));
    const auto widths = coder_file_column_widths(usable, kSmallImageSize);
    set_report_column_widths(*list_, widths);
    list_->setUpdatesEnabled(true);
    select_report_row(*list_, 0);
}

void CStatusOfSpecFilesDlg::track_selection(const QItemSelection& selected) {
    // Only a row that became selected counts; losing the selection keeps
    // the last one.
    const QModelIndexList rows = selected.indexes();
    if (!rows.isEmpty()) selected_row_ = rows.first().row();
}

bool CStatusOfSpecFilesDlg::load_selected_file(oc::coder_spec& spec, oc::quest_list& questions,
                                               std::int16_t& question_count) {
    if (selected_row_ < 0 || std::size_t(selected_row_) >= figures_.names.size()) return false;
    if (oc::load_coder_file(figures_.names[std::size_t(selected_row_)].c_str(), spec, questions, question_count) != 0) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return false;
    }
    return true;
}

void CStatusOfSpecFilesDlg::view_questions() {
    oc::coder_spec spec;
    oc::quest_list questions;
    std::int16_t question_count = 0;
    if (!load_selected_file(spec, questions, question_count)) return;
    CStatusQuestionsDlg dialog(question_count, questions);
    run_modal(dialog);
}

void CStatusOfSpecFilesDlg::view_respondents() {
    oc::coder_spec spec;
    oc::quest_list questions;
    std::int16_t question_count = 0;
    if (!load_selected_file(spec, questions, question_count)) return;
    CStatusRespondentsDlg dialog(spec);
    run_modal(dialog);
}

void CStatusOfSpecFilesDlg::view_productivity() {
    CProductivityDlg dialog(study_base_, this);
    run_modal(dialog);
}

void CStatusOfSpecFilesDlg::view_agreement() {
    QStringList names;
    for (const std::string& name : figures_.names) names << from_native_bytes(name);
    CAgreementDlg dialog(names, study_base_, open_record_, this);
    run_modal(dialog);
}

}  // namespace oc_ui
