// The host application: finding and loading the library at run time and
// listing a study's coder files through it.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "coder_fixtures.h"
#include "library_loader.h"
#include "menu_window.h"
#include "ui/images/status_images.h"
#include "study_paths.h"
#include "test_support.h"

namespace {

QImage icon_image(const QIcon& icon) { return icon.pixmap(QSize(16, 16), 1.0).toImage(); }

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        auto a = octest::simple_file("ABC.001", 3, 0);
        auto b = octest::simple_file("ABC.002", 1, 0);  // listed, missing
        auto c = octest::simple_file("ABC.003", 0, 0);
        octest::write_coder_file(dir.path().string(), a);
        octest::write_coder_file(dir.path().string(), c);
        octest::write_coder_list(dir.file("ABC.cdl"), {a, b, c});
        octest::write_bytes(dir.file("ABC.lbl"), "");
        problems.clear();
    }

    menu::menu_window& window(menu::library_loader& library) {
        window_ = std::make_unique<menu::menu_window>(library);
        window_->report_problem = [this](const QString& text) { problems.append(text); };
        return *window_;
    }

    QString base() const { return QString::fromStdString(dir.file("ABC")); }

    octest::ScratchDir dir;
    QStringList problems;
    std::unique_ptr<menu::menu_window> window_;
};

TEST_F(Host, FindsTheLibraryFromItsOwnFolderInTheBuildTree) {
    menu::library_loader library;
    ASSERT_TRUE(library.load(QString(), QStringLiteral(OPENCODER_MENU_DIR))) << library.error().toStdString();
    EXPECT_EQ(QFileInfo(library.file_name()).canonicalFilePath(),
              QFileInfo(QStringLiteral(OPENCODER_LIBRARY_PATH)).canonicalFilePath());
    EXPECT_NE(library.functions().file_lists, nullptr);
    EXPECT_NE(library.functions().status, nullptr);
}

TEST_F(Host, SoundDirectoryOptionReachesTheLibraryAsTheCatiPageWouldSetIt) {
    menu::library_loader unloaded;
    EXPECT_FALSE(unloaded.set_sound_directory(QStringLiteral("/data/sounds")));

    menu::library_loader library;
    ASSERT_TRUE(library.load(QString(), QStringLiteral(OPENCODER_MENU_DIR))) << library.error().toStdString();
    QLibrary same(library.file_name());
    ASSERT_TRUE(same.load());
    auto get_dir = reinterpret_cast<opencoder_api::GetTextFn>(same.resolve("OcGetSoundDir"));
    ASSERT_NE(get_dir, nullptr);
    EXPECT_TRUE(library.set_sound_directory(QStringLiteral("/data/sounds")));
    EXPECT_STREQ("/data/sounds/", get_dir());
    EXPECT_TRUE(library.set_sound_directory(QStringLiteral("/data/other/")));
    EXPECT_STREQ("/data/other/", get_dir());
    // 255 characters are taken; 256 are refused and the directory stays.
    const QString longest = QStringLiteral("/") + QString(254, QLatin1Char('d'));
    EXPECT_TRUE(library.set_sound_directory(longest));
    EXPECT_EQ((longest + QStringLiteral("/")).toStdString(), get_dir());
    EXPECT_FALSE(library.set_sound_directory(longest + QStringLiteral("d")));
    EXPECT_TRUE(library.error().contains(QStringLiteral("255"))) << library.error().toStdString();
    EXPECT_EQ((longest + QStringLiteral("/")).toStdString(), get_dir());
    EXPECT_TRUE(library.set_sound_directory(QString()));
    EXPECT_STREQ("", get_dir());
}

TEST_F(Host, MissingLibraryIsAClearError) {
    menu::library_loader by_path;
    EXPECT_FALSE(by_path.load(QString::fromStdString(dir.file("libnothing.so")), QString()));
    EXPECT_TRUE(by_path.error().contains(QStringLiteral("libnothing.so"))) << by_path.error().toStdString();

    menu::library_loader by_search;
    EXPECT_FALSE(by_search.load(QString(), QString::fromStdString(dir.path().string())));
    EXPECT_TRUE(by_search.error().contains(QStringLiteral("--library"))) << by_search.error().toStdString();
    for (const QString& candidate : menu::library_candidates(QString::fromStdString(dir.path().string())))
        EXPECT_TRUE(by_search.error().contains(candidate));

    // The window still opens; the commands stay disabled.
    menu::menu_window& w = window(by_search);
    EXPECT_TRUE(w.open_study(base()));
    EXPECT_FALSE(w.findChild<QPushButton*>(QStringLiteral("statusButton"))->isEnabled());
    EXPECT_EQ(w.findChild<QTreeWidget*>(QStringLiteral("coderFileList"))->topLevelItemCount(), 0);
}

