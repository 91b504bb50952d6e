#include "dialogs/frame/frame_editor_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engines/frame/frame_job.h"
#include "suite/durable_file.h"
#include "ui/frame/dialog_style.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/frame/study_locks_ui.h"
#include "ui/tools/file_dlg.h"

namespace oc_ui {

namespace {

constexpr int kCodeRole = Qt::UserRole;     // on code rows: the code
constexpr int kNetRole = Qt::UserRole + 1;  // on every row: the net it stands under
const QString kCsvFilter = QStringLiteral("Code Frame Files (CSV)|*.csv|All Files|*|");

QString text_of(const std::string& utf8) { return QString::fromStdString(utf8); }

void show_failure(const oc::failure& problem) { show_text(from_native_bytes(problem.text()), box_style::exclamation); }

void cannot(const char* verb, const std::string& path) {
    show_text(QStringLiteral("Cannot %1 %2.").arg(QLatin1String(verb), from_native_bytes(path)),
              box_style::exclamation);
}

QPushButton* side_button(QWidget* parent, const QString& text, const char* name) {
    return make_push_button(parent, text, QString::fromLatin1(name));
}

}  // namespace

CFrameCodeDlg::CFrameCodeDlg(const oc::code_frame& frame, const std::string& question,
                             const oc::frame_code* original, const std::string& proposed_net, QWidget* parent)
    : QDialog(parent), frame_(frame), question_(question) {
    setObjectName(QStringLiteral("frameCodeDialog"));
    setWindowTitle(original ? QStringLiteral("Edit Code of %1").arg(text_of(question))
                            : QStringLiteral("Add Code to %1").arg(text_of(question)));
    code_ = new QSpinBox(this);
    code_->setObjectName(QStringLiteral("codeSpin"));
    code_->setRange(1, oc::kMaxFrameCode);
    label_ = new QLineEdit(this);
    label_->setObjectName(QStringLiteral("labelEdit"));
    label_->setMinimumWidth(320);
    net_ = new QComboBox(this);
    net_->setObjectName(QStringLiteral("netCombo"));
    net_->setEditable(true);
    net_->setInsertPolicy(QComboBox::NoInsert);
    net_->addItem(QString());
    for (const oc::frame_net& net : frame.nets_of(question))
        if (!net.name.empty()) net_->addItem(text_of(net.name));
    if (original) {
        original_row_ = static_cast<std::size_t>(original - frame.rows().data());
        code_->setValue(original->code);
        label_->setText(text_of(original->label));
        net_->setEditText(text_of(original->net));
    } else {
        code_->setValue(frame.lowest_unused(question).value_or(1));
        net_->setEditText(text_of(proposed_net));
    }
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Code:"), code_);
    form->addRow(QStringLiteral("&Label:"), label_);
    form->addRow(QStringLiteral("&Net:"), net_);
    auto* ok = make_push_button(this, QStringLiteral("OK"), QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = make_push_button(this, QStringLiteral("Cancel"), QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    (original ? label_ : static_cast<QWidget*>(code_))->setFocus();
}

oc::frame_code CFrameCodeDlg::code() const {
    return {question_, code_->value(), label_->text().trimmed().toStdString(),
            net_->currentText().trimmed().toStdString(), {}};
}

void CFrameCodeDlg::accept() {
    const oc::frame_fault fault = frame_.check_code(code(), original_row_);
    if (!fault) return QDialog::accept();
    show_text(text_of(fault.what), box_style::exclamation);
    QWidget* field = fault.column == oc::frame_column::code    ? static_cast<QWidget*>(code_)
                     : fault.column == oc::frame_column::net ? static_cast<QWidget*>(net_)
                                                             : label_;
    field->setFocus();
}

CFrameEditorDlg::CFrameEditorDlg(std::string base, std::vector<oc::study_label> questions, opened_frame opened,
                                 QWidget* parent)
    : QDialog(parent),
      base_(std::move(base)),
      questions_(std::move(questions)),
      frame_(std::move(opened.frame)),
      opened_bytes_(std::move(opened.bytes)),
      opened_exists_(opened.exists) {
    setObjectName(QStringLiteral("frameEditorDialog"));
    setWindowTitle(QStringLiteral("Code Frame of %1").arg(QDir::toNativeSeparators(from_native_bytes(base_))));
    question_ = new QComboBox(this);
    question_->setObjectName(QStringLiteral("questionCombo"));
    question_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    question_->setMinimumContentsLength(40);
    for (const oc::study_label& label : questions_) question_->addItem(QString(), text_of(label.name));
    fill_question_texts();
    auto* question_label = new QLabel(QStringLiteral("&Question:"), this);
    question_label->setBuddy(question_);

    codes_ = new QTreeWidget(this);
    codes_->setObjectName(QStringLiteral("codeTree"));
    codes_->setHeaderLabels({QStringLiteral("Code"), QStringLiteral("Label")});
    codes_->setMinimumSize(420, 300);
    codes_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    use_dialog_style(*codes_);

    add_ = side_button(this, QStringLiteral("&Add..."), "addButton");
    edit_ = side_button(this, QStringLiteral("&Edit..."), "editButton");
    delete_ = side_button(this, QStringLiteral("&Delete"), "deleteButton");
    up_ = side_button(this, QStringLiteral("Move &Up"), "upButton");
    down_ = side_button(this, QStringLiteral("Move Do&wn"), "downButton");
    auto* import_button = side_button(this, QStringLiteral("&Import CSV..."), "importButton");
    auto* export_button = side_button(this, QStringLiteral("E&xport CSV..."), "exportButton");
    question_only_ = new QCheckBox(QStringLiteral("O&nly this question"), this);
    question_only_->setObjectName(QStringLiteral("exportQuestionOnlyCheck"));
    auto* ok = side_button(this, QStringLiteral("OK"), "okButton");
    ok->setDefault(true);
    auto* cancel = side_button(this, QStringLiteral("Cancel"), "cancelButton");

    connect(add_, &QPushButton::clicked, this, &CFrameEditorDlg::add_code);
    connect(edit_, &QPushButton::clicked, this, &CFrameEditorDlg::edit_code);
    connect(delete_, &QPushButton::clicked, this, &CFrameEditorDlg::delete_code);
    connect(up_, &QPushButton::clicked, this, [this] { move_code(-1); });
    connect(down_, &QPushButton::clicked, this, [this] { move_code(1); });
    connect(import_button, &QPushButton::clicked, this, &CFrameEditorDlg::import_csv);
    connect(export_button, &QPushButton::clicked, this, &CFrameEditorDlg::export_csv);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Ctrl+Up/Down reorder from the list itself, where the hands already are.
    for (QPushButton* button : {up_, down_}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | (button == up_ ? Qt::Key_Up : Qt::Key_Down)), this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled()) button->click();
        });
    }
    connect(question_, &QComboBox::currentIndexChanged, this, [this] { fill_codes(std::nullopt); });
    connect(codes_, &QTreeWidget::currentItemChanged, this, &CFrameEditorDlg::update_buttons);
    // A double click edits; Return stays the default button's, as in every list of the dialogs.
    connect(codes_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (current_code()) edit_code();
    });

    auto* top = new QHBoxLayout;
    top->addWidget(question_label);
    top->addWidget(question_, 1);
    auto* side = new QVBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{add_, edit_, delete_, up_, down_}) side->addWidget(widget);
    side->addSpacing(12);
    side->addWidget(import_button);
    side->addWidget(export_button);
    side->addWidget(question_only_);
    side->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(codes_, 1);
    body->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(body, 1);
    layout->addLayout(bottom);
    fill_codes(std::nullopt);
    codes_->setFocus();
}

