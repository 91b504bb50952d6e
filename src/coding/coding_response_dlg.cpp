#include "coding/coding_response_dlg.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <memory>

#include "frame/library_state.h"
#include "frame/messages.h"
#include "resources/status_images.h"
#include "resources/string_table.h"
#include "suite/tools/default_font.h"

namespace oc_ui {

namespace {

constexpr int kBoxesPerColumn = 5;

QPushButton* make_button(QWidget* parent, const QString& text, const char* name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

void add_shortcuts(QWidget* parent, std::initializer_list<QKeySequence> keys, QPushButton* button) {
    for (const QKeySequence& key : keys) {
        auto* shortcut = new QShortcut(key, parent);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled()) button->click();
        });
    }
}

}  // namespace

CCodingResponseDlg::CCodingResponseDlg(oc::coder_cursor& cursor, std::int32_t start, oc::quest_spec& quest,
                                       QWidget* parent)
    : QDialog(parent), cursor_(cursor), quest_(quest), m_lRecord(start),
      m_codes(std::clamp<int>(quest.max_codes, 0, oc::kMaxCodes), kNoCode) {
    setObjectName(QStringLiteral("codingResponseDialog"));
    setWindowTitle(QStringLiteral("Enter Codes For Respondents"));
    std::unique_ptr<QFont> font(GetDefaultFont(0, nullptr));

    question_ = new QLabel(this);
    question_->setObjectName(QStringLiteral("questionName"));
    respondent_ = new QLabel(this);
    respondent_->setObjectName(QStringLiteral("respondentNumber"));
    answer_ = new QPlainTextEdit(this);
    answer_->setObjectName(QStringLiteral("answerText"));
    answer_->setReadOnly(true);
    answer_->setMinimumHeight(110);
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

    // Six columns of five boxes; the tab order runs down each column.
    auto* grid = new QGridLayout;
    for (int n = 1; n <= oc::kMaxCodes; ++n) {
        auto* label = new QLabel(QStringLiteral("%1:").arg(n), this);
        label->setObjectName(QStringLiteral("codeLabel%1").arg(n));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("codeBox%1").arg(n));
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 5 + 12);
        label->setBuddy(box);
        int column = (n - 1) / kBoxesPerColumn, row = (n - 1) % kBoxesPerColumn;
        grid->addWidget(label, row, column * 2);
        grid->addWidget(box, row, column * 2 + 1);
        bool used = n <= m_codes.size();
        label->setVisible(used);
        box->setVisible(used);
        box->setEnabled(used);
        box->setMaxLength(std::max<int>(1, quest_.code_width));
        if (font) box->setFont(*font);
        const int slot = n - 1;
        connect(box, &QLineEdit::textChanged, this, [this, slot] { OnCodeChange(slot); });
        boxes_.append(box);
        labels_.append(label);
    }

    grid->setColumnStretch(oc::kMaxCodes / kBoxesPerColumn * 2, 1);  // boxes stay at the left

    previous_ = make_button(this, QStringLiteral("&<<"), "previousButton");
    next_ = make_button(this, QStringLiteral("&>>"), "nextButton");
    next_->setAutoDefault(true);
    next_->setDefault(true);
    auto* save = make_button(this, QStringLiteral("Save and Exit"), "saveButton");
    auto* cancel = make_button(this, QStringLiteral("Cancel"), "cancelButton");
    previous_->setToolTip(QStringLiteral("Save and show the previous record (Alt+<)"));
    next_->setToolTip(QStringLiteral("Save and show the next record (Enter, Alt+>)"));

    sound_group_ = new QGroupBox(this);
    sound_group_->setObjectName(QStringLiteral("soundGroup"));
    play_ = make_button(sound_group_, QString(), "playButton");
    play_->setIcon(sound_icon(sound_image::play));
    stop_ = make_button(sound_group_, QString(), "stopButton");
    stop_->setIcon(sound_icon(sound_image::stop));
    delete_ = make_button(sound_group_, QString(), "deleteButton");
    delete_->setIcon(sound_icon(sound_image::remove));
    auto* sound_buttons = new QHBoxLayout(sound_group_);
    sound_buttons->addWidget(play_);
    sound_buttons->addWidget(stop_);
    sound_buttons->addWidget(delete_);
    sound_label_ = new QLabel(QStringLiteral("CATI\nSound Coding"), this);
    sound_label_->setObjectName(QStringLiteral("soundLabel"));
    sound_label_->setAlignment(Qt::AlignCenter);
    // The sound controls serve only studies with a sound-file directory.
    bool sound = !g_soundDir.empty();
    for (QWidget* w : {static_cast<QWidget*>(sound_group_), static_cast<QWidget*>(sound_label_)}) w->setVisible(sound);
    for (QPushButton* b : {play_, stop_, delete_}) b->setEnabled(false);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(previous_);
    bottom->addWidget(next_);
    bottom->addStretch();
    bottom->addWidget(sound_label_);
    bottom->addWidget(sound_group_);
    bottom->addStretch();
    bottom->addWidget(save);
    bottom->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(answer_);
    layout->addLayout(grid);
    layout->addLayout(bottom);

    // Keyboard users on any layout: '<' and '>' with or without Shift.
    add_shortcuts(this, {QKeySequence(Qt::ALT | Qt::Key_Less), QKeySequence(Qt::ALT | Qt::Key_Comma),
                         QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Less)}, previous_);
    add_shortcuts(this, {QKeySequence(Qt::ALT | Qt::Key_Greater), QKeySequence(Qt::ALT | Qt::Key_Period),
                         QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Greater)}, next_);

    connect(previous_, &QPushButton::clicked, this, &CCodingResponseDlg::OnPrevious);
    connect(next_, &QPushButton::clicked, this, &CCodingResponseDlg::OnNext);
    connect(save, &QPushButton::clicked, this, &CCodingResponseDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    loaded_ = LoadRecord();
    previous_->setEnabled(m_lRecord > 1);
    focus_first_box();
}

