// The print view's pages: what is drawn where, page breaks, carried lines,
// reads of the listing, margins, and the PDF a printer job writes.
#include <QPageSize>
#include <QPrinter>
#include <gtest/gtest.h>

#include "dialogs/examine/print_openends_view.h"
#include "print_test_support.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "test_support.h"

namespace {

using oc_ui::CPrintOpenendsView;
using printtest::listing_line;
using printtest::render_pages;

QString qpath(const octest::ScratchDir& dir, const char* name) { return QString::fromStdString(dir.file(name)); }

// Writes `text` as the listing of `dir` and gives its path.
QString listing(const octest::ScratchDir& dir, const std::string& text) {
    octest::write_bytes(dir.file("listing.txt"), text);
    return qpath(dir, "listing.txt");
}

// The label texts drawn, with their pages.
std::vector<std::pair<int, QString>> labels_drawn(const CPrintOpenendsView& view) {
    std::vector<std::pair<int, QString>> labels;
    for (const auto& d : view.drawn())
        if (d.label) labels.emplace_back(d.page, d.text);
    return labels;
}

// Each line as printed, label and wrapped text joined again.
std::vector<QString> lines_drawn(const CPrintOpenendsView& view) {
    std::vector<QString> lines;
    for (const auto& d : view.drawn()) {
        if (d.label) lines.push_back(d.text);
        else lines.back() += d.text;
    }
    return lines;
}

// How many short lines one page holds: a line must end above the bottom margin.
int lines_per_page(const CPrintOpenendsView& view) {
    return (view.margins().bottom - view.margins().top - 1) / view.line_height();
}

std::string short_lines(int count) {
    std::string text;
    for (int n = 1; n <= count; ++n) text += listing_line(n, "");
    return text;
}

TEST(PrintView, PrintsToAPdfOnePageMoreForEachPageful) {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    // The page capacity as the printer's own font metrics give it.
    octest::write_bytes(dir.file("probe.txt"), "");
    int capacity = 0;
    {
        CPrintOpenendsView probe(qpath(dir, "probe.txt"), qpath(dir, "S"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        ASSERT_TRUE(probe.OnBeginPrinting(printer));
        capacity = lines_per_page(probe);
        probe.OnEndPrinting();
        EXPECT_EQ(printer.resolution() / 2, probe.margins().left);
        EXPECT_EQ(printer.width() - printer.resolution() / 2, probe.margins().right);
    }
    ASSERT_GT(capacity, 20);

    const struct {
        int lines;
        int pages;
    } cases[] = {{0, 1}, {1, 1}, {capacity, 1}, {capacity + 1, 2}, {2 * capacity, 2}, {2 * capacity + 1, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        CPrintOpenendsView view(listing(dir, short_lines(c.lines)), qpath(dir, "S"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setFullPage(true);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(qpath(dir, "out.pdf"));
        EXPECT_EQ(c.pages, view.print(printer));
        EXPECT_EQ(c.pages, printtest::pdf_page_count(octest::read_bytes(dir.file("out.pdf"))));
        // Every line once, in order, pages filled to capacity.
        const auto labels = labels_drawn(view);
        ASSERT_EQ(std::size_t(c.lines), labels.size());
        for (int n = 1; n <= c.lines; ++n) {
            EXPECT_EQ(printtest::label_of(n), labels[n - 1].second);
            EXPECT_EQ(1 + (n - 1) / capacity, labels[n - 1].first) << n;
        }
        ASSERT_TRUE(sink.messages().empty());
    }
}

TEST(PrintView, ALineThatDoesNotFitStartsTheNextPageWhole) {
    octest::ScratchDir dir;
    std::string text;
    std::vector<QString> expected;
    for (int n = 1; n <= 200; ++n) {
        const std::string answer = n % 7 ? "short" : std::string(30, 'a') + " " + std::string(400, 'b');
        text += listing_line(n, answer);
        expected.push_back(printtest::label_of(n) + QString::fromStdString(answer));
    }
    CPrintOpenendsView view(listing(dir, text), qpath(dir, "S"));
    const auto pages = render_pages(view);
    ASSERT_GE(pages.size(), 3u);
    const auto& m = view.margins();
    int page = 1;
    for (std::size_t i = 0; i < view.drawn().size(); ++i) {
        const auto& d = view.drawn()[i];
        // A block never crosses the bottom margin, and each page starts at the top.
        EXPECT_LT(d.rect.bottom() + 1, m.bottom);
        if (d.page != page) {
            ASSERT_TRUE(d.label);
            EXPECT_EQ(m.top, d.rect.top());
            page = d.page;
        }
    }
    EXPECT_EQ(expected, lines_drawn(view));
}

TEST(PrintView, TheLabelColumnIs33CharactersAndTheRestWrapsToItsRight) {
    octest::ScratchDir dir;
    const struct {
        std::string line;
        std::vector<QString> drawn;
    } cases[] = {
        {std::string(32, 'x'), {QString(32, 'x')}},
        {std::string(33, 'x'), {QString(33, 'x')}},
        {std::string(33, 'x') + "z", {QString(33, 'x'), QStringLiteral("z")}},
        {"", {QString()}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.size());
        CPrintOpenendsView view(listing(dir, c.line + "\r\n"), qpath(dir, "S"));
        const auto pages = render_pages(view);
        ASSERT_EQ(1u, pages.size());
        std::vector<QString> drawn;
        for (const auto& d : view.drawn()) drawn.push_back(d.text);
        EXPECT_EQ(c.drawn, drawn);
        // The text column starts 33 average widths from the left margin and
        // is inked only when the line is longer than that.
        const auto& m = view.margins();
        const int column = m.left + view.label_width();
        const QRect text_column(column + 1, m.top, m.right - column - 1, view.line_height());
        EXPECT_EQ(c.drawn.size() == 2, printtest::has_ink(pages[0], text_column));
        if (c.drawn.size() == 2) {
            EXPECT_EQ(column, view.drawn()[1].rect.left());
        }
        const QRect label_column(m.left, m.top, view.label_width(), view.line_height());
        EXPECT_EQ(!c.line.empty(), printtest::has_ink(pages[0], label_column));
    }
}

TEST(PrintView, LongLinesAreReadIn834CharacterPieces) {
    octest::ScratchDir dir;
    auto run = [](std::size_t n) { return std::string(n, 'r'); };
    const struct {
        std::string listing;
        std::vector<std::size_t> pieces;
    } cases[] = {
        {run(833) + "\r\n" + "next\r\n", {833, 4}},
        {run(834) + "\r\n" + "next\r\n", {834, 4}},  // no empty line after a full piece
        {run(835) + "\r\n" + "next\r\n", {834, 1, 4}},
        {run(834) + "\n" + "next", {834, 4}},
        {run(1668) + "\r\n", {834, 834}},
        {run(1669), {834, 834, 1}},
        {"a\rb\r\n\r\nc\r\n", {3, 0, 1}},  // a lone CR is text; CR LF ends a line
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listing.size());
        CPrintOpenendsView view(listing(dir, c.listing), qpath(dir, "S"));
        render_pages(view);
        std::vector<std::size_t> pieces;
        QString joined;
        for (const QString& line : lines_drawn(view)) {
            pieces.push_back(std::size_t(line.size()));
            joined += line;
        }
        EXPECT_EQ(c.pieces, pieces);
        QString expected = QString::fromStdString(c.listing);
        expected.replace(QStringLiteral("\r\n"), QString()).replace(u'\n', QString());
        EXPECT_EQ(expected, joined);
    }
}

TEST(PrintView, ALineTallerThanAPageIsPrintedOnceAtTheTopOfTheNextPage) {
    octest::ScratchDir dir;
    std::string words;  // 33 + 800 characters: one read
    for (int i = 0; i < 160; ++i) words += "word ";
    const std::string tall = listing_line(2, words);
    const struct {
        std::string listing;
        std::vector<std::pair<int, QString>> labels;
        std::size_t pages;
    } cases[] = {
        {listing_line(1, "") + tall + listing_line(3, ""),
         {{1, printtest::label_of(1)}, {2, printtest::label_of(2)}, {3, printtest::label_of(3)}}, 3},
        // Nothing follows it: no blank page after.
        {listing_line(1, "") + tall, {{1, printtest::label_of(1)}, {2, printtest::label_of(2)}}, 2},
        // At the top of a page it is printed there: no page is left blank.
        {tall + listing_line(3, ""), {{1, printtest::label_of(2)}, {2, printtest::label_of(3)}}, 2},
        {tall, {{1, printtest::label_of(2)}}, 1},
    };
    for (const auto& c : cases) {
        CPrintOpenendsView view(listing(dir, c.listing), qpath(dir, "S"));
        // A card 6 by 3 inches: the wrapped words run far past its bottom.
        const auto pages = render_pages(view, {6, 3});
        EXPECT_EQ(c.pages, pages.size());
        EXPECT_EQ(c.labels, labels_drawn(view));
        for (const auto& d : view.drawn())
            if (!d.label) {
                EXPECT_EQ(view.margins().top, d.rect.top());  // printed at the top of its page
                EXPECT_GT(d.rect.bottom(), view.margins().bottom);
            }
    }
}

TEST(PrintView, AWordWiderThanTheTextColumnStaysOnThePaper) {
    octest::ScratchDir dir;
    CPrintOpenendsView view(listing(dir, listing_line(1, "see http://" + std::string(300, 'x') + ".example")), qpath(dir, "S"));
    const auto pages = render_pages(view);
    ASSERT_EQ(1u, pages.size());
    const auto& m = view.margins();
    EXPECT_FALSE(printtest::has_ink(pages[0], QRect(m.right + 2, 0, pages[0].width(), pages[0].height())));
    ASSERT_EQ(2u, view.drawn().size());
    EXPECT_GT(view.drawn()[1].rect.height(), 4 * view.line_height());
}

TEST(PrintView, MarginsLieHalfAnInchInsideThePaper) {
    const struct {
        QRect paper;
        int dpi_x, dpi_y;
        oc_ui::listing_margins expected;
    } cases[] = {
        {{0, 0, 850, 1100}, 100, 100, {50, 50, 800, 1050}},
        {{0, 0, 2550, 3300}, 300, 300, {150, 150, 2400, 3150}},
        {{0, 0, 850, 1100}, 101, 99, {50, 49, 800, 1051}},  // half an inch rounds down
        {{-25, -30, 850, 1100}, 100, 100, {25, 20, 775, 1020}},  // the printable area's corner at 25, 30
        {{-60, -50, 850, 1100}, 100, 100, {0, 0, 740, 1000}},  // the border is wider than the margin
        {{0, 0, 80, 60}, 100, 100, {50, 50, 30, 10}},  // paper under an inch: no text area
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, oc_ui::listing_text_area(c.paper, c.dpi_x, c.dpi_y));
}

TEST(PrintView, AListingThatCannotBeOpenedPrintsNothingAndSays706) {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    CPrintOpenendsView view(qpath(dir, "gone.txt"), qpath(dir, "S"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(qpath(dir, "out.pdf"));
    EXPECT_EQ(0, view.print(printer));
    EXPECT_EQ(std::vector<int>{oc::IDS_PRINT_ERROR}, sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages().at(0).style);
    EXPECT_FALSE(octest::fs::exists(dir.file("out.pdf")));
}

TEST(PrintView, APageRenderedForALook) {
    octest::ScratchDir dir;
    std::string text;
    const char* answers[] = {"too expensive", "the taste, and the smell when you open the packet in the morning",
                             "97 corner shop", "price", ""};
    for (int n = 1; n <= 30; ++n) text += listing_line(n, answers[n % 5]);
    CPrintOpenendsView view(listing(dir, text), qpath(dir, "S"));
    const auto pages = render_pages(view, {8.5, 11}, 96);
    ASSERT_EQ(1u, pages.size());
    EXPECT_TRUE(printtest::save_for_review(pages[0], "print_view_page1.png"));
}

}  // namespace
