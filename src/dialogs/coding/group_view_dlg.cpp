#include "dialogs/coding/group_view_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/coding/review_by_code_dlg.h"
#include "engines/texts/string_table.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/widgets/code_boxes.h"
#include "ui/widgets/frame_panel.h"

namespace oc_ui {

namespace {

enum column : int { count_column, status_column, answer_column };

const QKeySequence kUndo(Qt::CTRL | Qt::Key_Z);
const QKeySequence kRedo(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

QString status_word(const oc::answer_group& group) {
    if (group.coded == 0) return QStringLiteral("not coded");
    return group.coded == static_cast<int>(group.records.size()) ? QStringLiteral("coded")
                                                                  : QStringLiteral("partly coded");
}

}  // namespace

CGroupViewDlg::CGroupViewDlg(oc::coder_cursor& cursor, oc::quest_spec& quest, const coding_sources& sources,
                             QWidget* parent)
    : QDialog(parent), cursor_(cursor), quest_(quest), sources_(sources),
      journal_(sources.study_base, to_native_bytes(sources.coder_path), quest.name) {
    setObjectName(QStringLiteral("groupViewDialog"));
    setWindowTitle(QStringLiteral("Code %1 by Groups").arg(QString::fromLatin1(quest.name)));

    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("groupProgress"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("groupList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setHeaderLabels({QStringLiteral("Records"), QStringLiteral("Status"), QStringLiteral("Answer")});
    list_->header()->setSectionsClickable(false);  // the order is the groups'
    auto* list_label = new QLabel(QStringLiteral("Ans&wers:"), this);
    list_label->setBuddy(list_);

    boxes_ = new code_boxes(quest.max_codes, quest.code_width, this);
    auto* boxes_label = new QLabel(QStringLiteral("C&odes:"), this);
    if (boxes_->count() > 0) boxes_label->setBuddy(boxes_->box(0));
    panel_ = new frame_panel(this);
    panel_->show_question(sources.study_base, quest.name, QStringLiteral("code ") + sources.coder_path);
    boxes_->attach(*panel_);

    apply_ = make_push_button(this, QStringLiteral("&Apply"), QStringLiteral("applyButton"));
    apply_->setDefault(true);  // Return in a code box applies
    apply_->setToolTip(QStringLiteral("Give the group's records these codes (Ctrl+Z takes it back, "
                                      "Ctrl+Shift+Z does it again)"));
    auto* review = make_push_button(this, QStringLiteral("&Review by Code…"), QStringLiteral("reviewButton"));
    auto* close = make_push_button(this, QStringLiteral("Close"), QStringLiteral("closeButton"));

    auto* left = new QWidget(this);
    auto* left_layout = new QVBoxLayout(left);
    left_layout->setContentsMargins(0, 0, 0, 0);
    left_layout->addWidget(list_label);
    left_layout->addWidget(list_, 1);
    left_layout->addWidget(boxes_label);
    left_layout->addWidget(boxes_);
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(left);
    splitter->addWidget(panel_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(apply_);
    buttons->addWidget(review);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progress_);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);

    // The boxes first, so typing starts there; then the groups and the frame.
    QWidget* previous = boxes_->count() > 0 ? boxes_->box(boxes_->count() - 1) : nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{list_, panel_->filter(), panel_->codes_view(),
                                                      panel_->new_code_button(), apply_, review, close}) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    }

    connect(apply_, &QPushButton::clicked, this, &CGroupViewDlg::apply);
    connect(review, &QPushButton::clicked, this, &CGroupViewDlg::review_by_code);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { show_group(item ? list_->indexOfTopLevelItem(item) : -1); });
    connect(new QShortcut(kUndo, this), &QShortcut::activated, this, &CGroupViewDlg::undo);
    connect(new QShortcut(kRedo, this), &QShortcut::activated, this, &CGroupViewDlg::redo);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this), &QShortcut::activated, panel_,
            &frame_panel::focus_filter);
    // A line edit would take Ctrl+Z for its own typing; here it means the groups.
    for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);

    resize(sizeHint().expandedTo(QSize(900, 560)));
    loaded_ = refresh(0);
    if (loaded_) boxes_->focus_first();
}

bool CGroupViewDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        if (pressed == kUndo || pressed == kRedo) return true;  // left to the dialog's shortcuts
    }
    return QDialog::eventFilter(watched, event);
}

