// The "Coder Main Menu": where a coder works on one study: its figures, its
// coder files with their status and progress, and every command of the
// coder library, from the menus, the toolbar or their shortcuts.
#pragma once

#include <QMainWindow>
#include <functional>
#include <optional>

#include "library_loader.h"
#include "study_paths.h"

class QAction;
class QLabel;
class QMenu;
class QTreeWidget;
template <typename T>
class QFutureWatcher;

namespace menu {

// The last studies opened, most recent first, kept in the user's settings.
inline constexpr int kMaxRecentStudies = 8;
QStringList recent_studies();

class menu_window : public QMainWindow {
    Q_OBJECT

public:
    explicit menu_window(library_loader& library, QWidget* parent = nullptr);
    ~menu_window() override;

    // Opens the study DIR/NAME, shows its figures and coder files and puts
    // it first among the recent studies. False (and a message) when its
    // label file does not exist.
    bool open_study(const QString& base_path);

    // Re-reads the list through the library; each file's questions and
    // progress are then read in the background. False when the library
    // reported a failure or is not loaded.
    bool refresh_coder_files();

    const std::optional<study_paths>& study() const { return study_; }

    // Where the host's own problems go; a message box unless replaced.
    std::function<void(const QString&)> report_problem;

private:
    void build_actions();
    void update_actions();
    void fill_recent_menu();
    void open_recent(const QString& base);
    void show_study_figures();
    void choose_label_file();
    void choose_base_path();
    void make_study_directory_current();
    void run_command(const std::function<void()>& command);
    void read_progress_in_background(const QStringList& names);

    library_loader& library_;
    std::optional<study_paths> study_;
    QLabel* study_label_ = nullptr;
    QLabel* figures_label_ = nullptr;
    QLabel* library_label_ = nullptr;
    QTreeWidget* files_ = nullptr;
    QMenu* recent_menu_ = nullptr;
    QList<QAction*> commands_;
    struct progress_reading;
    QFutureWatcher<progress_reading>* progress_ = nullptr;
};

}  // namespace menu
