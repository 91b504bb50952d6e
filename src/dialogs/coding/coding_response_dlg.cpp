#include "dialogs/coding/coding_response_dlg.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "dialogs/coding/select_sound_file_dlg.h"
#include "dialogs/coding/sound_files.h"
#include "dialogs/coding/sound_player.h"
#include "ui/frame/dialog_units.h"
#include "ui/frame/library_state.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/images/status_images.h"
#include "engines/texts/string_table.h"
#include "ui/tools/default_font.h"
#include "ui/widgets/code_boxes.h"
#include "ui/widgets/elided_label.h"
#include "ui/widgets/frame_panel.h"
#include "suite/label_file.h"

namespace oc_ui {

namespace {

// Up to ten boxes a column, so that each has room for its code's label.
constexpr int kBoxesPerColumn = 10;
constexpr int kMaxCodeValue = 9999;
constexpr int kBoxWidth = 25, kBoxHeight = 13;  // dialog units

constexpr QKeyCombination kUndoKey(Qt::ControlModifier, Qt::Key_Z);
constexpr QKeyCombination kRedoKey(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);

const QString kSettingsGroup = QStringLiteral("codingDialog");

// The dialog's size the first time a user codes.
constexpr int kFirstWidth = 960, kFirstHeight = 600;

bool is_code(std::int16_t value) { return value >= 1 && value <= kMaxCodeValue; }

QString records_text(std::size_t count) {
    return QStringLiteral("%1 record%2").arg(count).arg(count == 1 ? "" : "s");
}

}  // namespace

CCodingResponseDlg::CCodingResponseDlg(oc::coder_cursor& cursor, std::int32_t start, oc::quest_spec& quest,
                                       const coding_sources& sources, QWidget* parent)
    : QDialog(parent), cursor_(cursor), quest_(quest), m_lRecord(start),
      m_codes(std::clamp<int>(quest.max_codes, 0, oc::kMaxCodes), kNoCode), sources_(sources),
      journal_(sources.study_base, to_native_bytes(sources.coder_path), quest.name) {
    setObjectName(QStringLiteral("codingResponseDialog"));
    setWindowTitle(QStringLiteral("Enter Codes For Respondents"));
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));

    panel_ = new frame_panel(this);
    panel_->show_question(sources.study_base, quest.name, QStringLiteral("code ") + sources.coder_path);
    auto* code_area = new QWidget(this);
    code_area->setObjectName(QStringLiteral("codeArea"));
    build_code_area(*code_area, font.get());
    QLayout* top = build_answer_area(font.get());
    build_sound_controls();
    QLayout* find_row = build_find_bar();
    QLayout* bottom = build_buttons();

    // The answer and the boxes on the left, the frame on the right; the
    // answer and the frame take what the dialog grows by.
    auto* coding = new QWidget(this);
    auto* coding_layout = new QVBoxLayout(coding);
    coding_layout->setContentsMargins(0, 0, 0, 0);
    coding_layout->addWidget(answer_, 1);
    coding_layout->addWidget(code_area);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("codingSplitter"));
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(coding);
    splitter_->addWidget(panel_);
    splitter_->setStretchFactor(0, 3);
    splitter_->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(context_);
    layout->addWidget(splitter_, 1);
    layout->addLayout(find_row);
    layout->addLayout(bottom);

    connect(panel_, &frame_panel::code_chosen, this, &CCodingResponseDlg::put_code);
    connect(panel_, &frame_panel::left, this, &CCodingResponseDlg::focus_boxes);
    connect(panel_, &frame_panel::frame_changed, this, [this] {
        for (int i = 0; i < m_codes.size(); ++i) show_meaning(i);
    });
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(find, &QShortcut::activated, this, [this] {
        frame_toggle_->setChecked(true);
        panel_->focus_filter();
    });
    // The code boxes leave Ctrl+Z and Ctrl+Shift+Z to the dialog (eventFilter).
    const std::pair<QKeySequence, std::function<void()>> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), [this] { open_find(); }},
        {QKeySequence(Qt::Key_F3), [this] { OnFindNext(); }},
        {QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { OnFindPrevious(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_N), [this] { OnNextUncoded(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { OnApplyToSame(); }},
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { OnApplyToSame(); }},
        {QKeySequence(kUndoKey), [this] { OnUndo(); }},
        {QKeySequence(kRedoKey), [this] { OnRedo(); }},
    };
    for (const auto& [sequence, action] : keys) connect(new QShortcut(sequence, this), &QShortcut::activated, this, action);
    restore_layout();
    read_context();

    loaded_ = LoadRecord();
    if (!loaded_) return;
    previous_->setEnabled(m_lRecord > 1);
    focus_first_box();
}