std::string CFrameEditorDlg::question() const { return question_->currentData().toString().toStdString(); }

const oc::frame_code* CFrameEditorDlg::current_code() const {
    const QTreeWidgetItem* item = codes_->currentItem();
    if (!item || !item->data(0, kCodeRole).isValid()) return nullptr;
    return frame_.find(question(), item->data(0, kCodeRole).toInt());
}

std::string CFrameEditorDlg::current_net() const {
    const QTreeWidgetItem* item = codes_->currentItem();
    return item ? item->data(0, kNetRole).toString().toStdString() : std::string();
}

void CFrameEditorDlg::fill_question_texts() {
    for (int i = 0; i < question_->count(); ++i) {
        const oc::study_label& label = questions_[static_cast<std::size_t>(i)];
        const std::size_t codes = frame_.codes_of(label.name).size();
        QString text = text_of(label.text).simplified();
        if (text.size() > 60) text = text.left(59) + QChar(0x2026);
        question_->setItemText(i, QStringLiteral("%1: %2 (%3 %4)")
                                      .arg(text_of(label.name), text)
                                      .arg(codes)
                                      .arg(codes == 1 ? QStringLiteral("code") : QStringLiteral("codes")));
    }
}

void CFrameEditorDlg::fill_codes(std::optional<int> select) {
    codes_->clear();
    QTreeWidgetItem* chosen = nullptr;
    for (const oc::frame_net& net : frame_.nets_of(question())) {
        QTreeWidgetItem* parent = nullptr;
        if (!net.name.empty()) {
            parent = new QTreeWidgetItem(codes_, {text_of(net.name)});
            parent->setFirstColumnSpanned(true);
            parent->setData(0, kNetRole, text_of(net.name));
        }
        for (const oc::frame_code* code : net.codes) {
            const QStringList texts{QString::number(code->code), text_of(code->label)};
            auto* item = parent ? new QTreeWidgetItem(parent, texts) : new QTreeWidgetItem(codes_, texts);
            item->setData(0, kCodeRole, code->code);
            item->setData(0, kNetRole, text_of(net.name));
            if (select == code->code || (!select && !chosen)) chosen = item;
        }
    }
    codes_->expandAll();
    codes_->setCurrentItem(chosen);
    update_buttons();
}

