// An edit with a "..." button at its right end that opens a folder chooser
// and writes the chosen folder back, ending in a separator.
#pragma once

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>

namespace oc_ui {

class SECBrowseEditBase;

// The "..." button; pressing it asks its edit to browse.
class SECBrowseButton : public QToolButton {
    Q_OBJECT
public:
    explicit SECBrowseButton(SECBrowseEditBase* edit);
};

class SECBrowseEditBase : public QLineEdit {
    Q_OBJECT
public:
    explicit SECBrowseEditBase(QWidget* parent = nullptr);
    SECBrowseButton* button() const { return button_; }
    void SetOptions(int options) { options_ = options; }
    virtual void OnBrowse() = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    QString title_;
    int options_ = 0;

private:
    SECBrowseButton* button_ = nullptr;
};

// The folder chooser, run through the messages module so tests can drive it.
class SECDirSelectDlg : public QFileDialog {
    Q_OBJECT
public:
    SECDirSelectDlg(const QString& title, const QString& initial_directory, QWidget* parent = nullptr);
    // The chosen folder with one trailing '/', or empty after Cancel.
    QString chosen_directory() const;
};

class SECBrowseDirEdit : public SECBrowseEditBase {
    Q_OBJECT
public:
    explicit SECBrowseDirEdit(QWidget* parent = nullptr);
    void OnBrowse() override;
};

// The folder an edit's text names, or "" when it names none (the chooser
// then starts in the current directory).
QString initial_browse_directory(const QString& text);

}  // namespace oc_ui
