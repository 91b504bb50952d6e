#include "dialogs/export/export_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "engines/extract/output_paths.h"
#include "ui/frame/messages.h"
#include "ui/frame/ok_cancel_column.h"
#include "ui/frame/path_text.h"
#include "ui/frame/push_buttons.h"
#include "ui/tools/file_dlg.h"

namespace oc_ui {

namespace {

struct format_entry {
    const char* text;
    oc::export_format format;
};
constexpr format_entry kFormats[] = {
    {"SPSS (.sav)", oc::export_format::sav},
    {"SPSS compressed (.zsav)", oc::export_format::zsav},
    {"Stata (.dta)", oc::export_format::dta},
    {"SPSS portable (.por)", oc::export_format::por},
    {"SAS transport (.xpt)", oc::export_format::xpt},
    {"CSV (.csv)", oc::export_format::csv},
};

QString extension_of(oc::export_format format) { return QString::fromLatin1(oc::export_format_name(format)); }

}  // namespace

CExportDlg::CExportDlg(std::string base, const std::vector<oc::study_label>& questions, QWidget* parent)
    : QDialog(parent), base_(std::move(base)) {
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(QStringLiteral("Export"));
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("formatCombo"));
    for (const format_entry& entry : kFormats) format_->addItem(QString::fromLatin1(entry.text));
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("fileEdit"));
    file_->setText(from_native_bytes(base_ + ".sav"));
    auto* browse_button = make_push_button(this, QStringLiteral("&Browse..."), QStringLiteral("browseButton"));
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(file_);
    file_row->addWidget(browse_button);
    questions_ = new QListWidget(this);
    questions_->setObjectName(QStringLiteral("questionList"));
    for (const oc::study_label& question : questions) {
        auto* item = new QListWidgetItem(from_native_bytes(question.name + "  " + question.text), questions_);
        item->setData(Qt::UserRole, from_native_bytes(question.name));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    if (questions_->count()) questions_->setCurrentRow(0);
    // Wide enough for a question's text to be read, up to a sensible width;
    // the tooltip gives the rest.
    questions_->setMinimumWidth(std::min(questions_->sizeHintForColumn(0) + 2 * questions_->frameWidth() + 24, 560));
    for (int i = 0; i < questions_->count(); ++i) questions_->item(i)->setToolTip(questions_->item(i)->text());
    codes_only_ = new QCheckBox(QStringLiteral("C&odes only (no answer texts)"), this);
    codes_only_->setObjectName(QStringLiteral("codesOnlyCheck"));

    auto* form = new QFormLayout;
    auto* format_label = new QLabel(QStringLiteral("&Format:"), this);
    format_label->setBuddy(format_);
    auto* file_label = new QLabel(QStringLiteral("F&ile:"), this);
    file_label->setBuddy(file_);
    auto* questions_label = new QLabel(QStringLiteral("&Questions:"), this);
    questions_label->setBuddy(questions_);
    form->addRow(format_label, format_);
    form->addRow(file_label, file_row);
    form->addRow(questions_label, questions_);
    form->addRow(QString(), codes_only_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(make_ok_cancel_column(*this));
    connect(browse_button, &QPushButton::clicked, this, &CExportDlg::browse);
    connect(format_, &QComboBox::currentIndexChanged, this, &CExportDlg::format_chosen);
    format_->setFocus();
}

namespace {

bool replace_confirmed(const QString& path) {
    return show_text(path + QStringLiteral(" already exists.\nDo you want to replace it?"),
                     box_style::question_ok_cancel) == box_answer::ok;
}

}  // namespace

oc::export_format CExportDlg::format() const { return kFormats[std::max(0, format_->currentIndex())].format; }

// The file's extension follows the format, so that the two never disagree.
void CExportDlg::format_chosen() {
    QFileInfo file(file_->text());
    if (file_->text().isEmpty()) return;
    const QString name = file.completeSuffix().isEmpty() ? file.fileName() : file.baseName();
    file_->setText(QDir(file.path()).filePath(name + u'.' + extension_of(format())));
}

void CExportDlg::browse() {
    const QString extension = extension_of(format());
    QFileInfo current(file_->text());
    CFileDlg dialog(false, extension, current.path(), current.fileName(), OFN_HIDEREADONLY,
                    format_->currentText() + QStringLiteral("|*.") + extension + QStringLiteral("|"), this);
    if (dialog.DoModal() != IDOK) return;
    const QString chosen = dialog.GetPathName();
    if (QFileInfo::exists(chosen) && !replace_confirmed(chosen)) return;
    file_->setText(chosen);
    confirmed_ = chosen;
}

void CExportDlg::accept() {
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(file_->text().trimmed()));
    if (file_->text().trimmed().isEmpty()) {
        beep();
        file_->setFocus();
        return;
    }
    oc::export_request request;
    request.base = base_;
    request.out = to_native_bytes(path);
    request.format = format();
    for (int i = 0; i < questions_->count(); ++i)
        if (questions_->item(i)->checkState() == Qt::Checked)
            request.choice.questions.push_back(to_native_bytes(questions_->item(i)->data(Qt::UserRole).toString()));
    if (request.choice.questions.empty()) {
        show_text(QStringLiteral("Choose at least one question to export."), box_style::exclamation);
        questions_->setFocus();
        return;
    }
    request.choice.codes_only = codes_only_->isChecked();
    request.replace = QFileInfo::exists(path);
    if (oc::output_refusal refused = oc::output_path_refusal(base_, request.out, oc::output_kind::listing, true)) {
        show_text(from_native_bytes(refused.text), box_style::exclamation);
        file_->setFocus();
        return;
    }
    if (request.replace && path != confirmed_ && !replace_confirmed(path)) {
        file_->setFocus();
        return;
    }
    request_ = std::move(request);
    QDialog::accept();
}

}  // namespace oc_ui
