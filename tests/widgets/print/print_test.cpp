// The open-end listing printed to PDF, saved as text, and the whole examine
// command through the message sink.
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QPageSize>
#include <gtest/gtest.h>

#include "print/examine_command.h"
#include "print/print_openends_dlg.h"
#include "print/print_openends_view.h"
#include "recording_sink.h"
#include "resources/string_table.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using octest::read_bytes;

// Prints `listing` to a PDF; the view keeps what it drew.
struct printed {
    int pages;
    std::vector<oc_ui::CPrintOpenendsView::drawn_text> drawn;
};
printed print_listing(const octest::ScratchDir& dir, const std::string& listing, QSizeF inches = {}) {
    octest::write_bytes(dir.file("listing.txt"), listing);
    oc_ui::CPrintOpenendsView view(QString::fromStdString(dir.file("listing.txt")), QString::fromStdString(dir.file("S")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (!inches.isEmpty()) printer.setPageSize(QPageSize(inches, QPageSize::Inch));
    printer.setOutputFileName(QString::fromStdString(dir.file("out.pdf")));
    int pages = view.print(printer);
    return {pages, view.drawn()};
}

std::string line_of(int n) {
    char text[64];
    std::snprintf(text, sizeof text, "%5d %9d Q5         0   1 answer number %d\r\n", n, 1000 + n, n);
    return text;
}

TEST(PrintView, PagesCarriedLinesAndTheLabelColumn) {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    EXPECT_EQ(1, print_listing(dir, "").pages);  // an empty listing: one blank page

    std::string three_pages;
    for (int n = 1; n <= 130; ++n) three_pages += line_of(n);
    printed many = print_listing(dir, three_pages);
    EXPECT_EQ(3, many.pages);
    // Every line once, in order, labels at the left margin.
    std::vector<QString> labels;
    for (const auto& d : many.drawn)
        if (d.label) labels.push_back(d.text);
    ASSERT_EQ(130u, labels.size());
    EXPECT_EQ(QStringLiteral("  130      1130 Q5         0   1 "), labels.back());
    int last_on_page1 = 0;
    for (const auto& d : many.drawn)
        if (d.page == 1 && d.label) ++last_on_page1;
    const auto& first_on_page2 = *std::find_if(many.drawn.begin(), many.drawn.end(), [](const auto& d) { return d.page == 2; });
    EXPECT_EQ(labels[static_cast<std::size_t>(last_on_page1)], first_on_page2.text);  // carried whole
    EXPECT_EQ(many.drawn.front().rect.top(), first_on_page2.rect.top());

    std::string exact(33, 'x'), longer = std::string(33, 'y') + "z";
    printed widths = print_listing(dir, exact + "\r\n" + longer + "\r\n");
    ASSERT_EQ(3u, widths.drawn.size());  // 33 characters: the label alone
    EXPECT_EQ(QString::fromStdString(exact), widths.drawn[0].text);
    EXPECT_FALSE(widths.drawn[2].label);
    EXPECT_EQ(QStringLiteral("z"), widths.drawn[2].text);
    EXPECT_GE(widths.drawn[2].rect.left(), widths.drawn[1].rect.right());

    printed split = print_listing(dir, std::string(900, 'w') + "\r\n");
    std::vector<int> pieces;
    for (const auto& d : split.drawn)
        if (d.label) pieces.push_back(0);
    EXPECT_EQ(2u, pieces.size());  // read 834 characters at a time
    EXPECT_EQ(QString(834 - 33, 'w'), split.drawn[1].text);
    EXPECT_TRUE(sink.messages().empty());
}

TEST(PrintView, ALineTallerThanAPageIsPrintedOnceOnTheNextPage) {
    octest::ScratchDir dir;
    // On a small card the text column is narrow: 800 characters of words
    // wrap into a block taller than the page.
    std::string words;
    for (int i = 0; i < 160; ++i) words += "word ";
    printed tall = print_listing(dir, line_of(1) + std::string(33, '-') + words + "\r\n" + line_of(2), {4.5, 3});
    EXPECT_EQ(3, tall.pages);
    std::vector<std::pair<int, QString>> labels;
    for (const auto& d : tall.drawn)
        if (d.label) labels.emplace_back(d.page, d.text.left(5));
    // Carried, then drawn although it runs past the bottom; the next line
    // starts the page after.
    EXPECT_EQ((std::vector<std::pair<int, QString>>{{1, QStringLiteral("    1")}, {2, QStringLiteral("-----")},
                                                    {3, QStringLiteral("    2")}}),
              labels);
}

TEST(PrintDialog, FormatChoiceOnlyWhilePrintingToFile) {
    oc_ui::CPrintOpenendsDlg dialog;
    auto* to_file = dialog.findChild<QCheckBox*>(QStringLiteral("printToFileCheck"));
    auto* ascii = dialog.findChild<QRadioButton*>(QStringLiteral("asciiRadio"));
    auto* printer = dialog.findChild<QRadioButton*>(QStringLiteral("printerFormatRadio"));
    ASSERT_TRUE(to_file && ascii && printer);
    EXPECT_FALSE(ascii->isEnabled());
    EXPECT_FALSE(printer->isEnabled());
    EXPECT_TRUE(ascii->isChecked());
    to_file->setChecked(true);
    EXPECT_TRUE(ascii->isEnabled());
    EXPECT_TRUE(printer->isEnabled());
    printer->setChecked(true);
    to_file->setChecked(false);
    EXPECT_FALSE(printer->isEnabled());
    EXPECT_EQ(oc_ui::CPrintOpenendsDlg::printer_format, dialog.format());
}

TEST(Examine, SavesTheListingAsTextAndLeavesNoTemporaryFile) {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ5,7,0,Why?\r\n");
    octest::write_bytes(dir.file("data.csv"), "respondent,sequence,complete,Q5\r\n1001,12,1,too expensive\r\n");
    ASSERT_TRUE(oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S")).ok);
    octest::write_bytes(dir.file("S.P01"), "taken");
    auto q = [&](const char* ext) { return QString::fromStdString(dir.file(std::string("S") + ext)); };

    sink.drive_next([](QDialog& sheet) {
        auto* list = sheet.findChild<QTreeWidget*>(QStringLiteral("questionList"));
        ASSERT_NE(nullptr, list);
        list->setCurrentItem(list->topLevelItem(0));
        // Tick the question through the keyboard's way to the mark.
        list->setFocus();
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(list, &space);
        sheet.accept();
    });
    sink.drive_next([](QDialog& options) { options.accept(); });
    sink.drive_next([](QDialog& print) {
        print.findChild<QCheckBox*>(QStringLiteral("printToFileCheck"))->setChecked(true);
        print.accept();
    });
    sink.drive_next([](QDialog& save) { save.accept(); });  // the proposed name
    oc_ui::run_examine(q(".lbl"), q(".DAT"), q(".idx"), q(".cdl"), q(".cdb"), q(""));
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_SAME_BYTES("   12      1001 Q5         0   1 too expensive\r\n", read_bytes(dir.file("S.P02")));
    for (const auto& entry : octest::fs::directory_iterator(dir.path()))
        EXPECT_NE(0u, entry.path().filename().string().rfind("COD", 0)) << entry.path();
    EXPECT_FALSE(octest::fs::exists(dir.file("S.cdl")));
}

}  // namespace