bool CGroupViewDlg::refresh(int row) {
    auto records = oc::read_question_records(to_native_bytes(sources_.coder_path), quest_.name);
    if (!records) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        return false;
    }
    records_ = std::move(*records);
    grouped_ = oc::group_answers(records_);
    int groups_coded = 0, records_coded = 0;
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const oc::answer_group& group : grouped_.groups) {
            const oc::question_record& first = records_[static_cast<std::size_t>(group.records.front() - 1)];
            auto* item = new QTreeWidgetItem(list_, {QString::number(group.records.size()), status_word(group),
                                                     QString::fromLocal8Bit(first.text.c_str()).simplified()});
            item->setTextAlignment(count_column, Qt::AlignRight | Qt::AlignVCenter);
            if (group.coded == static_cast<int>(group.records.size())) ++groups_coded;
            records_coded += group.coded;
        }
    }
    list_->resizeColumnToContents(count_column);
    list_->resizeColumnToContents(status_column);
    progress_->setText(QStringLiteral("Groups coded: %1 of %2    Records coded: %3 of %4")
                           .arg(groups_coded)
                           .arg(grouped_.groups.size())
                           .arg(records_coded)
                           .arg(records_.size()));
    row = std::clamp(row, 0, std::max(0, list_->topLevelItemCount() - 1));
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        list_->setCurrentItem(item);
        list_->scrollToItem(item);
    }
    show_group(list_->currentItem() ? row : -1);
    return true;
}

// The codes the group's coded records share, when they all agree.
void CGroupViewDlg::show_group(int row) {
    std::vector<std::int16_t> shared;
    if (row >= 0 && row < static_cast<int>(grouped_.groups.size())) {
        bool first = true;
        for (std::int32_t k : grouped_.groups[static_cast<std::size_t>(row)].records) {
            const auto& codes = records_[static_cast<std::size_t>(k - 1)].codes;
            if (codes.empty()) continue;
            if (first) shared = codes;
            else if (codes != shared) {
                shared.clear();
                break;
            }
            first = false;
        }
    }
    boxes_->set_codes(shared);
}

void CGroupViewDlg::apply() {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    const std::vector<std::int16_t> codes = boxes_->codes();
    if (row < 0 || codes.empty()) {
        beep();
        boxes_->focus_empty();
        return;
    }
    const oc::answer_group& group = grouped_.groups[static_cast<std::size_t>(row)];
    const oc::group_codes_plan plan = oc::plan_group_codes(records_, group, codes);
    const std::vector<oc::record_codes>& writes = plan.writes;
    const std::size_t other = plan.coded_otherwise;
    const oc::question_record* example = plan.example;
    if (other > 0) {
        const QString text =
            QStringLiteral("%1 of the %2 records of this answer already hold other codes; respondent %3, for "
                           "example, has %4.\n\nGive them %5 instead?")
                .arg(other)
                .arg(group.records.size())
                .arg(example->respondent)
                .arg(codes_text(example->codes), codes_text(codes));
        if (show_text(text, box_style::question_ok_cancel) != box_answer::ok) {
            boxes_->focus_empty();
            return;
        }
    }
    if (!writes.empty()) {
        oc::coding_step step;
        step.last_coded_before = quest_.last_record_coded;
        const oc::failure problem = oc::write_codes(cursor_, quest_, writes, step.before);
        // What reached the file can be taken back, even when not all of it did.
        step.after.assign(writes.begin(), writes.begin() + static_cast<std::ptrdiff_t>(step.before.size()));
        step.last_coded_after = quest_.last_record_coded;
        journal_.write(records_, step.before, step.after, "group");
        if (!step.before.empty()) history_.record(std::move(step));
        if (problem) {
            show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
            refresh(row);
            return;
        }
    }
    if (refresh(row + 1)) boxes_->focus_first();
}

void CGroupViewDlg::undo() { step_history(true); }
void CGroupViewDlg::redo() { step_history(false); }

// Takes back the last apply (`back`) or does the last taken back again.
void CGroupViewDlg::step_history(bool back) {
    const oc::coding_step* step = back ? history_.undo_step() : history_.redo_step();
    if (!step) {
        beep();
        return;
    }
    const oc::coding_step taken = *step;
    std::int32_t shown = 0;
    const oc::failure problem = back ? history_.undo(cursor_, quest_, shown) : history_.redo(cursor_, quest_, shown);
    if (!problem)
        journal_.write(records_, back ? taken.after : taken.before, back ? taken.before : taken.after,
                       back ? "undo" : "redo");
    after_history(problem, shown);
}

// Shows the group of the record an undo or redo wrote.
void CGroupViewDlg::after_history(const oc::failure& problem, std::int32_t shown) {
    if (problem) show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
    int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (shown >= 1 && static_cast<std::size_t>(shown) <= grouped_.group_of.size())
        row = static_cast<int>(grouped_.group_of[static_cast<std::size_t>(shown - 1)]);
    if (refresh(row)) boxes_->focus_first();
}

void CGroupViewDlg::review_by_code() {
    QHash<int, QString> labels;
    for (const oc::question_record& record : records_)
        for (std::int16_t code : record.codes)
            if (const QString* label = panel_->label_of(code)) labels.insert(code, *label);
    {
        CReviewByCodeDlg review(cursor_, quest_, sources_, labels, this);
        if (review.loaded()) run_modal(review);
    }
    if (refresh(list_->indexOfTopLevelItem(list_->currentItem()))) boxes_->focus_empty();
}

}  // namespace oc_ui
