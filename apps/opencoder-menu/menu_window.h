// The "Coder Main Menu": one study, its coder files with their status, and
// one button per command of the coder library.
#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>

#include "library_loader.h"
#include "study_paths.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace menu {

class menu_window : public QMainWindow {
    Q_OBJECT

public:
    explicit menu_window(library_loader& library, QWidget* parent = nullptr);

    // Opens the study DIR/NAME and lists its coder files. False (and a
    // message) when its label file does not exist.
    bool open_study(const QString& base_path);

    // Re-reads the list through the library. False when the library
    // reported a failure or is not loaded.
    bool refresh_coder_files();

    const std::optional<study_paths>& study() const { return study_; }

    // Where the host's own problems go; a message box unless replaced.
    std::function<void(const QString&)> report_problem;

private:
    void build_menus();
    void update_buttons();
    void choose_label_file();
    void choose_base_path();
    void make_study_directory_current();
    void run_examine();
    void run_prepare();
    void run_code();
    void run_merge();
    void run_status();

    library_loader& library_;
    std::optional<study_paths> study_;
    QLabel* study_label_ = nullptr;
    QLabel* library_label_ = nullptr;
    QTreeWidget* files_ = nullptr;
    QPushButton* examine_ = nullptr;
    QPushButton* prepare_ = nullptr;
    QPushButton* code_ = nullptr;
    QPushButton* merge_ = nullptr;
    QPushButton* status_ = nullptr;
};

}  // namespace menu
