// The directory browse edit: a one-line edit with a small "..." button at
// its right end. The button (or Alt+Down / F4 in the edit) opens a folder
// chooser starting at the folder the edit names; the chosen folder is
// written back into the edit ending in a separator ('/' here). A folder
// longer than the edit's maxLength() is refused with a beep.
//
// The button is a child of the edit, so it is shown, hidden, enabled and
// disabled with it and destroyed before it; it follows the edit in the tab
// order.
#pragma once

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>
#include <cstdint>

namespace oc_ui {

class SECBrowseEditBase;

// The "..." button: a click asks its edit to browse.
class SECBrowseButton : public QToolButton {
    Q_OBJECT
public:
    explicit SECBrowseButton(SECBrowseEditBase* edit);
};

class SECBrowseEditBase : public QLineEdit {
    Q_OBJECT
public:
    // Width of the button at the edit's right end, in pixels.
    static constexpr int kButtonWidth = 25;

    explicit SECBrowseEditBase(QWidget* parent = nullptr);

    SECBrowseButton* GetBrowseButton() const { return button_; }
    // Options word: bit 0 asked for the old-style chooser on old systems;
    // both styles are the same chooser here. Clears bits 0 and 1, then ORs
    // in `options`.
    void SetOptions(std::uint16_t options);
    std::uint16_t GetOptions() const { return options_; }
    const QString& GetTitle() const { return title_; }

    // Runs the chooser and takes its result; called by the button.
    virtual void OnBrowse() = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    QString title_;
    std::uint16_t options_ = 0;

private:
    SECBrowseButton* button_ = nullptr;
};

// The folder chooser (a directories-only file dialog), run through the
// messages module so that tests can drive it.
class SECDirSelectDlg : public QFileDialog {
    Q_OBJECT
public:
    // Starts in `initial_directory`, or in the current directory when it is
    // empty. `options` is the edit's options word (no effect here).
    SECDirSelectDlg(std::uint16_t options, const QString& title, const QString& initial_directory,
                    QWidget* owner = nullptr);

    // 1 (OK) when a folder was chosen, 2 (Cancel) otherwise.
    int DoModal();
    // The chosen folder with exactly one trailing '/'; empty before DoModal
    // returned 1.
    QString GetPath() const;
    std::uint16_t GetOptions() const { return options_; }

private:
    std::uint16_t options_;
};

class SECBrowseDirEdit : public SECBrowseEditBase {
    Q_OBJECT
public:
    // Title "Select Directory" (string 20625), options 1.
    explicit SECBrowseDirEdit(QWidget* parent = nullptr);
    void OnBrowse() override;
};

// Where the chooser starts for an edit holding `text`: the folder it names
// (one trailing separator stripped), or "" when it names none, such as a
// file or a folder that does not exist (the chooser then starts in the
// current directory).
QString initial_browse_directory(const QString& text);

// `path` with a trailing separator: '/' is appended unless it already ends
// in '/' or '\'. An empty path stays empty.
QString with_trailing_separator(const QString& path);

}  // namespace oc_ui
