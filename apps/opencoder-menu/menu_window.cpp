#include "menu_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QSettings>
#include <QStatusBar>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>

#include "coderfile/record_briefs.h"
#include "suite/label_file.h"
#include "suite/study_reader.h"
#include "ui/images/status_images.h"

namespace menu {

namespace {

enum column { name_column, status_column, questions_column, progress_column };
constexpr int kCodedRole = Qt::UserRole;
constexpr int kRecordsRole = Qt::UserRole + 1;
const QString kPending = QStringLiteral("\u2026");
const QString kRecentKey = QStringLiteral("recentStudies");

// Named outright, so that every build and test of the host shares them.
const QString kSettingsOrganization = QStringLiteral("opencoder");
const QString kSettingsApplication = QStringLiteral("opencoder-menu");

void save_recent(const QStringList& studies) {
    QSettings(kSettingsOrganization, kSettingsApplication).setValue(kRecentKey, studies);
}

// "coded of all records" as a bar once the file has been read, the cell's
// text ("…") until then.
class progress_delegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QVariant records = index.data(kRecordsRole);
        if (!records.isValid()) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.state = option.state | QStyle::State_Horizontal;
        bar.minimum = 0;
        bar.maximum = std::max(1, records.toInt());
        bar.progress = records.toInt() == 0 ? 0 : index.data(kCodedRole).toInt();
        bar.text = index.data(Qt::DisplayRole).toString();
        bar.textVisible = true;
        bar.textAlignment = Qt::AlignCenter;
        QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter);
    }
};

}  // namespace

QStringList recent_studies() {
    return QSettings(kSettingsOrganization, kSettingsApplication).value(kRecentKey).toStringList();
}

struct menu_window::progress_reading {
    std::optional<oc::file_progress> progress;
};

menu_window::menu_window(library_loader& library, QWidget* parent) : QMainWindow(parent), library_(library) {
    setObjectName(QStringLiteral("coderMainMenu"));
    setWindowTitle(QStringLiteral("Coder Main Menu"));
    report_problem = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

    auto* central = new QWidget(this);
    study_label_ = new QLabel(QStringLiteral("No study open."), central);
    study_label_->setObjectName(QStringLiteral("studyLabel"));
    study_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    figures_label_ = new QLabel(central);
    figures_label_->setObjectName(QStringLiteral("studyFiguresLabel"));
    library_label_ = new QLabel(central);
    library_label_->setObjectName(QStringLiteral("libraryLabel"));
    library_label_->setText(library_.loaded() ? QStringLiteral("Coder library: %1").arg(library_.file_name())
                                              : QStringLiteral("Coder library not loaded."));

    files_ = new QTreeWidget(central);
    files_->setObjectName(QStringLiteral("coderFileList"));
    files_->setHeaderLabels({QStringLiteral("Coder File"), QStringLiteral("Status"), QStringLiteral("Questions"),
                             QStringLiteral("Coded of All Records")});
    files_->setRootIsDecorated(false);
    files_->setUniformRowHeights(true);
    files_->setIconSize(QSize(oc_ui::kSmallImageSize, oc_ui::kSmallImageSize));
    files_->setSelectionMode(QAbstractItemView::SingleSelection);
    files_->setItemDelegateForColumn(progress_column, new progress_delegate(files_));
    files_->header()->setSectionResizeMode(questions_column, QHeaderView::Stretch);
    files_->header()->setStretchLastSection(false);
    files_->header()->resizeSection(progress_column, 180);
    files_->setMinimumSize(560, 240);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(study_label_);
    layout->addWidget(figures_label_);
    layout->addWidget(files_, 1);
    layout->addWidget(library_label_);
    setCentralWidget(central);

    build_actions();
    fill_recent_menu();
    update_actions();
}

menu_window::~menu_window() {
    if (progress_) progress_->cancel();
}

void menu_window::build_actions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open_label = file->addAction(QStringLiteral("&Open Study..."), this, &menu_window::choose_label_file);
    open_label->setObjectName(QStringLiteral("openLabelFileAction"));
    open_label->setShortcut(QKeySequence::Open);
    QAction* open_base = file->addAction(QStringLiteral("Open Study by &Base Path..."), this,
                                         &menu_window::choose_base_path);
    open_base->setObjectName(QStringLiteral("openBasePathAction"));
    recent_menu_ = file->addMenu(QStringLiteral("&Recent Studies"));
    recent_menu_->setObjectName(QStringLiteral("recentStudiesMenu"));
    file->addSeparator();
    QAction* quit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    quit->setObjectName(QStringLiteral("exitAction"));
    quit->setShortcut(QKeySequence::Quit);

    QMenu* commands = menuBar()->addMenu(QStringLiteral("&Commands"));
    QToolBar* toolbar = addToolBar(QStringLiteral("Commands"));
    toolbar->setObjectName(QStringLiteral("commandsToolBar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto& f = library_.functions();
    auto command = [&](const QString& text, const char* name, QKeySequence keys, std::function<void()> run) {
        QAction* action = commands->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [this, run = std::move(run)] { run_command(run); });
        toolbar->addAction(action);
        commands_.append(action);
    };
    command(QStringLiteral("&Examine..."), "examineAction", Qt::CTRL | Qt::Key_E, [this, &f] {
        f.examine(study_->label(), study_->data(), study_->index(), study_->coder_list(), study_->coder_list_backup(),
                  study_->base);
    });
    command(QStringLiteral("&Prepare..."), "prepareAction", Qt::CTRL | Qt::Key_P, [this, &f] {
        f.prepare(study_->label(), study_->data(), study_->index(), study_->coder_list(), study_->coder_list_backup(),
                  study_->base);
    });
    command(QStringLiteral("&Code..."), "codeAction", Qt::CTRL | Qt::Key_K,
            [this, &f] { f.code(study_->coder_list(), QString(), QString()); });
    command(QStringLiteral("&Merge..."), "mergeAction", Qt::CTRL | Qt::Key_M,
            [this, &f] { f.merge(study_->index(), study_->data(), study_->coder_list(), study_->add_file()); });
    command(QStringLiteral("&Status..."), "statusAction", Qt::CTRL | Qt::Key_T,
            [this, &f] { f.status(study_->coder_list()); });
    command(QStringLiteral("Code &Frame..."), "codeFrameAction", Qt::CTRL | Qt::Key_F,
            [this, &f] { f.frame(study_->base); });
    command(QStringLiteral("E&xport..."), "exportAction", Qt::CTRL | Qt::SHIFT | Qt::Key_E,
            [this, &f] { f.export_study(study_->base); });
    commands->addSeparator();
    QAction* refresh = commands->addAction(QStringLiteral("&Refresh"), this, [this] {
        if (study_) open_study(study_->base);
    });
    refresh->setObjectName(QStringLiteral("refreshAction"));
    refresh->setShortcut(QKeySequence::Refresh);
    commands_.append(refresh);
}

