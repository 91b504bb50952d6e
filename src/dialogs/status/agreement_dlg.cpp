#include "dialogs/status/agreement_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "coderfile/discovery.h"
#include "engines/frame/frame_job.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/report_list.h"

namespace oc_ui {

namespace {

QTreeWidgetItem* add_row(QTreeWidget& to, const QStringList& texts, int first_number, int last_number) {
    auto* row = new QTreeWidgetItem(&to, texts);
    for (int c = first_number; c <= last_number; ++c) row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

QString figure(const std::optional<double>& value) { return QString::fromStdString(oc::figure_text(value)); }

}  // namespace

CAgreementDlg::CAgreementDlg(const QStringList& files, std::string study_base, record_opener open_record,
                             QWidget* parent)
    : QDialog(parent), files_(files), study_base_(std::move(study_base)), open_record_(std::move(open_record)) {
    setObjectName(QStringLiteral("agreementDialog"));
    setWindowTitle(QStringLiteral("Agreement between Coders"));

    file_list_ = new QListWidget(this);
    file_list_->setObjectName(QStringLiteral("fileChecks"));
    for (const QString& file : files_) {
        auto* item = new QListWidgetItem(file, file_list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    file_list_->setMaximumHeight(file_list_->sizeHintForRow(0) * 4 + 2 * file_list_->frameWidth());
    question_ = new QComboBox(this);
    question_->setObjectName(QStringLiteral("questionCombo"));
    fill_questions();
    auto* compare_button = make_push_button(this, QStringLiteral("&Compare"), QStringLiteral("compareButton"));

    summary_ = make_figure_table(this, QStringLiteral("agreementTable"),
                     {QStringLiteral("Question"), QStringLiteral("Records"), QStringLiteral("Agreed"),
                      QStringLiteral("Agreement"), QStringLiteral("Alpha"), QStringLiteral("Distance")});
    kappas_ = make_figure_table(this, QStringLiteral("kappaTable"),
                    {QStringLiteral("Question"), QStringLiteral("Code"), QStringLiteral("Label"), QStringLiteral("Kappa")});
    disagreements_title_ = new QLabel(QStringLiteral("&Disagreements:"), this);
    disagreements_ = make_figure_table(this, QStringLiteral("disagreementTable"), {});
    disagreements_->header()->setSectionResizeMode(QHeaderView::Interactive);
    disagreements_title_->setBuddy(disagreements_);
    open_in_ = new QComboBox(this);
    open_in_->setObjectName(QStringLiteral("openInCombo"));
    open_in_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    open_ = make_push_button(this, QStringLiteral("&Open Record"), QStringLiteral("openRecordButton"));
    open_->setEnabled(false);
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));

    auto* files_label = new QLabel(QStringLiteral("Coder &files:"), this);
    files_label->setBuddy(file_list_);
    auto* question_label = new QLabel(QStringLiteral("&Question:"), this);
    question_label->setBuddy(question_);
    auto* choices = new QGridLayout;
    choices->addWidget(files_label, 0, 0, Qt::AlignTop);
    choices->addWidget(file_list_, 0, 1, 2, 1);
    choices->addWidget(question_label, 0, 2);
    choices->addWidget(question_, 0, 3);
    choices->addWidget(compare_button, 0, 4);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(3, 1);

    auto* tables = new QSplitter(Qt::Horizontal, this);
    tables->addWidget(summary_);
    tables->addWidget(kappas_);
    auto* lower = new QWidget(this);
    auto* lower_layout = new QVBoxLayout(lower);
    lower_layout->setContentsMargins(0, 0, 0, 0);
    lower_layout->addWidget(disagreements_title_);
    lower_layout->addWidget(disagreements_, 1);
    auto* parts = new QSplitter(Qt::Vertical, this);
    parts->addWidget(tables);
    parts->addWidget(lower);
    parts->setStretchFactor(1, 2);

    auto* open_label = new QLabel(QStringLiteral("Open &in:"), this);
    open_label->setBuddy(open_in_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open_label);
    buttons->addWidget(open_in_);
    buttons->addWidget(open_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(parts, 1);
    layout->addLayout(buttons);
    resize(820, 600);

    connect(compare_button, &QPushButton::clicked, this, &CAgreementDlg::compare);
    connect(open_, &QPushButton::clicked, this, &CAgreementDlg::open_selected);
    connect(disagreements_, &QTreeWidget::itemActivated, this, &CAgreementDlg::open_selected);
    connect(disagreements_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { open_->setEnabled(current != nullptr); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void CAgreementDlg::fill_questions() {
    question_->addItem(QStringLiteral("All questions"), QString());
    std::set<std::string> seen;
    for (const QString& file : files_) {
        oc::loaded_coder_file loaded;
        if (!oc::load_coder_questions(to_native_bytes(file), loaded)) continue;  // compare() names it
        for (const oc::quest_spec& q : loaded.questions)
            if (seen.insert(q.name).second) question_->addItem(QString::fromLatin1(q.name), QString::fromLatin1(q.name));
    }
}

void CAgreementDlg::compare() {
    QStringList ticked;
    std::vector<std::string> paths;
    for (int i = 0; i < file_list_->count(); ++i)
        if (file_list_->item(i)->checkState() == Qt::Checked) {
            ticked << file_list_->item(i)->text();
            paths.push_back(to_native_bytes(ticked.back()));
        }
    if (paths.size() < 2) {
        show_text(QStringLiteral("Tick two coder files or more to compare."), box_style::information);
        file_list_->setFocus();
        return;
    }
    oc::coded_answers answers;
    std::string problem;
    {
        wait_cursor busy;
        if (!oc::read_coded_answers(paths, question_->currentData().toString().toStdString(), answers, problem)) {
            busy.restore();
            show_text(from_native_bytes(problem), box_style::exclamation);
            return;
        }
    }
    compared_ = ticked;
    const std::vector<oc::question_agreement> measured = oc::measure_agreement(answers);
    oc::code_frame frame;
    if (oc::failure not_read = oc::load_frame(study_base_, frame)) frame = oc::code_frame{};  // labels help, not needed

    summary_->clear();
    kappas_->clear();
    for (const oc::question_agreement& q : measured) {
        add_row(*summary_,
                {QString::fromStdString(q.question), QString::number(q.compared), QString::number(q.agreed),
                 figure(q.exact_agreement()), figure(q.alpha),
                 q.nominal ? QStringLiteral("nominal") : QStringLiteral("MASI")},
                1, 4);
        for (const oc::code_kappa& k : q.kappas) {
            const oc::frame_code* known = frame.find(q.question, k.code);
            add_row(*kappas_,
                    {QString::fromStdString(q.question), QString::number(k.code),
                     known ? QString::fromStdString(known->label) : QString(), figure(k.kappa)},
                    1, 1)->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    kappas_->setVisible(compared_.size() == 2);  // kappa compares two coders
    show_disagreements(answers, frame);
}

void CAgreementDlg::show_disagreements(const oc::coded_answers& answers, const oc::code_frame& frame) {
    const int kept_row = disagreements_->currentItem() ? disagreements_->indexOfTopLevelItem(disagreements_->currentItem()) : 0;
    disagreements_->clear();
    QStringList headers{QStringLiteral("Question"), QStringLiteral("Respondent"), QStringLiteral("Roster"),
                        QStringLiteral("List"), QStringLiteral("Answer")};
    headers << compared_;
    disagreements_->setHeaderLabels(headers);
    listed_.clear();
    for (const auto& [key, coded] : answers.records) {
        if (!oc::files_disagree(coded)) continue;
        QStringList texts{QString::fromStdString(key.question), QString::number(key.respondent),
                          QString::number(key.roster), QString::number(key.list_no),
                          from_native_bytes(answers.texts.at(key))};
        for (const auto& codes : coded) texts << QString::fromStdString(oc::coding_text(frame, key.question, codes));
        QTreeWidgetItem* row = add_row(*disagreements_, texts, 1, 3);
        for (int c = 4; c < texts.size(); ++c) row->setToolTip(c, texts[c]);
        listed_.push_back(key);
    }
    // Long answers and code lists are cut at a readable width; the tooltip
    // and a wider column show them whole.
    for (int c = 0; c < disagreements_->columnCount(); ++c) {
        disagreements_->resizeColumnToContents(c);
        disagreements_->setColumnWidth(c, std::min(disagreements_->columnWidth(c), 230));
    }
    disagreements_title_->setText(QStringLiteral("&Disagreements: %1").arg(listed_.size()));
    open_in_->clear();
    open_in_->addItems(compared_);
    if (!listed_.empty())
        disagreements_->setCurrentItem(disagreements_->topLevelItem(std::min<int>(kept_row, int(listed_.size()) - 1)));
    open_->setEnabled(!listed_.empty());
}

void CAgreementDlg::open_selected() {
    QTreeWidgetItem* current = disagreements_->currentItem();
    if (!current || !open_record_) {
        beep();
        return;
    }
    const int row = disagreements_->indexOfTopLevelItem(current);
    const QString in = open_in_->currentText();
    open_record_(in, listed_[std::size_t(row)]);
    // The codes may have changed: the tables again, the same file to open in.
    compare();
    open_in_->setCurrentText(in);
}

}  // namespace oc_ui
