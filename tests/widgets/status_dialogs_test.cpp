// The status report: its rows, figures, widths, images and views, driven
// through the message sink as a user would.
#include <QDir>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "coder_fixtures.h"
#include "ui/frame/report_list.h"
#include "recording_sink.h"
#include "ui/images/status_images.h"
#include "dialogs/status/status_column_widths.h"
#include "dialogs/status/status_of_coder_files_dlg.h"
#include "dialogs/status/status_questions_dlg.h"
#include "dialogs/status/status_report.h"
#include "dialogs/status/status_respondents_dlg.h"
#include "ui/tools/default_font.h"
#include "test_support.h"

namespace {

QImage icon_image(const QIcon& icon) { return icon.pixmap(QSize(16, 16), 1.0).toImage(); }

template <typename Widget>
Widget* child(QDialog& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void save_png(QWidget& widget, const char* file) {
    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    const QString path = QStringLiteral(OPENCODER_TEST_OUTPUT "/") + QString::fromLatin1(file);
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}

// Expected widths, worked out by hand from the list's width.
std::array<int, 5> expected_file_widths(int list_width, int scroll_bar) {
    const int w = list_width - scroll_bar - 2;
    return {16 + w / 4, 85, 71, 71, w - w / 4 - 16 - 229};
}

// Column `column` is `width` wide, or wider exactly as far as its header
// text needs: a header is never cut.
void expect_width_at_least(const QTreeWidget& list, int column, int width) {
    const int header = list.header()->sectionSizeHint(column);
    EXPECT_EQ(std::max(width, header), list.columnWidth(column)) << "column " << column;
}

class StatusReport : public ::testing::Test {
protected:
    void SetUp() override { dir.enter(); }

    // `count` files ABC.001 ..., statuses cycling 0..3, interviews cycling 0..3.
    std::vector<octest::fixture_file> write_study(int count) {
        std::vector<octest::fixture_file> files;
        for (int i = 1; i <= count; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "ABC.%03d", i);
            auto file = octest::simple_file(name, (i - 1) % 4, (i - 1) % 4);
            file.respondents.resize(std::size_t(i % 3 + 1), {7, 700});
            file.questions.resize(std::size_t(i % 2 + 1));
            octest::write_coder_file(dir.path().string(), file);
            files.push_back(file);
        }
        octest::write_coder_list(dir.file("ABC.cdl"), files);
        return files;
    }

    QString list_path() const { return QString::fromStdString(dir.file("ABC.cdl")); }

    octest::ScratchDir dir;
    octest::recording_sink sink;
};

TEST_F(StatusReport, RowsFiguresAndImagesOfEveryFile) {
    const auto files = write_study(11);
    const QString status_names[] = {QStringLiteral("Nothing coded"), QStringLiteral("Partly coded"),
                                    QStringLiteral("Coding complete"), QStringLiteral("Merged")};
    const QString interviews[] = {QStringLiteral("Completes AND Incompletes"), QStringLiteral("Completes ONLY"),
                                  QStringLiteral("Incompletes ONLY"), QString()};
    bool driven = false;
    sink.drive_next([&](QDialog& dialog) {
        driven = true;
        EXPECT_EQ(dialog.objectName(), QStringLiteral("statusOfSpecFilesDialog"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Coder File Status"));
        auto* list = child<QTreeWidget>(dialog, "fileList");
        ASSERT_EQ(list->topLevelItemCount(), 11);
        const QStringList headers = {"Coder Files", "# Respondents", "# Questions", "# Records", "Interviews Included"};
        for (int c = 0; c < 5; ++c) EXPECT_EQ(list->headerItem()->text(c), headers[c]);
        const int alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft};
        for (int i = 0; i < 11; ++i) {
            const QTreeWidgetItem* row = list->topLevelItem(i);
            const auto& f = files[std::size_t(i)];
            EXPECT_EQ(row->text(0).toStdString(), f.name);
            EXPECT_EQ(row->text(1), QString::number(f.respondents.size()));
            EXPECT_EQ(row->text(2), QString::number(f.questions.size()));
            EXPECT_EQ(row->text(3), QString::number(2 * f.questions.size()));
            EXPECT_EQ(row->text(4), interviews[i % 4]) << "row " << i;
            EXPECT_EQ(icon_image(row->icon(0)), icon_image(oc_ui::status_icon(i % 4))) << "row " << i;
            EXPECT_EQ(row->toolTip(0), status_names[i % 4]) << "row " << i;
            for (int c = 0; c < 5; ++c)
                EXPECT_EQ(row->textAlignment(c) & Qt::AlignHorizontal_Mask, alignments[c]) << "column " << c;
        }
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        EXPECT_TRUE(list->topLevelItem(0)->isSelected());
        save_png(dialog, "status_coder_files.png");
        dialog.reject();
    });
    oc_ui::run_status_report(list_path());
    EXPECT_TRUE(driven);
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(StatusReport, ScrollBarNarrowsColumnsFromElevenFilesOn) {
    for (int count : {9, 10, 11, 12}) {
        write_study(count);
        sink.drive_next([count](QDialog& dialog) {
            auto* list = child<QTreeWidget>(dialog, "fileList");
            const int scroll_bar = count > 10 ? oc_ui::scroll_bar_width(*list) : 0;
            const auto expected = expected_file_widths(list->width(), scroll_bar);
            for (int c = 0; c < 5; ++c) expect_width_at_least(*list, c, expected[std::size_t(c)]);
            dialog.reject();
        });
        oc_ui::run_status_report(list_path());
    }
    EXPECT_EQ(sink.dialogs().size(), 4u);
}

TEST(StatusColumnWidths, IntegerDivisionAndTheTenRowLimit) {
    EXPECT_EQ(oc_ui::usable_list_width(540, 9, 15), 538);
    EXPECT_EQ(oc_ui::usable_list_width(540, 10, 15), 538);
    EXPECT_EQ(oc_ui::usable_list_width(540, 11, 15), 523);
    // 523 / 4 = 130 and 538 / 4 = 134, remainders dropped.
    EXPECT_EQ(oc_ui::coder_file_column_widths(523, 16), (std::array<int, 5>{146, 85, 71, 71, 148}));
    EXPECT_EQ(oc_ui::coder_file_column_widths(538, 16), (std::array<int, 5>{150, 85, 71, 71, 159}));
    // 454 / 5 = 90, 455 / 5 = 91.
    EXPECT_EQ(oc_ui::question_column_widths(454, 16), (std::array<int, 6>{109, 52, 41, 75, 63, 112}));
    EXPECT_EQ(oc_ui::question_column_widths(455, 16), (std::array<int, 6>{110, 52, 41, 75, 63, 112}));
    EXPECT_EQ(oc_ui::respondent_column_width(355), 88);
    EXPECT_EQ(oc_ui::respondent_column_width(356), 89);
}

TEST_F(StatusReport, ViewQuestionsOfTheSelectedFile) {
    auto first = octest::simple_file("ABC.001", 0, 0);
    auto second = octest::simple_file("ABC.002", 1, 1);
    second.questions = {{"Q10", 1, 4, 30, 5, 5}, {"Q11", 0, 2, 3, 5, 2}, {"OTHER9", 2, 1, 1, 0, 0},
                        {"Q12", 0, 1, 1, 3, 0}};
    for (const auto& f : {first, second}) octest::write_coder_file(dir.path().string(), f);
    octest::write_coder_list(dir.file("ABC.cdl"), {first, second});

    QStringList names;
    sink.drive_next([](QDialog& dialog) {
        auto* list = child<QTreeWidget>(dialog, "fileList");
        list->setCurrentItem(list->topLevelItem(1));
        EXPECT_EQ(static_cast<oc_ui::CStatusOfSpecFilesDlg&>(dialog).selected_row(), 1);
        child<QPushButton>(dialog, "viewQuestionsButton")->click();
        dialog.reject();
    });
    sink.drive_next([&](QDialog& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("statusQuestionsDialog"));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Question Status"));
        auto* list = child<QTreeWidget>(dialog, "questionList");
        const QStringList headers = {"Questions", "Action", "Width", "Max # Codes", "# Records", "Last Rec Coded"};
        for (int c = 0; c < 6; ++c) EXPECT_EQ(list->headerItem()->text(c), headers[c]);
        ASSERT_EQ(list->topLevelItemCount(), 4);
        const QStringList rows[] = {{"Q10", "Replace", "4", "30", "5", "5"},
                                    {"Q11", "Append", "2", "3", "5", "2"},
                                    {"OTHER9", "Append", "1", "1", "0", "0"},
                                    {"Q12", "Append", "1", "1", "3", "0"}};
        const int images[] = {2, 1, 2, 0};  // 0 of 0 records counts as complete
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 6; ++c) EXPECT_EQ(list->topLevelItem(r)->text(c), rows[r][c]) << r << "," << c;
            EXPECT_EQ(icon_image(list->topLevelItem(r)->icon(0)), icon_image(oc_ui::status_icon(images[r]))) << r;
        }
        std::unique_ptr<QFont> suite_font(oc_ui::GetDefaultFont(0, nullptr));
        EXPECT_EQ(list->font().family(), suite_font->family());
        const int w = list->width() - 2;
        const int expected[] = {16 + w / 5 + 3, 52, 41, 75, 63, w - w / 5 - 16 - 236};
        for (int c = 0; c < 6; ++c) expect_width_at_least(*list, c, expected[c]);
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        save_png(dialog, "status_questions.png");
        dialog.reject();
    });
    oc_ui::run_status_report(list_path());
    EXPECT_EQ(sink.dialogs(), (std::vector<QString>{"statusOfSpecFilesDialog", "statusQuestionsDialog"}));
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(StatusReport, RespondentsShowSignedSixteenBitSequences) {
    auto file = octest::simple_file("ABC.001", 0, 0);
    file.respondents = {{1, 1}, {32767, 2}, {32768, 3}, {40000, -5}, {65535, 999999999}};
    for (int i = 0; i < 9; ++i) file.respondents.push_back({std::uint16_t(100 + i), 5000 + i});
    octest::write_coder_file(dir.path().string(), file);
    octest::write_coder_list(dir.file("ABC.cdl"), {file});

    sink.drive_next([](QDialog& dialog) {
        child<QPushButton>(dialog, "viewRespondentsButton")->click();
        dialog.reject();
    });
    sink.drive_next([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Respondents List"));
        auto* list = child<QListWidget>(dialog, "respondentList");
        ASSERT_EQ(list->count(), 14);
        const char* respondents[] = {"1", "2", "3", "-5", "999999999"};
        const char* sequences[] = {"1", "32767", "-32768", "-25536", "-1"};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(list->item(i)->text(), QString::fromLatin1(respondents[i]));
            EXPECT_EQ(list->item(i)->data(oc_ui::kSequenceTextRole).toString(), QString::fromLatin1(sequences[i]));
        }
        // 14 respondents: more than ten, so the scroll bar is taken off.
        const int w = list->width() - oc_ui::scroll_bar_width(*list) - 2;
        EXPECT_EQ(list->gridSize().width(), w / 4);
        EXPECT_EQ(list->currentRow(), 0);
        save_png(dialog, "status_respondents.png");
        dialog.reject();
    });
    oc_ui::run_status_report(list_path());
    EXPECT_EQ(sink.dialogs().size(), 2u);
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(StatusReport, DeletedFileShows709AndTheListStays) {
    write_study(2);
    sink.drive_next([&](QDialog& dialog) {
        std::filesystem::remove(dir.path() / "ABC.001");
        child<QPushButton>(dialog, "viewQuestionsButton")->click();
        child<QPushButton>(dialog, "viewRespondentsButton")->click();
        EXPECT_TRUE(dialog.isVisible());
        dialog.reject();
    });
    oc_ui::run_status_report(list_path());
    EXPECT_EQ(sink.message_ids(), (std::vector<int>{709, 709}));
    EXPECT_EQ(sink.messages()[0].style, oc_ui::box_style::exclamation);
    EXPECT_EQ(sink.messages()[0].help_context, 4000);
    EXPECT_EQ(sink.dialogs(), std::vector<QString>{"statusOfSpecFilesDialog"});
}

TEST(StatusImages, DistinctAndTransparentWhereWhite) {
    std::vector<QImage> images;
    for (int s = 0; s < 4; ++s) {
        const QImage image = icon_image(oc_ui::status_icon(s)).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(16, 16));
        // The corner is outside every frame: transparent, not white.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << s;
        images.push_back(image);
    }
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b) EXPECT_NE(images[std::size_t(a)], images[std::size_t(b)]) << a << b;
    // Empty frame: its middle is see-through; complete: solid black there.
    EXPECT_EQ(qAlpha(images[0].pixel(8, 8)), 0);
    EXPECT_EQ(images[2].pixel(8, 8), qRgb(0, 0, 0));
    // Partly coded: left half black, right half see-through.
    EXPECT_EQ(images[1].pixel(5, 8), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(images[1].pixel(10, 8)), 0);
    EXPECT_TRUE(oc_ui::status_icon(4).isNull());
    // Twice the pixels at device pixel ratio 2.
    EXPECT_EQ(oc_ui::status_icon(2).pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
}

}  // namespace
