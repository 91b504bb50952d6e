#include "ui/widgets/browse_edit.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>

#include "ui/frame/messages.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"

namespace oc_ui {

namespace {

constexpr int kDialogOk = 1;
constexpr int kDialogCancel = 2;

bool ends_in_separator(const QString& path) { return path.endsWith(u'/') || path.endsWith(u'\\'); }

}  // namespace

QString with_trailing_separator(const QString& path) {
    if (path.isEmpty() || ends_in_separator(path)) return path;
    return path + u'/';
}

QString initial_browse_directory(const QString& text) {
    if (text.isEmpty()) return {};
    QString directory = text;
    // The root keeps its only separator.
    if (directory.size() > 1 && ends_in_separator(directory)) directory.chop(1);
    const QFileInfo info(directory);
    return info.exists() && info.isDir() ? directory : QString();
}

SECBrowseButton::SECBrowseButton(SECBrowseEditBase* edit) : QToolButton(edit) {
    setObjectName(QStringLiteral("browseButton"));
    setText(QStringLiteral("..."));
    setCursor(Qt::ArrowCursor);
    // Reached by Tab right after the edit; a click leaves the focus alone.
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QStringLiteral("Browse for a folder (Alt+Down)"));
    connect(this, &QToolButton::clicked, edit, [edit] { edit->OnBrowse(); });
}

SECBrowseEditBase::SECBrowseEditBase(QWidget* parent) : QLineEdit(parent) {
    button_ = new SECBrowseButton(this);
    // The text never runs under the button.
    setTextMargins(0, 0, kButtonWidth + 1, 0);
}

void SECBrowseEditBase::SetOptions(std::uint16_t options) { options_ = std::uint16_t((options_ & ~3u) | options); }

void SECBrowseEditBase::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    button_->setGeometry(width() - kButtonWidth - frame, frame, kButtonWidth, height() - 2 * frame);
}

void SECBrowseEditBase::keyPressEvent(QKeyEvent* event) {
    const bool alt_down = event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier;
    const bool f4 = event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier;
    if (alt_down || f4) {
        OnBrowse();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

SECDirSelectDlg::SECDirSelectDlg(std::uint16_t options, const QString& title, const QString& initial_directory,
                                 QWidget* owner)
    : QFileDialog(owner, title, initial_directory.isEmpty() ? QDir::currentPath() : initial_directory),
      options_(options) {
    setObjectName(QStringLiteral("dirSelectDialog"));
    // The widget-based chooser everywhere, as the suite's file dialog.
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    setAcceptMode(QFileDialog::AcceptOpen);
}

int SECDirSelectDlg::DoModal() { return run_modal(*this) == QDialog::Accepted ? kDialogOk : kDialogCancel; }

QString SECDirSelectDlg::GetPath() const {
    if (result() != QDialog::Accepted) return {};
    const QStringList chosen = selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return {};
    return with_trailing_separator(QDir::cleanPath(chosen.first()));
}

SECBrowseDirEdit::SECBrowseDirEdit(QWidget* parent) : SECBrowseEditBase(parent) {
    title_ = ui_string(oc::IDS_SELECT_DIRECTORY);
    options_ = 1;
}

void SECBrowseDirEdit::OnBrowse() {
    SECDirSelectDlg chooser(options_, title_, initial_browse_directory(text()), window());
    if (chooser.DoModal() != kDialogOk) return;
    const QString chosen = chooser.GetPath();
    if (chosen.isEmpty()) return;
    // A folder the edit cannot hold whole is refused, never cut short.
    if (chosen.size() > maxLength()) {
        beep();
        return;
    }
    setText(chosen);
}

}  // namespace oc_ui
