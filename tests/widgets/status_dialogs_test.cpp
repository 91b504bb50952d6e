// The status command: the report's rows, figures, images and views driven
// through the message sink.
#include <QDialog>
#include <QPushButton>
#include <QTreeWidget>

#include "coder_fixtures.h"
#include "recording_sink.h"
#include "ui/images/status_images.h"
#include "dialogs/status/status_report.h"
#include "test_support.h"
#include "ui.h"

namespace {

using octest::child;

class StatusReport : public ::testing::Test {
protected:
    void SetUp() override { dir.enter(); }
    // `files` written and listed; line 2 of each holds its own status.
    void write_study(const std::vector<octest::fixture_file>& files) {
        for (const auto& file : files) octest::write_coder_file(dir.path().string(), file);
        octest::write_coder_list(dir.file("ABC.cdl"), files);
    }
    QString list_path() const { return QString::fromStdString(dir.file("ABC.cdl")); }
    static QStringList row(const QTreeWidget& list, int r, int columns) {
        QStringList texts;
        for (int c = 0; c < columns; ++c) texts << list.topLevelItem(r)->text(c);
        return texts;
    }

    octest::ScratchDir dir;
    octest::recording_sink sink;
};

TEST_F(StatusReport, RowsFiguresAndImagesOfEveryFileAndTheQuestionsOfTheOneSelected) {
    std::vector<octest::fixture_file> files;
    for (int i = 0; i < 4; ++i) files.push_back(octest::simple_file("ABC.00" + std::to_string(i + 1), i, i));
    files[1].respondents.resize(1);
    files[1].questions = {{"Q10", 1, 4, 30, 5, 5}, {"Q11", 0, 2, 3, 5, 2}, {"OTHER9", 2, 1, 1, 0, 0}};
    write_study(files);
    sink.drive_next([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(dialog, "fileList");
        ASSERT_EQ(4, list->topLevelItemCount());
        EXPECT_EQ((QStringList{"ABC.001", "3", "2", "4", "Completes AND Incompletes"}), row(*list, 0, 5));
        EXPECT_EQ((QStringList{"ABC.002", "1", "3", "10", "Completes ONLY"}), row(*list, 1, 5));
        EXPECT_EQ(QStringLiteral("Incompletes ONLY"), list->topLevelItem(2)->text(4));
        const char* names[] = {"Nothing coded", "Partly coded", "Coding complete", "Merged"};
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(octest::icon_image(oc_ui::status_icon(i)), octest::icon_image(list->topLevelItem(i)->icon(0)));
            EXPECT_EQ(QString::fromLatin1(names[i]), list->topLevelItem(i)->toolTip(0));
        }
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        list->setCurrentItem(list->topLevelItem(1));
        child<QPushButton>(dialog, "viewQuestionsButton")->click();
        dialog.reject();
    });
    sink.drive_next([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(dialog, "questionList");
        ASSERT_EQ(3, list->topLevelItemCount());
        EXPECT_EQ((QStringList{"Q10", "Replace", "4", "30", "5", "5"}), row(*list, 0, 6));
        EXPECT_EQ((QStringList{"Q11", "Append", "2", "3", "5", "2"}), row(*list, 1, 6));
        const int images[] = {2, 1, 2};  // 0 of 0 records counts as complete
        for (int r = 0; r < 3; ++r)
            EXPECT_EQ(octest::icon_image(oc_ui::status_icon(images[r])),
                      octest::icon_image(list->topLevelItem(r)->icon(0)));
        dialog.reject();
    });
    oc_ui::run_status_report(list_path());
    EXPECT_EQ((std::vector<QString>{"statusOfSpecFilesDialog", "statusQuestionsDialog"}), sink.dialogs());
    EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
