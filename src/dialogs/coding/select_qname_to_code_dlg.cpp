#include "dialogs/coding/select_qname_to_code_dlg.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

#include "coderfile/coder_file.h"
#include "dialogs/coding/coding_response_dlg.h"
#include "dialogs/coding/group_view_dlg.h"
#include "dialogs/coding/select_respondent_dlg.h"
#include "ui/widgets/status_list.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/report_list.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"
#include "ui/tools/default_font.h"

namespace oc_ui {

std::int32_t find_question_record(oc::coder_cursor& cursor, const oc::quest_spec& quest,
                                  const std::function<bool(const oc::resp_record&)>& wanted) {
    for (std::int32_t k = 1; k <= quest.record_count; ++k) {
        oc::resp_record record;
        if (oc::seek_question_record(cursor, k, record) != 0) return -1;
        if (wanted(record)) return k;
    }
    return 0;
}

int ChooseStartRecord(oc::coder_cursor& cursor, std::int32_t& start, int choice, std::int32_t respondent,
                      const oc::quest_spec& quest) {
    if (choice == start_resume) {
        start = quest.last_record_coded + 1;
        return 1;
    }
    if (choice != start_respondent) {
        start = 1;
        return 1;
    }
    wait_cursor busy;
    const std::int32_t found = find_question_record(
        cursor, quest, [&](const oc::resp_record& record) { return record.respondent == respondent; });
    if (found > 0) {
        start = found;
        return 1;
    }
    if (found < 0) return 0;
    busy.restore();
    show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
    return 0;
}

bool finish_coding_pass(oc::cursor_ptr cursor, oc::loaded_coder_file& file) {
    // Whatever ended the pass: the status, line 2 and every question's
    // last record coded go back into the file.
    oc::compute_file_status(file.spec, file.questions);
    const bool header_written = oc::write_coder_header(*cursor, file.spec) == 0;
    const bool written = oc::write_coder_trailer(*cursor, file.spec, file.questions) == 0 && header_written;
    cursor.reset();
    // Lost progress must not pass for saved progress.
    if (!written) show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
    return written;
}

namespace {

QLabel* value_label(QWidget* parent, const char* name, const QFont* font) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    if (font) label->setFont(*font);
    return label;
}

}  // namespace

CSelectQNameToCodeDlg::CSelectQNameToCodeDlg(const QString& path, const std::string& study_base,
                                             oc::loaded_coder_file& file, QWidget* parent)
    : QDialog(parent), path_(path), study_base_(study_base), file_(file) {
    setObjectName(QStringLiteral("selectQNameToCodeDialog"));
    setWindowTitle(QStringLiteral("Select Question to Code"));
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));

    list_ = make_report_list(this, QStringLiteral("questionList"), dialog_units(*this, 116, 58));
    if (font) list_->setFont(*font);
    resume_ = new QRadioButton(QStringLiteral("&Resume Coding"), this);
    resume_->setObjectName(QStringLiteral("resumeRadio"));
    beginning_ = new QRadioButton(QStringLiteral("&Start Coding at the Beginning"), this);
    beginning_->setObjectName(QStringLiteral("beginningRadio"));
    respondent_ = new QRadioButton(QStringLiteral("&Begin at a Particular Respondent"), this);
    respondent_->setObjectName(QStringLiteral("respondentRadio"));
    auto* group = new QButtonGroup(this);
    group->addButton(resume_, start_resume);
    group->addButton(beginning_, start_beginning);
    group->addButton(respondent_, start_respondent);

    QLayout* fields = build_question_fields(font.get());

    auto* code = make_push_button(this, QStringLiteral("Code"), QStringLiteral("codeButton"));
    code->setDefault(true);
    auto* groups = make_push_button(this, QStringLiteral("Code by &Groups…"), QStringLiteral("groupsButton"));
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));

    auto* left = new QVBoxLayout;
    left->addWidget(list_);
    left->addWidget(resume_);
    left->addWidget(beginning_);
    left->addWidget(respondent_);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(code);
    buttons->addWidget(groups);
    buttons->addWidget(close);
    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(code, &QPushButton::clicked, this, &CSelectQNameToCodeDlg::accept);
    connect(groups, &QPushButton::clicked, this, &CSelectQNameToCodeDlg::CodeByGroups);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) select_question(current.row());
            });

    QStringList names;
    for (const oc::quest_spec& q : file_.questions) names.append(QString::fromLatin1(q.name));
    QByteArray statuses(reinterpret_cast<const char*>(file_.question_statuses.data()),
                        static_cast<int>(file_.question_statuses.size()));
    fill_status_list(*list_, oc::IDS_QUESTIONS, names, statuses, 5);
    if (names.isEmpty()) {  // nothing to code
        code->setEnabled(false);
        groups->setEnabled(false);
    }
}