CCodingResponseDlg::~CCodingResponseDlg() {
    if (!loaded_) return;
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("splitter"), splitter_->saveState());
    settings.setValue(QStringLiteral("frameShown"), frame_toggle_->isChecked());
}

void CCodingResponseDlg::restore_layout() {
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    // The first time, room for the frame's labels beside the answer.
    if (!restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray()))
        resize(sizeHint().expandedTo(QSize(kFirstWidth, kFirstHeight)));
    if (!splitter_->restoreState(settings.value(QStringLiteral("splitter")).toByteArray()))
        splitter_->setSizes({kFirstWidth * 3 / 5, kFirstWidth * 2 / 5});
    frame_toggle_->setChecked(settings.value(QStringLiteral("frameShown"), true).toBool());
    panel_->setVisible(frame_toggle_->isChecked());
}

// The question's text and its records, read once: the context line
// is kept from them and the saves, with no further reading of the file.
void CCodingResponseDlg::read_context() {
    if (!sources_.study_base.empty()) {
        std::vector<oc::study_label> labels;
        if (oc::read_label_file(sources_.study_base + ".lbl", labels).ok)
            for (const oc::study_label& label : labels)
                if (label.name == quest_.name) question_text_ = QString::fromLocal8Bit(label.text.c_str()).simplified();
    }
    if (sources_.coder_path.isEmpty()) return;
    auto records = oc::read_question_records(to_native_bytes(sources_.coder_path), quest_.name);
    if (!records) return;
    records_ = std::move(*records);
    // Columns without a valid code count as none, as the boxes show them.
    for (oc::question_record& record : records_) std::erase_if(record.codes, [](std::int16_t c) { return !is_code(c); });
    groups_ = oc::group_answers(records_);
    have_records_ = true;
    coded_ = std::count_if(records_.begin(), records_.end(), [](const oc::question_record& r) { return !r.codes.empty(); });
}

void CCodingResponseDlg::show_context() {
    QStringList pieces;
    if (!question_text_.isEmpty()) pieces.append(question_text_);
    const auto index = static_cast<std::size_t>(m_lRecord - 1);
    QStringList where;
    if (m_record.roster != 0) where.append(QStringLiteral("iteration %1").arg(m_record.roster));
    // Every answer has a list number; it says something only in a list.
    const int answers = have_records_ ? oc::answers_in_list(records_, index) : 0;
    if (m_record.list_no != 0 && answers > 1)
        where.append(QStringLiteral("answer %1 of %2").arg(m_record.list_no).arg(answers));
    if (!where.isEmpty()) pieces.append(where.join(QStringLiteral(", ")));
    QString position = QStringLiteral("record %1 of %2").arg(m_lRecord).arg(quest_.record_count);
    if (have_records_) position += QStringLiteral(", %1 coded").arg(coded_);
    pieces.append(position);
    if (have_records_ && index < records_.size()) {
        const oc::answer_group& group = groups_.groups[groups_.group_of[index]];
        const auto others = static_cast<int>(group.records.size()) - 1;
        if (others > 0)
            pieces.append(QStringLiteral("%1 other%2 with the same answer, %3 coded")
                              .arg(others)
                              .arg(others == 1 ? "" : "s")
                              .arg(group.coded - (records_[index].codes.empty() ? 0 : 1)));
    }
    context_->setText(pieces.join(QStringLiteral("  \u00b7  ")));
}