bool CCodingResponseDlg::LoadRecord() {
    if (oc::seek_question_record(cursor_, m_lRecord, m_record) != 0) {
        show_message(oc::IDS_CODER_DATA_READ_ERROR, box_style::exclamation);
        // Ends the dialog whether or not its modal loop has started.
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
        setResult(QDialog::Rejected);
        return false;
    }
    for (QPushButton* b : {play_, stop_, delete_}) b->setEnabled(false);
    m_record.code_slots = static_cast<std::uint8_t>(m_codes.size());
    for (int i = 0; i < m_codes.size(); ++i) {
        if (i < m_record.codes_count) {
            std::int16_t code = m_record.codes[static_cast<std::size_t>(i)];
            boxes_[i]->setText(QString::number(code));
            m_codes[i] = static_cast<std::uint16_t>(code);
        } else {
            boxes_[i]->clear();
            m_codes[i] = kNoCode;
        }
    }
    question_->setText(QString::fromLatin1(m_record.qname));
    respondent_->setText(QString::number(m_record.respondent));
    answer_->setPlainText(QString::fromLocal8Bit(m_record.text.c_str()));
    return true;
}

void CCodingResponseDlg::SaveRecord() {
    std::uint8_t count = 0;
    for (std::uint16_t code : m_codes)
        if (code != kCleared && code != kNoCode) m_record.codes[count++] = static_cast<std::int16_t>(code);
    m_record.codes_count = count;
    for (int i = count; i < m_codes.size(); ++i) m_record.codes[static_cast<std::size_t>(i)] = -1;
    oc::rewrite_current_record(cursor_, m_record);
    if (m_lRecord > quest_.last_record_coded && count != 0) quest_.last_record_coded = m_lRecord;
}

void CCodingResponseDlg::OnCodeChange(int slot) {
    QLineEdit* box = boxes_[slot];
    const QString text = box->text();
    if (text.isEmpty()) {
        if (m_codes[slot] != kNoCode) m_codes[slot] = kCleared;
        return;
    }
    int start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' ')) ++start;
    const QString digits = text.mid(start);
    bool reads = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    if (reads) {
        bool fits = false;
        qulonglong value = digits.size() <= 18 ? digits.toULongLong(&fits) : 0;
        if (fits && value >= 1 && value < 10000) {
            m_codes[slot] = static_cast<std::uint16_t>(value);
            return;
        }
        box->clear();
        beep();
        m_codes[slot] = kCleared;
        return;
    }
    // Keep the digits only, in one pass; putting them back is a change of its
    // own and is judged again.
    QString kept;
    for (QChar c : text)
        if (c.isLetterOrNumber() && !c.isLetter()) kept.append(c);
    beep();
    box->setText(kept);
}

void CCodingResponseDlg::focus_first_box() {
    if (boxes_.isEmpty() || !boxes_[0]->isEnabled()) return;
    boxes_[0]->setFocus();
    boxes_[0]->selectAll();
}

void CCodingResponseDlg::OnPrevious() {
    SaveRecord();
    --m_lRecord;
    if (m_lRecord < 2) previous_->setEnabled(false);
    if (!LoadRecord()) return;
    focus_first_box();
}

void CCodingResponseDlg::OnNext() {
    SaveRecord();
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
    SaveRecord();
    accept();
}

bool CCodingResponseDlg::eventFilter(QObject* watched, QEvent* event) {
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
