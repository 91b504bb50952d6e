#include "ui/widgets/frame_panel.h"

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engines/frame/frame_job.h"
#include "ui/frame/messages.h"
#include "ui/frame/ok_cancel_column.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/study_locks_ui.h"

namespace oc_ui {

namespace {

constexpr int kCodeRole = Qt::UserRole;

QString from_utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

bool all_digits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The label and optional net of a code to add; OK only with a label.
class new_code_dialog : public QDialog {
public:
    new_code_dialog(const QString& question, const QStringList& nets, QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("newCodeDialog"));
        setWindowTitle(QStringLiteral("New Code for %1").arg(question));
        label_ = new QLineEdit(this);
        label_->setObjectName(QStringLiteral("newCodeLabel"));
        label_->setMaxLength(static_cast<int>(oc::kMaxFrameLabel));
        label_->setMinimumWidth(label_->fontMetrics().averageCharWidth() * 40);
        net_ = new QComboBox(this);
        net_->setObjectName(QStringLiteral("newCodeNet"));
        net_->setEditable(true);
        net_->addItem(QString());
        net_->addItems(nets);
        net_->lineEdit()->setMaxLength(static_cast<int>(oc::kMaxFrameLabel));
        auto* fields = new QFormLayout;
        fields->addRow(QStringLiteral("&Label:"), label_);
        fields->addRow(QStringLiteral("&Net:"), net_);
        auto* layout = new QHBoxLayout(this);
        layout->addLayout(fields);
        QVBoxLayout* buttons = make_ok_cancel_column(*this);
        layout->addLayout(buttons);
        auto* ok = findChild<QPushButton*>(QStringLiteral("okButton"));
        ok->setEnabled(false);
        connect(label_, &QLineEdit::textChanged, ok,
                [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
    }
    QString label() const { return label_->text().trimmed(); }
    QString net() const { return net_->currentText().trimmed(); }

private:
    QLineEdit* label_;
    QComboBox* net_;
};

}  // namespace

frame_panel::frame_panel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("framePanel"));
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("frameFilter"));
    filter_->setPlaceholderText(QStringLiteral("Words of a label, or a code (Ctrl+F)"));
    filter_->setClearButtonEnabled(true);
    auto* filter_label = new QLabel(QStringLiteral("Fi&lter:"), this);
    filter_label->setBuddy(filter_);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("frameCodes"));
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Label")});
    tree_->header()->setStretchLastSection(true);
    tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // Same-height rows keep a list of thousands of codes quick to lay out.
    tree_->setUniformRowHeights(true);
    tree_->setAllColumnsShowFocus(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);

    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("frameNote"));
    note_->setWordWrap(true);
    note_->hide();

    new_code_ = make_push_button(this, QStringLiteral("&New code…"), QStringLiteral("newCodeButton"));

    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(filter_label);
    filter_row->addWidget(filter_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(new_code_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(filter_row);
    layout->addWidget(note_);
    layout->addWidget(tree_, 1);
    layout->addLayout(buttons);
    setTabOrder(filter_, tree_);
    setTabOrder(tree_, new_code_);

    filter_->installEventFilter(this);
    tree_->installEventFilter(this);
    connect(filter_, &QLineEdit::textChanged, this, &frame_panel::apply_filter);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (!item->data(0, kCodeRole).isValid()) return;  // a net
        tree_->setCurrentItem(item);
        choose_current();
    });
    connect(new_code_, &QPushButton::clicked, this, &frame_panel::add_code);
}

void frame_panel::show_question(const std::string& base, const std::string& question, const QString& command) {
    base_ = base;
    question_ = question;
    command_ = command;
    new_code_->setEnabled(!base_.empty());
    load();
}

QWidget* frame_panel::codes_view() const { return tree_; }

const QString* frame_panel::label_of(int code) const {
    auto at = labels_.constFind(code);
    return at == labels_.constEnd() ? nullptr : &at.value();
}

void frame_panel::focus_filter() {
    filter_->setFocus(Qt::ShortcutFocusReason);
    filter_->selectAll();
}

