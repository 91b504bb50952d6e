// The directory browse edit: its button, where the chooser starts, and
// what it writes back.
#include <QDir>
#include <QFileDialog>
#include <QStyle>
#include <QTest>

#include "prepare_test_support.h"
#include "recording_sink.h"
#include "test_support.h"
#include "ui/widgets/browse_edit.h"

namespace {

using namespace preptest;
using namespace oc_ui;

TEST(BrowseEdit, SeparatorAddedOnlyWhenMissing) {
    struct {
        const char* path;
        const char* expected;
    } cases[] = {{"", ""}, {"/data", "/data/"}, {"/data/", "/data/"}, {"C:\\DATA\\", "C:\\DATA\\"}, {"/", "/"}};
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromLatin1(c.expected), with_trailing_separator(QString::fromLatin1(c.path))) << c.path;
}

TEST(BrowseEdit, ChooserStartsAtTheFolderTheTextNames) {
    octest::ScratchDir dir;
    octest::write_bytes(dir.file("note.txt"), "x");
    QDir().mkpath(QString::fromStdString(dir.file("sounds")));
    const QString sounds = QString::fromStdString(dir.file("sounds"));
    struct {
        QString text;
        QString expected;
    } cases[] = {
        {QString(), QString()},
        {sounds, sounds},
        {sounds + u'/', sounds},  // one trailing separator stripped
        {QString::fromStdString(dir.file("note.txt")), QString()},
        {QString::fromStdString(dir.file("missing")), QString()},
        {QStringLiteral("/"), QStringLiteral("/")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, initial_browse_directory(c.text)) << c.text.toStdString();
}

TEST(BrowseEdit, ButtonOpensTheChooserAndTheFolderComesBackWithASeparator) {
    octest::recording_sink sink;
    octest::ScratchDir dir;
    QDir().mkpath(QString::fromStdString(dir.file("sounds")));
    const QString root = QDir(QString::fromStdString(dir.path().string())).canonicalPath();
    SECBrowseDirEdit edit;
    edit.resize(300, 24);
    edit.show();
    auto* button = child<SECBrowseButton>(edit, "browseButton");
    EXPECT_EQ(edit.width() - 1, button->geometry().right() + edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth));

    edit.setText(root);
    sink.drive_next([&](QDialog& dialog) {
        auto& chooser = static_cast<QFileDialog&>(dialog);
        EXPECT_EQ(QStringLiteral("Select Directory"), chooser.windowTitle());
        EXPECT_EQ(root, chooser.directory().canonicalPath());
        EXPECT_EQ(QFileDialog::Directory, chooser.fileMode());
        chooser.selectFile(root + QStringLiteral("/sounds"));
        dialog.accept();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(root + QStringLiteral("/sounds/"), edit.text());

    // A folder longer than the edit takes is refused whole, with a beep.
    edit.setText(root);
    edit.setMaxLength(int(root.size()) + 7);
    sink.drive_next([&](QDialog& dialog) {
        static_cast<QFileDialog&>(dialog).selectFile(root + QStringLiteral("/sounds"));
        dialog.accept();
    });
    button->click();
    EXPECT_EQ(root, edit.text());
    EXPECT_EQ(1, sink.beeps());
    edit.setMaxLength(32767);
    edit.setText(root + QStringLiteral("/sounds/"));

    // Cancel leaves the text; Alt+Down opens the chooser from the keyboard.
    sink.drive_next([](QDialog& dialog) { dialog.reject(); });
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(root + QStringLiteral("/sounds/"), edit.text());
    ASSERT_EQ(3u, sink.dialogs().size());
    EXPECT_EQ(QStringLiteral("dirSelectDialog"), sink.dialogs()[2]);

    // A text that names no folder starts the chooser in the current directory.
    dir.enter();
    edit.setText(QStringLiteral("no such folder"));
    sink.drive_next([&](QDialog& dialog) {
        EXPECT_EQ(root, static_cast<QFileDialog&>(dialog).directory().canonicalPath());
        dialog.reject();
    });
    button->click();
    EXPECT_EQ(4u, sink.dialogs().size());
}

TEST(BrowseEdit, ButtonFollowsTheEdit) {
    QWidget parent;
    auto* edit = new SECBrowseDirEdit(&parent);
    parent.show();
    auto* button = child<SECBrowseButton>(*edit, "browseButton");
    edit->setEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    edit->setEnabled(true);
    EXPECT_TRUE(button->isEnabled());
    edit->hide();
    EXPECT_FALSE(button->isVisible());
    edit->show();
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(Qt::TabFocus, button->focusPolicy());
    EXPECT_EQ(button, edit->nextInFocusChain());
}

}  // namespace