void CFrameEditorDlg::update_buttons() {
    const oc::frame_code* code = current_code();
    add_->setEnabled(question_->currentIndex() >= 0);
    for (QPushButton* button : {edit_, delete_, up_, down_}) button->setEnabled(code != nullptr);
}

void CFrameEditorDlg::changed(std::optional<int> select) {
    dirty_ = true;
    fill_question_texts();
    fill_codes(select);
}

void CFrameEditorDlg::add_code() {
    if (question_->currentIndex() < 0) return;
    CFrameCodeDlg dialog(frame_, question(), nullptr, current_net(), this);
    if (run_modal(dialog) != QDialog::Accepted) return;
    const oc::frame_code code = dialog.code();
    if (oc::failure problem = frame_.add(code)) return show_failure(problem);
    changed(code.code);
}

void CFrameEditorDlg::edit_code() {
    const oc::frame_code* original = current_code();
    if (!original) return;
    const int old_code = original->code;
    CFrameCodeDlg dialog(frame_, question(), original, original->net, this);
    if (run_modal(dialog) != QDialog::Accepted) return;
    const oc::frame_code code = dialog.code();
    if (oc::failure problem = frame_.change(question(), old_code, code)) return show_failure(problem);
    changed(code.code);
}

void CFrameEditorDlg::delete_code() {
    const oc::frame_code* code = current_code();
    if (!code) return;
    const int number = code->code;
    long used = 0;
    {
        wait_cursor busy;
        used = oc::count_records_using(base_ + ".cdl", question(), number);
    }
    if (used > 0 &&
        show_text(QStringLiteral("Code %1 (%2) of %3 is used by %4 %5 of the coder files.\n\nDelete it from the "
                                 "frame all the same?")
                      .arg(number)
                      .arg(text_of(code->label), text_of(question()))
                      .arg(used)
                      .arg(used == 1 ? QStringLiteral("record") : QStringLiteral("records")),
                  box_style::question_ok_cancel) != box_answer::ok)
        return;
    // The row after it takes the selection, as in any list.
    const auto codes = frame_.codes_of(question());
    const auto at = std::find(codes.begin(), codes.end(), code);
    std::optional<int> next;
    if (at + 1 != codes.end()) next = (*(at + 1))->code;
    else if (at != codes.begin()) next = (*(at - 1))->code;
    if (oc::failure problem = frame_.remove(question(), number)) return show_failure(problem);
    changed(next);
}