void menu_window::update_actions() {
    const bool ready = library_.loaded() && study_.has_value();
    for (QAction* action : commands_) action->setEnabled(ready);
}

void menu_window::fill_recent_menu() {
    recent_menu_->clear();
    const QStringList studies = recent_studies();
    for (int i = 0; i < studies.size(); ++i) {
        QAction* action = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QDir::toNativeSeparators(studies[i]).replace(u'&', QStringLiteral("&&"))));
        const QString base = studies[i];
        connect(action, &QAction::triggered, this, [this, base] { open_recent(base); });
    }
    recent_menu_->setEnabled(!studies.isEmpty());
}

void menu_window::open_recent(const QString& base) {
    if (study_exists(study_from_base(base))) {
        open_study(base);
        return;
    }
    QStringList studies = recent_studies();
    studies.removeAll(base);
    save_recent(studies);
    fill_recent_menu();
    report_problem(QStringLiteral("The study %1 no longer exists; it is taken off the recent studies.")
                       .arg(QDir::toNativeSeparators(base)));
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
    QStringList studies = recent_studies();
    studies.removeAll(study.base);
    studies.prepend(study.base);
    save_recent(studies.mid(0, kMaxRecentStudies));
    fill_recent_menu();
    show_study_figures();
    update_actions();
    refresh_coder_files();
    return true;
}

void menu_window::show_study_figures() {
    std::vector<oc::study_label> labels;
    const bool labels_read = oc::read_label_file(QFile::encodeName(study_->label()).toStdString(), labels).ok;
    const std::optional<long> respondents = oc::count_respondents(QFile::encodeName(study_->index()).toStdString(),
                                                                  QFile::encodeName(study_->data()).toStdString());
    figures_label_->setText(
        QStringLiteral("Respondents: %1    Questions: %2")
            .arg(respondents ? QString::number(*respondents) : QStringLiteral("cannot be read"),
                 labels_read ? QString::number(labels.size()) : QStringLiteral("cannot be read")));
}

void menu_window::make_study_directory_current() {
    if (study_) QDir::setCurrent(study_->directory);
}

bool menu_window::refresh_coder_files() {
    if (progress_) {
        progress_->disconnect(this);
        progress_->cancel();
        progress_->deleteLater();
        progress_ = nullptr;
    }
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
        const int status = i < statuses.size() ? static_cast<unsigned char>(statuses[i]) : 0;
        auto* item = new QTreeWidgetItem(files_, {names[i], oc_ui::status_name(status), kPending, kPending});
        item->setIcon(name_column, oc_ui::status_icon(status));
        item->setToolTip(name_column, oc_ui::status_name(status));
        item->setData(name_column, Qt::UserRole, status);
    }
    files_->resizeColumnToContents(name_column);
    files_->resizeColumnToContents(status_column);
    statusBar()->showMessage(QStringLiteral("%1 coder file(s).").arg(names.size()));
    read_progress_in_background(names);
    return true;
}

void menu_window::read_progress_in_background(const QStringList& names) {
    // Hundreds of files are read while the table is already shown; each row
    // fills in as its file is done.
    std::vector<std::string> paths;
    for (const QString& name : names)
        paths.push_back(QFile::encodeName(QDir(study_->directory).filePath(name)).toStdString());
    progress_ = new QFutureWatcher<progress_reading>(this);
    connect(progress_, &QFutureWatcherBase::resultReadyAt, this, [this](int row) {
        QTreeWidgetItem* item = files_->topLevelItem(row);
        if (!item) return;
        const progress_reading result = progress_->resultAt(row);
        const std::optional<oc::file_progress>& read = result.progress;
        if (!read) {
            item->setText(questions_column, QStringLiteral("cannot be read"));
            item->setText(progress_column, QString());
            return;
        }
        QStringList questions;
        for (const std::string& question : read->questions) questions << QString::fromStdString(question);
        item->setText(questions_column, questions.join(QStringLiteral(", ")));
        item->setText(progress_column, QStringLiteral("%1 of %2").arg(read->coded).arg(read->records));
        item->setData(progress_column, kCodedRole, static_cast<qlonglong>(read->coded));
        item->setData(progress_column, kRecordsRole, static_cast<qlonglong>(read->records));
    });
    progress_->setFuture(QtConcurrent::mapped(std::move(paths), [](const std::string& path) {
        return progress_reading{oc::read_file_progress(path)};
    }));
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

void menu_window::run_command(const std::function<void()>& command) {
    if (!study_ || !library_.loaded()) return;
    make_study_directory_current();
    command();
    refresh_coder_files();
}

}  // namespace menu
