#include "menu_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/images/status_images.h"

namespace menu {

namespace {

QPushButton* command_button(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    // Return runs the focused command, as Space does; outside a dialog a
    // button takes Return only when told so.
    button->setAutoDefault(true);
    return button;
}

}  // namespace

menu_window::menu_window(library_loader& library, QWidget* parent) : QMainWindow(parent), library_(library) {
    setObjectName(QStringLiteral("coderMainMenu"));
    setWindowTitle(QStringLiteral("Coder Main Menu"));
    report_problem = [this](const QString& text) {
        QMessageBox::warning(this, windowTitle(), text);
    };

    auto* central = new QWidget(this);
    study_label_ = new QLabel(QStringLiteral("No study open."), central);
    study_label_->setObjectName(QStringLiteral("studyLabel"));
    study_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    library_label_ = new QLabel(central);
    library_label_->setObjectName(QStringLiteral("libraryLabel"));
    library_label_->setText(library_.loaded() ? QStringLiteral("Coder library: %1").arg(library_.file_name())
                                              : QStringLiteral("Coder library not loaded."));

    files_ = new QTreeWidget(central);
    files_->setObjectName(QStringLiteral("coderFileList"));
    files_->setHeaderLabels({QStringLiteral("Coder Files")});
    files_->setRootIsDecorated(false);
    files_->setIconSize(QSize(oc_ui::kSmallImageSize, oc_ui::kSmallImageSize));
    files_->setSelectionMode(QAbstractItemView::SingleSelection);
    files_->setMinimumSize(320, 200);

    examine_ = command_button(QStringLiteral("&Examine"), QStringLiteral("examineButton"), central);
    prepare_ = command_button(QStringLiteral("&Prepare"), QStringLiteral("prepareButton"), central);
    code_ = command_button(QStringLiteral("&Code"), QStringLiteral("codeButton"), central);
    merge_ = command_button(QStringLiteral("&Merge"), QStringLiteral("mergeButton"), central);
    status_ = command_button(QStringLiteral("&Status"), QStringLiteral("statusButton"), central);
    connect(examine_, &QPushButton::clicked, this, &menu_window::run_examine);
    connect(prepare_, &QPushButton::clicked, this, &menu_window::run_prepare);
    connect(code_, &QPushButton::clicked, this, &menu_window::run_code);
    connect(merge_, &QPushButton::clicked, this, &menu_window::run_merge);
    connect(status_, &QPushButton::clicked, this, &menu_window::run_status);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {examine_, prepare_, code_, merge_, status_}) buttons->addWidget(button);
    buttons->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(files_, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(study_label_);
    layout->addLayout(body, 1);
    layout->addWidget(library_label_);
    setCentralWidget(central);

    build_menus();
    update_buttons();
}

void menu_window::build_menus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open_label = file->addAction(QStringLiteral("&Open Study Label File..."), this,
                                          &menu_window::choose_label_file);
    open_label->setObjectName(QStringLiteral("openLabelFileAction"));
    open_label->setShortcut(QKeySequence::Open);
    QAction* open_base = file->addAction(QStringLiteral("Open Study by &Base Path..."), this,
                                         &menu_window::choose_base_path);
    open_base->setObjectName(QStringLiteral("openBasePathAction"));
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("exitAction"));
    quit->setShortcut(QKeySequence::Quit);
}

void menu_window::update_buttons() {
    const bool ready = library_.loaded() && study_.has_value();
    for (QPushButton* button : {examine_, prepare_, code_, merge_, status_}) button->setEnabled(ready);
}

bool menu_window::open_study(const QString& base_path) {
    const study_paths study = study_from_base(base_path);
    if (!study_exists(study)) {
        report_problem(QStringLiteral("No study at %1: its label file %2 does not exist.")
                           .arg(QDir::toNativeSeparators(study.base), QDir::toNativeSeparators(study.label())));
        return false;
    }
    study_ = study;
    study_label_->setText(QStringLiteral("Study: %1").arg(QDir::toNativeSeparators(study.base)));
    update_buttons();
    refresh_coder_files();
    return true;
}

void menu_window::make_study_directory_current() {
    if (study_) QDir::setCurrent(study_->directory);
}

bool menu_window::refresh_coder_files() {
    files_->clear();
    if (!study_ || !library_.loaded()) return false;
    // A study without a coder list simply has no coder files yet; asking
    // the library would report a read error.
    if (!QFileInfo(study_->coder_list()).isFile()) {
        statusBar()->showMessage(QStringLiteral("No coder files yet."));
        return true;
    }
    make_study_directory_current();
    QStringList names;
    QByteArray statuses;
    if (library_.functions().file_lists(study_->coder_list(), names, statuses) == 0) {
        statusBar()->showMessage(QStringLiteral("The coder files could not be listed."));
        return false;
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        auto* item = new QTreeWidgetItem(files_, {names[i]});
        const int status = i < statuses.size() ? static_cast<unsigned char>(statuses[i]) : 0;
        item->setIcon(0, oc_ui::status_icon(status));
        item->setToolTip(0, oc_ui::status_name(status));
        item->setData(0, Qt::UserRole, status);
    }
    statusBar()->showMessage(QStringLiteral("%1 coder file(s).").arg(names.size()));
    return true;
}

void menu_window::choose_label_file() {
    const QString start = study_ ? study_->directory : QDir::currentPath();
    const QString label = QFileDialog::getOpenFileName(this, QStringLiteral("Open Study"), start,
                                                       QStringLiteral("Study Label Files (*.lbl)"));
    if (!label.isEmpty()) open_study(label);
}

void menu_window::choose_base_path() {
    bool ok = false;
    const QString base = QInputDialog::getText(this, QStringLiteral("Open Study"),
                                               QStringLiteral("Study base path (DIR/NAME):"), QLineEdit::Normal,
                                               study_ ? study_->base : QString(), &ok);
    if (ok && !base.trimmed().isEmpty()) open_study(base.trimmed());
}

void menu_window::run_examine() {
    if (!study_) return;
    library_.functions().examine(study_->label(), study_->data(), study_->index(), study_->coder_list(),
                                 study_->coder_list_backup(), study_->base);
    refresh_coder_files();
}

void menu_window::run_prepare() {
    if (!study_) return;
    library_.functions().prepare(study_->label(), study_->data(), study_->index(), study_->coder_list(),
                                 study_->coder_list_backup(), study_->base);
    refresh_coder_files();
}

void menu_window::run_code() {
    if (!study_) return;
    make_study_directory_current();
    library_.functions().code(study_->coder_list(), QString(), QString());
    refresh_coder_files();
}

void menu_window::run_merge() {
    if (!study_) return;
    make_study_directory_current();
    library_.functions().merge(study_->index(), study_->data(), study_->coder_list(), study_->add_file());
    refresh_coder_files();
}

void menu_window::run_status() {
    if (!study_) return;
    make_study_directory_current();
    library_.functions().status(study_->coder_list());
}

}  // namespace menu