// The chosen question's figures, in the default font.
QLayout* CSelectQNameToCodeDlg::build_question_fields(const QFont* font) {
    name_ = value_label(this, "questionNameValue", font);
    records_ = value_label(this, "recordCountValue", font);
    action_ = value_label(this, "actionValue", font);
    width_ = value_label(this, "widthValue", font);
    max_codes_ = value_label(this, "maxCodesValue", font);
    last_coded_ = value_label(this, "lastRecordCodedValue", font);
    auto* fields = new QFormLayout;
    fields->setLabelAlignment(Qt::AlignRight);
    fields->addRow(QStringLiteral("Question Name:"), name_);
    fields->addRow(QStringLiteral("Number of Records:"), records_);
    fields->addRow(QStringLiteral("Coding Action:"), action_);
    fields->addRow(QStringLiteral("Width:"), width_);
    fields->addRow(QStringLiteral("Max Number of Codes:"), max_codes_);
    fields->addRow(QStringLiteral("Last Record Coded:"), last_coded_);
    return fields;
}


void CSelectQNameToCodeDlg::select_question(int row) {
    if (row < 0 || row >= static_cast<int>(file_.questions.size())) return;
    m_nQuestion = row;
    const oc::quest_spec& quest = file_.questions[static_cast<std::size_t>(row)];
    bool begun = oc::question_status(quest) == 1;
    resume_->setEnabled(begun);
    m_nStartChoice = begun ? start_resume : start_beginning;
    (begun ? resume_ : beginning_)->setChecked(true);
    show_fields(quest);
}

void CSelectQNameToCodeDlg::show_fields(const oc::quest_spec& quest) {
    name_->setText(QString::fromLatin1(quest.name));
    records_->setText(QString::number(quest.record_count));
    action_->setText(ui_string(quest.action == 0 ? oc::IDS_APPEND : oc::IDS_REPLACE));
    width_->setText(QString::number(quest.code_width));
    max_codes_->setText(QString::number(quest.max_codes));
    last_coded_->setText(QString::number(quest.last_record_coded));
}

void CSelectQNameToCodeDlg::accept() {
    if (m_nQuestion < 0) {
        beep();
        return;
    }
    m_nStartChoice = resume_->isChecked() ? start_resume : respondent_->isChecked() ? start_respondent : start_beginning;
    m_lRespondent = 0;
    if (m_nStartChoice == start_respondent) {
        // Every respondent of the file, not only those of this question.
        QVector<std::int32_t> numbers;
        for (const oc::resp_id& id : file_.spec.resp_ids) numbers.append(id.respondent);
        CSelectRespondentDlg choose(numbers, this);
        if (run_modal(choose) != QDialog::Accepted) return;
        m_lRespondent = numbers[choose.selected()];
    }
    CodeQuestion();
}

void CSelectQNameToCodeDlg::CodeQuestion() {
    if (m_nQuestion < 0 || m_nQuestion >= static_cast<int>(file_.questions.size())) return;
    auto index = static_cast<std::size_t>(m_nQuestion);
    oc::quest_spec& quest = file_.questions[index];
    oc::cursor_ptr cursor(oc::open_coder_cursor(to_native_bytes(path_).c_str(), quest.name));
    if (!cursor) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return;
    }
    std::int32_t start = 1;
    if (!ChooseStartRecord(*cursor, start, m_nStartChoice, m_lRespondent, quest)) return;  // closes the cursor
    {
        CCodingResponseDlg coding(*cursor, start, quest, {path_, study_base_}, this);
        if (coding.loaded()) run_modal(coding);
    }
    finish_pass(std::move(cursor));
}

void CSelectQNameToCodeDlg::CodeByGroups() {
    if (m_nQuestion < 0 || m_nQuestion >= static_cast<int>(file_.questions.size())) {
        beep();
        return;
    }
    oc::quest_spec& quest = file_.questions[static_cast<std::size_t>(m_nQuestion)];
    oc::cursor_ptr cursor(oc::open_coder_cursor(to_native_bytes(path_).c_str(), quest.name));
    if (!cursor) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return;
    }
    {
        CGroupViewDlg groups(*cursor, quest, {path_, study_base_}, this);
        if (groups.loaded()) run_modal(groups);
    }
    finish_pass(std::move(cursor));
}

void CSelectQNameToCodeDlg::finish_pass(oc::cursor_ptr cursor) {
    const auto index = static_cast<std::size_t>(m_nQuestion);
    const oc::quest_spec& quest = file_.questions[index];
    finish_coding_pass(std::move(cursor), file_);

    std::uint8_t status = oc::question_status(quest);
    if (index < file_.question_statuses.size() && file_.question_statuses[index] != status) {
        file_.question_statuses[index] = status;
        if (QTreeWidgetItem* item = list_->topLevelItem(m_nQuestion)) show_status(*item, status);
    }
    int row = m_nQuestion;
    list_->clearSelection();
    select_report_row(*list_, row);
    select_question(row);
}

}  // namespace oc_ui
