// The host application: finding and loading the library at run time,
// listing a study's coder files through it with their progress, and the
// studies opened last.
#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "coder_fixtures.h"
#include "library_loader.h"
#include "menu_window.h"
#include "ui/images/status_images.h"
#include "test_support.h"
#include "ui.h"

namespace {

using octest::icon_image;

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("settings")));
        auto a = octest::simple_file("ABC.001", 3, 0);
        auto b = octest::simple_file("ABC.002", 1, 0);  // listed, missing
        auto c = octest::simple_file("ABC.003", 0, 0);
        octest::write_coder_file(dir.path().string(), a);
        octest::write_coder_file(dir.path().string(), c);
        octest::write_coder_list(dir.file("ABC.cdl"), {a, b, c});
        octest::write_bytes(dir.file("ABC.lbl"), "");
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

// Found from the host's own folder in the build tree, the library lists the
// study's files; coding elsewhere shows after a refresh.
TEST_F(Host, FindsTheLibraryAndListsTheStudysCoderFilesWithTheirImages) {
    menu::library_loader library;
    ASSERT_TRUE(library.load(QString(), QStringLiteral(OPENCODER_MENU_DIR))) << library.error().toStdString();
    EXPECT_EQ(QFileInfo(library.file_name()).canonicalFilePath(),
              QFileInfo(QStringLiteral(OPENCODER_LIBRARY_PATH)).canonicalFilePath());
    menu::menu_window& w = window(library);
    QDir::setCurrent(QDir::tempPath());
    ASSERT_TRUE(w.open_study(base()));
    EXPECT_TRUE(problems.isEmpty());
    // The study directory was made current for the list-based call.
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(QString::fromStdString(dir.path().string())).canonicalPath());
    auto* files = w.findChild<QTreeWidget*>(QStringLiteral("coderFileList"));
    ASSERT_EQ(2, files->topLevelItemCount());
    EXPECT_EQ((QStringList{"ABC.001", "ABC.003"}), (QStringList{files->topLevelItem(0)->text(0),
                                                               files->topLevelItem(1)->text(0)}));
    EXPECT_EQ(icon_image(oc_ui::status_icon(3)), icon_image(files->topLevelItem(0)->icon(0)));
    EXPECT_EQ(icon_image(oc_ui::status_icon(0)), icon_image(files->topLevelItem(1)->icon(0)));
    EXPECT_EQ((QStringList{"Merged", "Nothing coded"}), (QStringList{files->topLevelItem(0)->text(1),
                                                                     files->topLevelItem(1)->text(1)}));
    for (const char* name : {"examineAction", "prepareAction", "codeAction", "mergeAction", "statusAction",
                             "codeFrameAction", "exportAction"})
        EXPECT_TRUE(w.findChild<QAction*>(QString::fromLatin1(name))->isEnabled()) << name;
    octest::write_coder_file(dir.path().string(), octest::simple_file("ABC.001", 2, 0));
    ASSERT_TRUE(w.refresh_coder_files());
    EXPECT_EQ(icon_image(oc_ui::status_icon(2)), icon_image(files->topLevelItem(0)->icon(0)));
}

// The study's figures, each file's questions and progress read in the
// background, and the studies opened last, a missing one taken off.
TEST_F(Host, ShowsFiguresAndProgressAndRemembersTheStudiesOpened) {
    octest::ScratchDir other;
    octest::import_study_s(other, "name,type,other,text\r\nQ1,7,0,Why?\r\nQ2,7,0,Else?\r\n",
                           "respondent,sequence,complete,Q1,Q2\r\n"
                           "1,1,1,a,\r\n2,1,1,b,\r\n3,1,1,c,\r\n4,1,1,,d\r\n");
    ASSERT_FALSE(HasFatalFailure());
    octest::extract_s001({{"Q1", 0, 1, 1}});
    octest::write_bytes("codes.csv", "question,respondent,roster,list_no,codes,sequence\r\nQ1,2,0,1,7,\r\n");
    ASSERT_EQ(0, octest::run_cli({"code", "--study", other.file("S"), "--file", "S.001", "--codes",
                                  other.file("codes.csv")}).exit_code);
    menu::library_loader library;
    ASSERT_TRUE(library.load(QStringLiteral(OPENCODER_LIBRARY_PATH), QString()));
    menu::menu_window& w = window(library);
    ASSERT_TRUE(w.open_study(base()));
    ASSERT_TRUE(w.open_study(QString::fromStdString(other.file("S"))));
    EXPECT_EQ("Respondents: 4    Questions: 2", octest::child<QLabel>(w, "studyFiguresLabel")->text());
    QTreeWidgetItem* row = octest::child<QTreeWidget>(w, "coderFileList")->topLevelItem(0);
    ASSERT_NE(nullptr, row);
    EXPECT_EQ((QStringList{"S.001", "Partly coded"}), (QStringList{row->text(0), row->text(1)}));
    EXPECT_TRUE(QTest::qWaitFor([row] { return row->text(3) != QStringLiteral("\u2026"); }, 5000));
    EXPECT_EQ((QStringList{"Q1", "1 of 3"}), (QStringList{row->text(2), row->text(3)}));

    EXPECT_EQ((QStringList{QString::fromStdString(other.file("S")), base()}), menu::recent_studies());
    std::filesystem::remove(dir.file("ABC.lbl"));
    auto* recent = octest::child<QMenu>(w, "recentStudiesMenu");
    ASSERT_EQ(2, recent->actions().size());
    recent->actions()[1]->trigger();
    EXPECT_EQ(1, problems.size());
    EXPECT_EQ((QStringList{QString::fromStdString(other.file("S"))}), menu::recent_studies());
    EXPECT_EQ(1, recent->actions().size());
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