// The question and respondent line above the answer; the answer itself.
QLayout* CCodingResponseDlg::build_answer_area(const QFont* font) {
    question_ = new QLabel(this);
    question_->setObjectName(QStringLiteral("questionName"));
    respondent_ = new QLabel(this);
    respondent_->setObjectName(QStringLiteral("respondentNumber"));
    answer_ = new QPlainTextEdit(this);
    answer_->setObjectName(QStringLiteral("answerText"));
    answer_->setReadOnly(true);
    answer_->setTabChangesFocus(true);
    answer_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    answer_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    answer_->setMinimumSize(dialog_units(*this, 200, 50));
    answer_->installEventFilter(this);
    if (font) {
        question_->setFont(*font);
        respondent_->setFont(*font);
        answer_->setFont(*font);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Question:"), this));
    top->addWidget(question_);
    top->addStretch();
    top->addWidget(new QLabel(QStringLiteral("Respondent:"), this));
    top->addWidget(respondent_);

    context_ = new QLabel(this);
    context_->setObjectName(QStringLiteral("contextLine"));
    context_->setTextFormat(Qt::PlainText);
    context_->setWordWrap(true);
    return top;
}

// The CATI sound buttons, shown only when there is a sound-file directory.
void CCodingResponseDlg::build_sound_controls() {
    sound_label_ = new QLabel(QStringLiteral("CATI\nSound Coding"), this);
    sound_label_->setObjectName(QStringLiteral("soundLabel"));
    sound_label_->setAlignment(Qt::AlignCenter);
    sound_group_ = new QGroupBox(this);
    sound_group_->setObjectName(QStringLiteral("soundGroup"));
    play_ = make_push_button(sound_group_, QString(), QStringLiteral("playButton"));
    stop_ = make_push_button(sound_group_, QString(), QStringLiteral("stopButton"));
    delete_ = make_push_button(sound_group_, QString(), QStringLiteral("deleteButton"));
    auto* sound_buttons = new QHBoxLayout(sound_group_);
    for (QPushButton* b : {play_, stop_, delete_}) {
        b->setFixedSize(dialog_units(*this, 16, 14));
        sound_buttons->addWidget(b);
    }
    // Without a sound-file directory there is nothing to play: the controls
    // stay out of sight and the dialog works without them.
    if (g_soundDir.empty()) {
        sound_group_->hide();
        sound_label_->hide();
    } else {
        play_->setIcon(sound_icon(sound_image::play));
        stop_->setIcon(sound_icon(sound_image::stop));
        delete_->setIcon(sound_icon(sound_image::remove));
    }
    // Function keys leave the code boxes' typing alone; a button's shortcut
    // works only while the button is shown and enabled.
    play_->setShortcut(Qt::Key_F5);
    stop_->setShortcut(Qt::Key_F6);
    play_->setToolTip(QStringLiteral("Play the recorded answer (F5)"));
    stop_->setToolTip(QStringLiteral("Stop playing (F6)"));
    delete_->setToolTip(QStringLiteral("Delete the recorded answer"));
    set_sound_enabled(false);
}

// The buttons along the bottom, in the tab order after the code boxes and
// the answer.
QLayout* CCodingResponseDlg::build_buttons() {
    previous_ = make_push_button(this, QStringLiteral("&<<"), QStringLiteral("previousButton"));
    next_ = make_push_button(this, QStringLiteral("&>>"), QStringLiteral("nextButton"));
    next_->setDefault(true);  // Return in a code box means "&>>"
    for (QPushButton* b : {previous_, next_}) b->setFixedSize(dialog_units(*this, 40, 14));
    next_uncoded_ = make_push_button(this, QStringLiteral("Next &uncoded"), QStringLiteral("nextUncodedButton"));
    next_uncoded_->setToolTip(QStringLiteral("Save and go to the next record without codes (Ctrl+N)"));
    apply_same_ = make_push_button(this, QStringLiteral("&Apply to all the same"), QStringLiteral("applySameButton"));
    apply_same_->setToolTip(QStringLiteral("Give these codes to every record with the same answer (Ctrl+Return)"));
    auto* save = make_push_button(this, QStringLiteral("Save and Exit"), QStringLiteral("saveButton"));
    auto* cancel = make_push_button(this, QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    frame_toggle_ = make_push_button(this, QStringLiteral("Code &Frame"), QStringLiteral("frameToggle"));
    frame_toggle_->setCheckable(true);
    frame_toggle_->setToolTip(QStringLiteral("Show or hide the code frame (Ctrl+F: its filter)"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(previous_);
    bottom->addWidget(next_);
    bottom->addWidget(next_uncoded_);
    bottom->addWidget(apply_same_);
    bottom->addStretch();
    bottom->addWidget(sound_label_);
    bottom->addWidget(sound_group_);
    bottom->addStretch();
    bottom->addWidget(frame_toggle_);
    bottom->addWidget(save);
    bottom->addWidget(cancel);

    // The code boxes come first, so typing starts in box 1; the frame after
    // the answer, as it sits on screen.
    QWidget* previous_in_chain = boxes_.back();
    for (QWidget* w : std::initializer_list<QWidget*>{answer_, panel_->filter(), panel_->codes_view(),
                                                      panel_->new_code_button(), previous_, next_, next_uncoded_,
                                                      apply_same_, find_text_, find_next_, find_previous_, play_, stop_,
                                                      delete_, frame_toggle_, save, cancel}) {
        setTabOrder(previous_in_chain, w);
        previous_in_chain = w;
    }

    connect(previous_, &QPushButton::clicked, this, &CCodingResponseDlg::OnPrevious);
    connect(next_, &QPushButton::clicked, this, &CCodingResponseDlg::OnNext);
    connect(next_uncoded_, &QPushButton::clicked, this, &CCodingResponseDlg::OnNextUncoded);
    connect(apply_same_, &QPushButton::clicked, this, &CCodingResponseDlg::OnApplyToSame);
    connect(save, &QPushButton::clicked, this, &CCodingResponseDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(play_, &QPushButton::clicked, this, &CCodingResponseDlg::OnPlaySound);
    connect(stop_, &QPushButton::clicked, this, &CCodingResponseDlg::OnStopSound);
    connect(delete_, &QPushButton::clicked, this, &CCodingResponseDlg::OnDeleteSound);
    connect(frame_toggle_, &QPushButton::toggled, this, [this](bool shown) {
        const bool had_focus = panel_->isAncestorOf(QApplication::focusWidget());
        panel_->setVisible(shown);
        if (had_focus && !shown) focus_boxes();
    });

    return bottom;
}

// The search in the answers, out of sight until Ctrl+Shift+F, and the line
// that says what the last action did.
QLayout* CCodingResponseDlg::build_find_bar() {
    find_bar_ = new QWidget(this);
    find_bar_->setObjectName(QStringLiteral("findBar"));
    find_text_ = new QLineEdit(find_bar_);
    find_text_->setObjectName(QStringLiteral("findText"));
    find_text_->setToolTip(QStringLiteral("Answers holding every word (Return or F3: next, Shift+F3: previous, "
                                          "Escape: back to the codes)"));
    find_text_->installEventFilter(this);
    auto* label = new QLabel(QStringLiteral("F&ind:"), find_bar_);
    label->setBuddy(find_text_);
    find_next_ = make_push_button(find_bar_, QStringLiteral("Next"), QStringLiteral("findNextButton"));
    find_previous_ = make_push_button(find_bar_, QStringLiteral("Previous"), QStringLiteral("findPreviousButton"));
    find_next_->setToolTip(QStringLiteral("The next answer found (F3)"));
    find_previous_->setToolTip(QStringLiteral("The previous answer found (Shift+F3)"));
    connect(find_next_, &QPushButton::clicked, this, &CCodingResponseDlg::OnFindNext);
    connect(find_previous_, &QPushButton::clicked, this, &CCodingResponseDlg::OnFindPrevious);
    auto* bar = new QHBoxLayout(find_bar_);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(label);
    bar->addWidget(find_text_, 1);
    bar->addWidget(find_next_);
    bar->addWidget(find_previous_);
    find_bar_->hide();

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setTextFormat(Qt::PlainText);
    auto* row = new QHBoxLayout;
    row->addWidget(find_bar_, 1);
    row->addWidget(status_, 1);
    return row;
}

void CCodingResponseDlg::open_find() {
    find_bar_->show();
    find_text_->setFocus(Qt::ShortcutFocusReason);
    find_text_->selectAll();
}

// The question's boxes in columns of up to ten, each as "N:", the box and
// the label of the code in it, which takes the column's spare width.
void CCodingResponseDlg::build_code_area(QWidget& area, const QFont* font) {
    auto* grid = new QGridLayout(&area);
    grid->setContentsMargins(0, 0, 0, 0);
    const int used_count = static_cast<int>(m_codes.size());
    const int columns = std::max(1, (used_count + kBoxesPerColumn - 1) / kBoxesPerColumn);
    const int rows = std::max(1, (used_count + columns - 1) / columns);
    const QSize box_size = dialog_units(*this, kBoxWidth, kBoxHeight);
    const int width = std::clamp<int>(quest_.code_width, 1, 32767);
    for (int n = 1; n <= oc::kMaxCodes; ++n) {
        const int column = (n - 1) / rows, row = (n - 1) % rows;
        auto* box = new QLineEdit(&area);
        box->setObjectName(QStringLiteral("codeBox%1").arg(n));
        box->setFixedSize(box_size);
        auto* label = new QLabel(QStringLiteral("%1:").arg(n), &area);
        label->setObjectName(QStringLiteral("codeLabel%1").arg(n));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(box);
        auto* meaning = new elided_label(&area);
        meaning->setObjectName(QStringLiteral("codeMeaning%1").arg(n));
        // Only the question's boxes are in use; the rest stay hidden and
        // out of the tab order.
        const bool used = n <= m_codes.size();
        if (used) {
            grid->addWidget(label, row, 3 * column);
            grid->addWidget(box, row, 3 * column + 1);
            grid->addWidget(meaning, row, 3 * column + 2);
            grid->setColumnStretch(3 * column + 2, 1);
        }
        label->setVisible(used);
        box->setVisible(used);
        box->setEnabled(used);
        meaning->setVisible(used);
        meanings_.append(meaning);
        box->setMaxLength(width);
        if (font) box->setFont(*font);
        const int slot = n - 1;
        connect(box, &QLineEdit::textChanged, this, [this, slot] { OnCodeChange(slot); });
        box->installEventFilter(this);
        if (!boxes_.isEmpty()) setTabOrder(boxes_.back(), box);
        boxes_.append(box);
    }
}

void CCodingResponseDlg::set_sound_enabled(bool enabled) {
    for (QPushButton* b : {play_, stop_, delete_}) b->setEnabled(enabled);
}

bool CCodingResponseDlg::LoadRecord() {
    if (oc::seek_question_record(cursor_, m_lRecord, m_record) != 0) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        // Before the modal loop runs the caller sees loaded() false instead.
        if (isVisible()) reject();
        setResult(QDialog::Rejected);
        return false;
    }
    set_sound_enabled(false);
    status_->setText(QString());
    // Each answer is looked up afresh: the whole frame again.
    panel_->filter()->clear();
    m_record.code_slots = static_cast<std::uint8_t>(m_codes.size());
    for (int i = 0; i < m_codes.size(); ++i) {
        const std::int16_t code = i < m_record.codes_count ? m_record.codes[static_cast<std::size_t>(i)] : -1;
        // A column that holds no valid code (blank within the count, or 0)
        // shows empty: the box never shows what would not be saved.
        if (is_code(code)) {
            boxes_[i]->setText(QString::number(code));
            m_codes[i] = static_cast<std::uint16_t>(code);
        } else {
            boxes_[i]->clear();
            m_codes[i] = kNoCode;
        }
    }
    for (int i = 0; i < m_codes.size(); ++i) show_meaning(i);
    question_->setText(QString::fromLatin1(m_record.qname));
    respondent_->setText(QString::number(m_record.respondent));
    answer_->setPlainText(QString::fromLocal8Bit(m_record.text.c_str()));
    show_context();
    // Recordings of this record are looked for only with a sound-file
    // directory; the search enables Play, Stop and Delete when it finds one.
    if (!g_soundDir.empty() && search_sound_files(m_record)) set_sound_enabled(true);
    return true;
}

std::vector<std::int16_t> CCodingResponseDlg::typed_codes() const {
    std::vector<std::int16_t> codes;
    for (std::uint16_t code : m_codes)
        if (code != kCleared && code != kNoCode) codes.push_back(static_cast<std::int16_t>(code));
    return codes;
}

std::vector<std::int16_t> CCodingResponseDlg::held_codes() const {
    std::vector<std::int16_t> codes;
    for (int i = 0; i < std::min<int>(m_record.codes_count, oc::kMaxCodes); ++i)
        if (is_code(m_record.codes[static_cast<std::size_t>(i)])) codes.push_back(m_record.codes[static_cast<std::size_t>(i)]);
    return codes;
}

void CCodingResponseDlg::note_codes(std::int32_t record, const std::vector<std::int16_t>& codes) {
    const auto index = static_cast<std::size_t>(record - 1);
    if (!have_records_ || index >= records_.size()) return;
    std::vector<std::int16_t>& held = records_[index].codes;
    if (held.empty() != codes.empty()) {
        const int change = codes.empty() ? -1 : 1;
        coded_ += change;
        groups_.groups[groups_.group_of[index]].coded += change;
    }
    held = codes;
}

void CCodingResponseDlg::journal(const std::vector<oc::record_codes>& old_codes,
                                 const std::vector<oc::record_codes>& new_codes, const char* how) {
    if (have_records_) {
        journal_.write(records_, old_codes, new_codes, how);
        return;
    }
    // Without the records read at open, the one shown is all there is to name.
    for (const oc::record_codes& now : new_codes)
        if (now.record == m_lRecord && !old_codes.empty())
            journal_.write({m_record.respondent, m_record.sequence, m_record.roster, m_record.list_no, {}, {}},
                           old_codes.front().codes, now.codes, how);
}

bool CCodingResponseDlg::SaveRecord() {
    const std::vector<std::int16_t> codes = typed_codes(), had = held_codes();
    oc::resp_record saved = m_record;
    std::copy(codes.begin(), codes.end(), saved.codes.begin());
    const auto count = static_cast<std::uint8_t>(codes.size());
    saved.codes_count = count;
    for (int i = count; i < m_codes.size(); ++i) saved.codes[static_cast<std::size_t>(i)] = -1;
    if (oc::rewrite_current_record(cursor_, saved) != 0) {
        // The codes did not reach the file: say so, and keep them on screen.
        show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
        return false;
    }
    m_record = std::move(saved);
    const std::int32_t last_coded = quest_.last_record_coded;
    if (m_lRecord > quest_.last_record_coded && count != 0) quest_.last_record_coded = m_lRecord;
    if (had != codes) {
        history_.record({{{m_lRecord, had}}, {{m_lRecord, codes}}, last_coded, quest_.last_record_coded});
        journal({{m_lRecord, had}}, {{m_lRecord, codes}}, "dialog");
    }
    note_codes(m_lRecord, codes);
    show_context();
    return true;
}

bool CCodingResponseDlg::show_record(std::int32_t record) {
    m_lRecord = record;
    previous_->setEnabled(m_lRecord > 1);
    return LoadRecord();
}

void CCodingResponseDlg::OnApplyToSame() {
    const std::vector<std::int16_t> codes = typed_codes();
    const auto index = static_cast<std::size_t>(m_lRecord - 1);
    // No codes to give, or no answers known to compare with.
    if (codes.empty() || !have_records_ || index >= records_.size()) {
        beep();
        return;
    }
    const oc::group_codes_plan plan =
        oc::plan_group_codes(records_, groups_.groups[groups_.group_of[index]], codes, m_lRecord);
    const std::vector<oc::record_codes>& writes = plan.writes;
    const std::size_t coded_otherwise = plan.coded_otherwise;
    const oc::question_record* example = plan.example;
    if (writes.empty()) {
        status_->setText(QStringLiteral("Every record with this answer has these codes already."));
        return;
    }
    if (example) {
        const QString ask = QStringLiteral("%1 with the same answer %2 other codes, e.g. respondent %3: %4.\n\n"
                                           "Replace them with %5?")
                                .arg(records_text(coded_otherwise), coded_otherwise == 1 ? "has" : "have")
                                .arg(example->respondent)
                                .arg(codes_text(example->codes), codes_text(codes));
        if (show_text(ask, box_style::question_ok_cancel) != box_answer::ok) return;
    }
    std::vector<oc::record_codes> before;
    const std::int32_t last_coded = quest_.last_record_coded;
    const oc::failure problem = oc::write_codes(cursor_, quest_, writes, before);
    // What was written before a failure is a step too, to be taken back.
    if (!before.empty()) {
        std::vector<oc::record_codes> after;
        for (oc::record_codes& was : before) {
            std::erase_if(was.codes, [](std::int16_t c) { return !is_code(c); });
            after.push_back({was.record, codes});
        }
        journal(before, after, "all");
        for (const oc::record_codes& was : before) note_codes(was.record, codes);
        history_.record({before, std::move(after), last_coded, quest_.last_record_coded});
    }
    if (problem) show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
    // The cursor has moved on: back to the shown record, saved with the rest.
    if (!LoadRecord()) return;
    focus_first_box();
    status_->setText(QStringLiteral("Codes %1 written into %2.").arg(codes_text(codes), records_text(before.size())));
}

void CCodingResponseDlg::OnNextUncoded() {
    if (!SaveRecord()) return;
    if (!have_records_) {
        beep();
        return;
    }
    const auto count = static_cast<std::int32_t>(records_.size());
    for (std::int32_t step = 1; step < count; ++step) {
        const std::int32_t record = (m_lRecord - 1 + step) % count + 1;
        if (!records_[static_cast<std::size_t>(record - 1)].codes.empty()) continue;
        if (show_record(record)) focus_first_box();
        return;
    }
    show_text(QStringLiteral("Every other record of %1 has codes.").arg(QString::fromLatin1(quest_.name)),
              box_style::information);
}

void CCodingResponseDlg::OnFindNext() { find(1); }
void CCodingResponseDlg::OnFindPrevious() { find(-1); }

void CCodingResponseDlg::find(int direction) {
    const QString query = find_text_->text().simplified();
    // Nothing to look for yet: the box to type it in.
    if (query.isEmpty() || !find_bar_->isVisible()) open_find();
    if (query.isEmpty() || !have_records_) return;
    // Words are compared as the answers are grouped: case folded.
    std::vector<std::string> words;
    for (const QString& word : query.split(QLatin1Char(' ')))
        if (std::string folded = oc::normalise_answer(word.toLocal8Bit().toStdString()); !folded.empty())
            words.push_back(std::move(folded));
    if (words.empty()) return;  // marks only: nothing to look for
    const auto count = static_cast<std::int32_t>(records_.size());
    for (std::int32_t step = 1; step < count; ++step) {
        const std::int32_t record = ((m_lRecord - 1 + direction * step) % count + count) % count + 1;
        const std::string& answer = groups_.groups[groups_.group_of[static_cast<std::size_t>(record - 1)]].answer;
        if (!std::all_of(words.begin(), words.end(),
                         [&](const std::string& word) { return answer.find(word) != std::string::npos; }))
            continue;
        const bool typing = find_text_->hasFocus();
        if (!SaveRecord() || !show_record(record)) return;
        if (!typing) focus_first_box();
        return;
    }
    beep();
    status_->setText(QStringLiteral("No other answer holds \u201c%1\u201d.").arg(query));
}

void CCodingResponseDlg::OnUndo() {
    // Typing not yet saved is the newest change.
    if (typed_codes() != held_codes()) {
        if (LoadRecord()) focus_first_box();
        return;
    }
    step_history(true);
}

void CCodingResponseDlg::OnRedo() {
    // Typing not yet saved would be lost: it is saved or taken back first.
    if (typed_codes() != held_codes()) {
        beep();
        return;
    }
    step_history(false);
}

// Takes back the last save (`back`) or does the last taken back again, and
// shows the first record it wrote.
void CCodingResponseDlg::step_history(bool back) {
    const oc::coding_step* step = back ? history_.undo_step() : history_.redo_step();
    if (!step) {
        beep();
        return;
    }
    const std::vector<oc::record_codes> from = back ? step->after : step->before, to = back ? step->before : step->after;
    std::int32_t shown = m_lRecord;
    if (back ? history_.undo(cursor_, quest_, shown) : history_.redo(cursor_, quest_, shown)) {
        show_message(oc::IDS_CODER_WRITE_ERROR, box_style::exclamation);
        show_record(m_lRecord);
        return;
    }
    journal(from, to, back ? "undo" : "redo");
    for (const oc::record_codes& record : to) note_codes(record.record, record.codes);
    if (!show_record(shown)) return;
    focus_first_box();
    status_->setText(back ? QStringLiteral("Undone: %1 back to the codes held before.").arg(records_text(to.size()))
                          : QStringLiteral("Redone: %1 given the codes again.").arg(records_text(to.size())));
}

void CCodingResponseDlg::OnCodeChange(int slot) {
    // A refused text is mended in the box, a change judged again on its own.
    const code_text judged = mend_code_box(*boxes_[slot]);
    switch (judged.what) {
    case code_text::empty:
        if (m_codes[slot] != kNoCode) m_codes[slot] = kCleared;
        break;
    case code_text::code: m_codes[slot] = static_cast<std::uint16_t>(judged.value); break;
    case code_text::out_of_range: m_codes[slot] = kCleared; break;
    case code_text::not_digits: break;
    }
    // Whatever the box ends up holding, its label follows.
    show_meaning(slot);
}

void CCodingResponseDlg::show_meaning(int slot) {
    if (slot >= m_codes.size()) return;
    const std::uint16_t code = m_codes[slot];
    // Without a frame for the question there is nothing to say of any code.
    if (code == kNoCode || code == kCleared || !panel_->has_codes() || boxes_[slot]->text().isEmpty()) {
        meanings_[slot]->set_full_text(QString());
        return;
    }
    const QString* label = panel_->label_of(code);
    meanings_[slot]->set_full_text(label ? *label : QStringLiteral("(not in the code frame)"));
}

void CCodingResponseDlg::put_code(int code) {
    // As typing it would be: more digits than the question's width is refused.
    if (QString::number(code).size() > std::clamp<int>(quest_.code_width, 1, 4)) {
        beep();
        return;
    }
    const auto empty = std::find_if(boxes_.begin(), boxes_.begin() + m_codes.size(),
                                    [](const QLineEdit* box) { return box->text().isEmpty(); });
    if (empty == boxes_.begin() + m_codes.size()) {
        beep();  // every box holds a code
        return;
    }
    (*empty)->setText(QString::number(code));
    // On to the next empty box, or stay on this one: Return there is "&>>".
    const auto next = std::find_if(empty + 1, boxes_.begin() + m_codes.size(),
                                   [](const QLineEdit* box) { return box->text().isEmpty(); });
    (next != boxes_.begin() + m_codes.size() ? *next : *empty)->setFocus(Qt::OtherFocusReason);
}

void CCodingResponseDlg::focus_boxes() {
    if (m_codes.isEmpty()) return;
    const auto empty = std::find_if(boxes_.begin(), boxes_.begin() + m_codes.size(),
                                    [](const QLineEdit* box) { return box->text().isEmpty(); });
    (empty != boxes_.begin() + m_codes.size() ? *empty : boxes_[0])->setFocus(Qt::OtherFocusReason);
}

void CCodingResponseDlg::focus_first_box() {
    if (m_codes.isEmpty()) return;
    boxes_[0]->setFocus(Qt::OtherFocusReason);
    boxes_[0]->selectAll();
}

void CCodingResponseDlg::OnPrevious() {
    if (m_lRecord <= 1) return;  // there is no record before the first
    if (!SaveRecord()) return;
    --m_lRecord;
    if (m_lRecord < 2) previous_->setEnabled(false);
    if (!LoadRecord()) return;
    focus_first_box();
}

void CCodingResponseDlg::OnNext() {
    if (!SaveRecord()) return;
    ++m_lRecord;
    if (m_lRecord > quest_.record_count) {
        show_message(oc::IDS_LAST_RECORD_CODED, box_style::information);
        --m_lRecord;
        return;
    }
    if (m_lRecord > 1) previous_->setEnabled(true);
    if (!LoadRecord()) return;
    focus_first_box();
}

void CCodingResponseDlg::OnOK() {
    if (SaveRecord()) accept();
}

void CCodingResponseDlg::OnPlaySound() {
    if (g_soundFoundNo != -1) {
        g_soundChosenNo = g_soundFoundNo;
        current_sound_player().play(from_native_bytes(sound_take_path(g_soundFoundNo)));
        return;
    }
    CSelectSoundFile list(this);
    if (run_modal(list) != QDialog::Accepted) return;
    current_sound_player().play(from_native_bytes(sound_take_path(g_soundChosenNo)));
}

void CCodingResponseDlg::OnStopSound() { current_sound_player().stop(); }

void CCodingResponseDlg::OnDeleteSound() {
    int take = 0;
    if (g_soundFoundNo >= 1)
        take = g_soundFoundNo;
    else if (g_soundFoundNo == -1 && g_soundChosenNo >= 1)
        take = g_soundChosenNo;
    if (take == 0) {
        show_message(oc::IDS_NO_SOUND_SELECTED, box_style::none);
        return;
    }
    const QString file_name = QStringLiteral("%1.wav").arg(take);
    const QStringList parts{from_native_bytes(g_soundDir), from_native_bytes(g_soundPrefix), file_name};
    if (show_message(oc::IDS_DELETE_TAKE, parts, box_style::ok_cancel) != box_answer::ok) return;
    if (::unlink(sound_take_path(take).c_str()) != 0) show_message(oc::IDS_DELETE_FAILED, box_style::none);
    // The buttons and numbers stay as they are until the next record.
}

bool CCodingResponseDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Return searches on; Escape leaves the search for the codes and
        // keeps the dialog open.
        if (watched == find_text_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            find(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
            return true;
        }
        if (watched == find_text_ && key->key() == Qt::Key_Escape) {
            find_bar_->hide();
            focus_boxes();
            return true;
        }
        // A box would undo its own typing; the dialog's undo takes that back too.
        const bool in_box = std::find(boxes_.begin(), boxes_.end(), watched) != boxes_.end();
        if (in_box && key->keyCombination() == kUndoKey) {
            OnUndo();
            return true;
        }
        if (in_box && key->keyCombination() == kRedoKey) {
            OnRedo();
            return true;
        }
    }
    // The answer is read, not edited: it never shows selected.
    if (watched == answer_ && event->type() == QEvent::FocusIn) {
        QTextCursor cursor = answer_->textCursor();
        cursor.movePosition(QTextCursor::Start);
        answer_->setTextCursor(cursor);
        answer_->ensureCursorVisible();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace oc_ui