TEST_F(Host, ListsTheStudysCoderFilesWithTheirImages) {
    menu::library_loader library;
    ASSERT_TRUE(library.load(QStringLiteral(OPENCODER_LIBRARY_PATH), QString())) << library.error().toStdString();
    menu::menu_window& w = window(library);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Coder Main Menu"));
    QDir::setCurrent(QDir::tempPath());
    ASSERT_TRUE(w.open_study(base()));
    EXPECT_TRUE(problems.isEmpty());
    // The study directory was made current for the list-based call.
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(QString::fromStdString(dir.path().string())).canonicalPath());

    auto* files = w.findChild<QTreeWidget*>(QStringLiteral("coderFileList"));
    ASSERT_EQ(files->topLevelItemCount(), 2);
    EXPECT_EQ(files->topLevelItem(0)->text(0), QStringLiteral("ABC.001"));
    EXPECT_EQ(files->topLevelItem(1)->text(0), QStringLiteral("ABC.003"));
    EXPECT_EQ(icon_image(files->topLevelItem(0)->icon(0)), icon_image(oc_ui::status_icon(3)));
    EXPECT_EQ(icon_image(files->topLevelItem(1)->icon(0)), icon_image(oc_ui::status_icon(0)));
    for (const char* name : {"examineButton", "prepareButton", "codeButton", "mergeButton", "statusButton"})
        EXPECT_TRUE(w.findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled()) << name;

    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    EXPECT_TRUE(w.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/host_menu.png")));

    // Coding elsewhere changes a file: a refresh shows it.
    auto a = octest::simple_file("ABC.001", 2, 0);
    octest::write_coder_file(dir.path().string(), a);
    ASSERT_TRUE(w.refresh_coder_files());
    EXPECT_EQ(icon_image(files->topLevelItem(0)->icon(0)), icon_image(oc_ui::status_icon(2)));
}

TEST_F(Host, StudyPathsAndMissingStudies) {
    const menu::study_paths study = menu::study_from_base(base() + QStringLiteral(".lbl"));
    EXPECT_EQ(study.base, base());
    EXPECT_EQ(study.name, QStringLiteral("ABC"));
    EXPECT_EQ(study.label(), base() + ".lbl");
    EXPECT_EQ(study.data(), base() + ".DAT");
    EXPECT_EQ(study.index(), base() + ".idx");
    EXPECT_EQ(study.coder_list(), base() + ".cdl");
    EXPECT_EQ(study.coder_list_backup(), base() + ".cdb");
    EXPECT_EQ(study.add_file(), base() + ".add");

    menu::library_loader library;
    ASSERT_TRUE(library.load(QStringLiteral(OPENCODER_LIBRARY_PATH), QString()));
    menu::menu_window& w = window(library);
    EXPECT_FALSE(w.open_study(QString::fromStdString(dir.file("NOPE"))));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("NOPE.lbl")));

    // A study without a coder list has no coder files yet: no error.
    octest::write_bytes(dir.file("NEW.lbl"), "");
    EXPECT_TRUE(w.open_study(QString::fromStdString(dir.file("NEW"))));
    EXPECT_EQ(problems.size(), 1);
    EXPECT_EQ(w.findChild<QTreeWidget*>(QStringLiteral("coderFileList"))->topLevelItemCount(), 0);
}

TEST_F(Host, ListOptionPrintsFilesOffscreen) {
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(OPENCODER_MENU_EXE), {QStringLiteral("--list"), base()});
    ASSERT_TRUE(host.waitForFinished(30000));
    EXPECT_EQ(host.exitCode(), 0) << host.readAllStandardError().toStdString();
    EXPECT_EQ(host.readAllStandardOutput(), QByteArray("ABC.001\t3\nABC.003\t0\n"));

    host.start(QStringLiteral(OPENCODER_MENU_EXE),
               {QStringLiteral("--list"), QStringLiteral("--library"), QStringLiteral("/nonexistent/libx.so"), base()});
    ASSERT_TRUE(host.waitForFinished(30000));
    EXPECT_EQ(host.exitCode(), 2);
    EXPECT_TRUE(host.readAllStandardError().contains("/nonexistent/libx.so"));
}

}  // namespace