void CFrameEditorDlg::move_code(int direction) {
    const oc::frame_code* code = current_code();
    if (!code) return;
    // Within its net: the display groups codes by net, so the move swaps
    // the code with its neighbour in the same net and leaves the others.
    const std::string q = question();
    const auto codes = frame_.codes_of(q);
    const int at = static_cast<int>(std::find(codes.begin(), codes.end(), code) - codes.begin());
    int other = at + direction;
    while (other >= 0 && other < static_cast<int>(codes.size()) && codes[other]->net != code->net) other += direction;
    if (other < 0 || other >= static_cast<int>(codes.size())) return beep();
    const int moving = code->code, partner = codes[other]->code, steps = other - at;
    frame_.move(q, moving, steps);
    frame_.move(q, partner, direction - steps);
    changed(moving);
}

void CFrameEditorDlg::import_csv() {
    const QString directory = QFileInfo(from_native_bytes(base_)).absolutePath();
    CFileDlg chooser(true, QStringLiteral("csv"), directory, QString(), OFN_HIDEREADONLY, kCsvFilter, this);
    if (chooser.DoModal() != IDOK) return;
    const std::string path = to_native_bytes(chooser.GetPathName());
    std::string bytes;
    bool exists = false;
    if (!oc::read_file_whole(path, bytes, exists) || !exists) return cannot("read", path);
    oc::code_frame imported;
    imported.known_question = frame_.known_question;
    if (oc::failure problem = oc::parse_frame(bytes, path, imported)) return show_failure(problem);
    if (show_text(QStringLiteral("Replace the whole frame (%1 codes) with the %2 codes of %3?")
                      .arg(frame_.rows().size())
                      .arg(imported.rows().size())
                      .arg(QDir::toNativeSeparators(chooser.GetPathName())),
                  box_style::question_ok_cancel) != box_answer::ok)
        return;
    frame_ = std::move(imported);
    changed(std::nullopt);
}

void CFrameEditorDlg::export_csv() {
    const QFileInfo study(from_native_bytes(base_));
    const bool only = question_only_->isChecked() && question_->currentIndex() >= 0;
    const QString proposed = only ? study.fileName() + u'-' + text_of(question()) + QStringLiteral(".csv")
                                  : study.fileName() + QStringLiteral(".csv");
    CFileDlg chooser(false, QStringLiteral("csv"), study.absolutePath(), proposed,
                     OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, kCsvFilter, this);
    if (chooser.DoModal() != IDOK) return;
    const std::string q = question();
    const std::string csv = only ? frame_.to_csv(std::string_view(q)) : frame_.to_csv();
    const std::string path = to_native_bytes(chooser.GetPathName());
    if (!oc::replace_file_whole(path, csv, oc::default_file_mode())) cannot("write", path);
}

void CFrameEditorDlg::accept() {
    if (!dirty_) return QDialog::accept();
    oc::study_write_session session;
    if (!open_study_for_writing(base_, QStringLiteral("Code Frame"), session)) return;
    const std::string path = oc::frame_path(base_);
    std::string now;
    bool exists = false;
    if (!oc::read_file_whole(path, now, exists)) return cannot("read", path);
    // Another coder may have added a code ("New code" while coding) since
    // the editor read the file; writing over it would lose that silently.
    if (exists != opened_exists_ || now != opened_bytes_) {
        show_text(QStringLiteral("%1 was changed by someone else after this editor read it, so your changes are "
                                 "not saved. Export them to a CSV file if you want to keep them, then Cancel and "
                                 "open the editor again.")
                      .arg(QDir::toNativeSeparators(from_native_bytes(path))),
                  box_style::exclamation);
        return;
    }
    if (oc::failure problem = oc::save_frame(base_, frame_)) return show_failure(problem);
    QDialog::accept();
}

}  // namespace oc_ui
