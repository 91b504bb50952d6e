// Naming a new coder data file: the proposal, the filter, the current
// directory and what Cancel leaves.
#include <QDir>
#include <QFileDialog>

#include "ui/frame/choose_coder_file_name.h"
#include "prepare_test_support.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "test_support.h"

namespace {

using namespace preptest;
using oc_ui::choose_coder_file_name;

QString canonical(const std::string& path) { return QDir(QString::fromStdString(path)).canonicalPath(); }

TEST(CoderFileFilter, StudyNameInTextAndPatternsMatchingTheNamesMade) {
    EXPECT_EQ(QStringLiteral("Coder Data Files (ABC.0??,...)|ABC.0??;ABC.1??;ABC.2??;ABC.3??;ABC.4??;ABC.5??;"
                             "ABC.6??;ABC.7??;ABC.8??;ABC.9??||"),
              oc_ui::coder_file_filter(oc::IDS_CODER_FILE_FILTER, QStringLiteral("ABC")));
    // Listings are made as NAME.P01; a name the patterns cannot carry keeps
    // its place with '?'.
    EXPECT_EQ(QStringLiteral("Openend Files (my study(2).p?\?)|my?study?2?.P??||"),
              oc_ui::coder_file_filter(oc::IDS_LISTING_FILTER, QStringLiteral("my study(2)")));
}

class NamingTest : public ::testing::Test {
protected:
    NamingTest() { elsewhere.enter(); }

    // Runs the naming; the save dialog is accepted or cancelled.
    int choose(bool accept, QString& path, bool listing = false, QString* proposed = nullptr) {
        sink.drive_next([this, accept, proposed](QDialog& dialog) {
            auto& save = static_cast<QFileDialog&>(dialog);
            EXPECT_EQ(QFileDialog::AcceptSave, save.acceptMode());
            EXPECT_EQ(canonical(study.path().string()), save.directory().canonicalPath());
            if (proposed && !save.selectedFiles().isEmpty())
                *proposed = QFileInfo(save.selectedFiles().first()).fileName();
            if (accept)
                dialog.accept();
            else
                dialog.reject();
        });
        return choose_coder_file_name(listing ? oc::IDS_LISTING_FILTER : oc::IDS_CODER_FILE_FILTER,
                                      QString::fromStdString(study.file("ABC")), path, listing);
    }

    octest::recording_sink sink;
    octest::ScratchDir elsewhere;
    octest::ScratchDir study;
};

TEST_F(NamingTest, ProposesTheFirstFreeNumberAndReturnsTheFullPath) {
    octest::write_bytes(study.file("ABC.001"), "");
    octest::write_bytes(study.file("ABC.002"), "");
    QString path, proposed;
    ASSERT_EQ(1, choose(true, path, false, &proposed));
    EXPECT_EQ(QStringLiteral("ABC.003"), proposed);
    EXPECT_TRUE(QFileInfo(path).isAbsolute()) << path.toStdString();
    EXPECT_EQ(QStringLiteral("ABC.003"), QFileInfo(path).fileName());
    EXPECT_EQ(canonical(study.path().string()), QDir(QFileInfo(path).absolutePath()).canonicalPath());
    EXPECT_EQ(canonical(study.path().string()), QDir::current().canonicalPath());

    std::filesystem::remove(study.file("ABC.001"));
    ASSERT_EQ(1, choose(true, path, false, &proposed));
    EXPECT_EQ(QStringLiteral("ABC.001"), proposed);
    // Listings are numbered apart, with P.
    ASSERT_EQ(1, choose(true, path, true, &proposed));
    EXPECT_EQ(QStringLiteral("ABC.P01"), proposed);
}

TEST_F(NamingTest, CancelLeavesThePathButNotTheDirectory) {
    QString path = QStringLiteral("unchanged");
    EXPECT_EQ(0, choose(false, path));
    EXPECT_EQ(QStringLiteral("unchanged"), path);
    EXPECT_EQ(canonical(study.path().string()), QDir::current().canonicalPath());
    EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
