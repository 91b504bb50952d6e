// The print view's page layout, as the text runs a paint engine gets, and
// the PDF a printer job writes.

#include "print_support.h"
#include "recording_sink.h"
#include "test_support.h"

namespace {

using oc_ui::CPrintOpenendsView;
using printtest::job;
using printtest::label_of;
using printtest::listing_line;

struct PrintView : ::testing::Test {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    QString path(const char* name) const { return QString::fromStdString(dir.file(name)); }
    // A view of `text` as the listing.
    std::unique_ptr<CPrintOpenendsView> view(const std::string& text) {
        octest::write_bytes(dir.file("listing.txt"), text);
        return std::make_unique<CPrintOpenendsView>(path("listing.txt"), path("S"));
    }
    static QStringList texts(const std::vector<printtest::run>& runs) {  // in order
        QStringList all;
        for (const auto& r : runs) all << r.text;
        return all;
    }
};

TEST_F(PrintView, PagesFillInOrderAndALineThatDoesNotFitStartsTheNextPageWhole) {
    std::string text;
    QStringList labels;
    for (int n = 1; n <= 200; ++n) {
        text += listing_line(n, n % 7 ? "" : std::string(30, 'a') + " " + std::string(400, 'b'));
        labels << label_of(n);
    }
    auto v = view(text);
    const job pages(*v);
    ASSERT_GE(pages.page, 3);
    EXPECT_EQ(labels, texts(pages.labels()));
    const qreal first_y = pages.runs.front().at.y();
    int page = 0;
    qreal y = 0;
    for (const auto& r : pages.labels()) {
        EXPECT_LT(r.at.y(), v->margins().bottom);
        if (r.page != page) {
            EXPECT_EQ(first_y, r.at.y()) << "page " << r.page << " starts at the top";
            page = r.page;
        } else {
            EXPECT_GE(r.at.y() - y, v->line_height());
        }
        y = r.at.y();
    }
    // The wrapped texts never run past the bottom margin, nor off the paper.
    for (const auto& r : pages.labels(false)) {
        EXPECT_LT(r.at.y(), v->margins().bottom);
        EXPECT_LE(r.at.x() + r.width, v->margins().right + 1);
    }
}

TEST_F(PrintView, TheLabelColumnIs33CharactersAndTheRestWrapsToItsRight) {
    for (const std::string tail : {"", "z", "see http://"}) {  // then a word wider than the column
        const std::string line = std::string(33, 'x') + tail + (tail.ends_with('/') ? std::string(300, 'w') : "");
        auto v = view(line + "\r\n");
        const job page(*v);
        ASSERT_EQ(1, page.page);
        EXPECT_EQ(QStringList{QString(33, 'x')}, texts(page.labels()));
        const int column = v->margins().left + v->label_width();
        QString wrapped;
        for (const auto& r : page.labels(false)) {
            EXPECT_EQ(column, r.at.x());
            EXPECT_LE(r.at.x() + r.width, v->margins().right + 1) << "a wide word is broken, not run off";
            wrapped += r.text;
        }
        EXPECT_EQ(QString::fromStdString(line.substr(33)).remove(u' '), wrapped.remove(u' '));
    }
}

TEST_F(PrintView, ALineTallerThanAPageIsPrintedOnceAtTheTopOfTheNextPage) {
    std::string words;
    for (int i = 0; i < 160; ++i) words += "word ";
    const std::string tall = listing_line(2, words);
    const struct {
        std::string listing;
        std::vector<int> pages;  // of the labels 1.., in order
    } cases[] = {
        {listing_line(1, "") + tall + listing_line(3, ""), {1, 2, 3}},
        {listing_line(1, "") + tall, {1, 2}},  // nothing follows: no blank page
        {tall + listing_line(3, ""), {1, 2}},  // at the top of a page it stays there
    };
    for (const auto& c : cases) {
        auto v = view(c.listing);
        const job card(*v, {6, 3});  // the wrapped words run far past its bottom
        std::vector<int> pages;
        for (const auto& r : card.labels()) pages.push_back(r.page);
        EXPECT_EQ(c.pages, pages) << c.listing.size();
        EXPECT_EQ(c.pages.back(), card.page);
        EXPECT_GT(card.labels(false).back().at.y(), v->margins().bottom);
    }
}

}  // namespace
