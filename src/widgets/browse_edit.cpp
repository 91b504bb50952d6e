#include "widgets/browse_edit.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QStyle>

#include "frame/messages.h"
#include "resources/string_table.h"
#include "resources/ui_strings.h"

namespace oc_ui {

SECBrowseButton::SECBrowseButton(SECBrowseEditBase* edit) : QToolButton(edit) {
    setObjectName(QStringLiteral("browseButton"));
    setText(QStringLiteral("..."));
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QStringLiteral("Choose a folder"));
    connect(this, &QToolButton::clicked, edit, &SECBrowseEditBase::OnBrowse);
}

SECBrowseEditBase::SECBrowseEditBase(QWidget* parent) : QLineEdit(parent), button_(new SECBrowseButton(this)) {
    setTextMargins(0, 0, 26, 0);
}

void SECBrowseEditBase::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    button_->setGeometry(width() - 25, 1, 24, height() - 2);
}

void SECBrowseEditBase::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) button_->setEnabled(isEnabled());
}

SECDirSelectDlg::SECDirSelectDlg(const QString& title, const QString& initial_directory, QWidget* parent)
    : QFileDialog(parent, title, initial_directory.isEmpty() ? QDir::currentPath() : initial_directory) {
    setObjectName(QStringLiteral("dirSelectDialog"));
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    setOption(QFileDialog::DontUseNativeDialog);
}

QString SECDirSelectDlg::chosen_directory() const {
    if (result() != QDialog::Accepted || selectedFiles().isEmpty()) return QString();
    QString path = QDir::cleanPath(selectedFiles().first());
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

SECBrowseDirEdit::SECBrowseDirEdit(QWidget* parent) : SECBrowseEditBase(parent) {
    setObjectName(QStringLiteral("soundDirEdit"));
    title_ = ui_string(oc::IDS_SELECT_DIRECTORY);
    options_ = 1;
}

QString initial_browse_directory(const QString& text) {
    if (text.isEmpty()) return QString();
    QFileInfo info(text);
    return info.isDir() ? info.absoluteFilePath() : QString();
}

void SECBrowseDirEdit::OnBrowse() {
    SECDirSelectDlg chooser(title_, initial_browse_directory(text()), window());
    if (run_modal(chooser) != QDialog::Accepted) return;
    QString chosen = chooser.chosen_directory();
    if (!chosen.isEmpty()) setText(chosen);
}

}  // namespace oc_ui