void frame_panel::load() {
    frame_ = oc::code_frame();
    labels_.clear();
    nets_.clear();
    entries_.clear();
    nets_items_.clear();
    visible_.clear();
    tree_->clear();
    const QString question = QString::fromLatin1(question_.c_str());
    QString note;
    if (!base_.empty()) {
        if (oc::failure failed = oc::load_frame(base_, frame_)) {
            // The coder goes on coding by number; the reason stays in view.
            note = QStringLiteral("The code frame cannot be read: %1").arg(from_utf8(failed.text()));
            frame_ = oc::code_frame();
        }
    }
    const std::vector<oc::frame_net> nets = frame_.nets_of(question_);
    QList<QTreeWidgetItem*> top;
    for (const oc::frame_net& net : nets) {
        QTreeWidgetItem* parent = nullptr;
        if (!net.name.empty()) {
            parent = new QTreeWidgetItem(QStringList{from_utf8(net.name)});
            parent->setFlags(Qt::ItemIsEnabled);
            nets_.append(parent->text(0));
            nets_items_.append(parent);
            top.append(parent);
        }
        for (const oc::frame_code* code : net.codes) {
            const QString label = from_utf8(code->label);
            auto* item = new QTreeWidgetItem(QStringList{QString::number(code->code), label});
            item->setData(0, kCodeRole, code->code);
            item->setToolTip(1, label);
            item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
            if (parent)
                parent->addChild(item);
            else
                top.append(item);
            labels_.insert(code->code, label);
            entries_.append({item, code->code, label.toCaseFolded(), true,
                             parent ? static_cast<int>(nets_items_.size()) - 1 : -1});
        }
    }
    tree_->addTopLevelItems(top);
    for (QTreeWidgetItem* net : nets_items_) net->setFirstColumnSpanned(true);
    nets_shown_ = QVector<bool>(nets_items_.size(), true);
    tree_->expandAll();
    if (note.isEmpty() && entries_.isEmpty())
        note = QStringLiteral("No code frame for %1. Add codes with New code… here or Code Frame… in the "
                              "Coder Main Menu, or import a frame with opencoder frame import.")
                   .arg(question);
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    apply_filter(filter_->text());
}

void frame_panel::apply_filter(const QString& text) {
    const QString wanted = text.trimmed();
    const bool by_number = all_digits(wanted);
    const int number = by_number ? wanted.toInt() : 0;
    const QStringList words = by_number ? QStringList() : wanted.toCaseFolded().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    visible_.clear();
    QVector<int> shown_in_net(nets_items_.size(), 0);
    int picked = -1;
    // Only items whose state changes are touched: hiding every item anew on
    // each keystroke would relayout the whole list each time.
    for (int i = 0; i < entries_.size(); ++i) {
        entry& e = entries_[i];
        bool shown = true;
        for (const QString& word : words)
            if (!e.folded.contains(word)) {
                shown = false;
                break;
            }
        if (shown != e.shown) {
            e.item->setHidden(!shown);
            e.shown = shown;
        }
        if (!shown) continue;
        if (e.net >= 0) ++shown_in_net[e.net];
        visible_.append(i);
        if (by_number ? e.code == number : picked < 0) picked = i;
    }
    // A net shows while one of its codes does. Counted from the entries:
    // asking the view of each item costs a lookup a row on every keystroke.
    for (int n = 0; n < nets_items_.size(); ++n) {
        const bool any = shown_in_net[n] > 0;
        if (nets_shown_[n] != any) {
            nets_items_[n]->setHidden(!any);
            nets_shown_[n] = any;
        }
    }
    if (picked < 0) {
        tree_->setCurrentItem(nullptr);
        tree_->clearSelection();
        return;
    }
    tree_->setCurrentItem(entries_[picked].item);
    tree_->scrollToItem(entries_[picked].item);
}

void frame_panel::step(int delta) {
    if (visible_.isEmpty()) return;
    QTreeWidgetItem* current = tree_->currentItem();
    qsizetype at = -1;
    for (qsizetype k = 0; k < visible_.size() && at < 0; ++k)
        if (entries_[visible_[k]].item == current) at = k;
    at = at < 0 ? (delta > 0 ? 0 : visible_.size() - 1) : std::clamp<qsizetype>(at + delta, 0, visible_.size() - 1);
    QTreeWidgetItem* item = entries_[visible_[at]].item;
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
}

void frame_panel::choose_current() {
    QTreeWidgetItem* current = tree_->currentItem();
    if (!current || current->isHidden() || !current->data(0, kCodeRole).isValid()) {
        beep();
        return;
    }
    emit code_chosen(current->data(0, kCodeRole).toInt());
}

bool frame_panel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == filter_ || watched == tree_) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Return and Escape stay in the panel: neither moves to another
        // record nor ends the dialog around it.
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            choose_current();
            return true;
        case Qt::Key_Escape:
            emit left();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (watched != filter_) break;
            step(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frame_panel::add_code() {
    if (base_.empty()) return;
    const QString question = QString::fromLatin1(question_.c_str());
    new_code_dialog ask(question, nets_, this);
    if (run_modal(ask) != QDialog::Accepted) return;
    oc::frame_code code;
    code.question = question_;
    code.label = ask.label().toStdString();
    code.net = ask.net().toStdString();
    oc::frame_addition added;
    {
        // The frame is read again under the lock, so a code another coder
        // added meanwhile is kept.
        oc::study_write_session session;
        if (!open_study_for_writing(base_, command_, session)) return;
        added = oc::add_frame_code(base_, code);
    }
    if (added.problem) {
        show_text(from_utf8(added.problem.text()), box_style::exclamation);
        return;
    }
    filter_->blockSignals(true);
    filter_->clear();
    filter_->blockSignals(false);
    load();
    emit frame_changed();
    for (const entry& e : entries_)
        if (e.code == added.code) tree_->setCurrentItem(e.item);
    emit code_chosen(added.code);
}

}  // namespace oc_ui
