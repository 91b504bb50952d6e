// CPrintOpenendsView: prints a finished open-end listing page by page, or
// saves a copy of it.
//
// Each listing line is a label column and a text column: the line's first
// 33 characters are drawn as they stand at the left margin; the rest is
// word-wrapped to the right of a column 33 average character widths wide.
// A line that does not fit on the page moves whole to the next page (a line
// taller than a page is then printed once, running past the bottom margin).
// The text area lies half an inch inside each edge of the paper. Pages
// carry nothing but listing lines: no header, footer or page count.
//
// A job is OnBeginPrinting, OnDraw once per page while it says more pages
// follow, and OnEndPrinting; it paints on any device (a printer, a preview,
// an image), so print(), the preview and tests share one page drawing.
#pragma once

#include <QFile>
#include <QFont>
#include <QRect>
#include <QString>
#include <optional>
#include <vector>

class QPaintDevice;
class QPainter;
class QPrinter;

namespace oc_ui {

// The edges of the text area, in device units.
struct listing_margins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const listing_margins&) const = default;
};

// The text area for paper `paper` (in device coordinates; a printer's
// unprintable border puts its corner at negative values) at the given
// resolution: half an inch inside each edge, no edge below 0.
listing_margins listing_text_area(const QRect& paper, int dpi_x, int dpi_y);

class CPrintOpenendsView {
public:
    static constexpr int kLabelChars = 33;
    // Characters taken by one read of the listing; a longer line is printed
    // as pieces of this length, each a line of its own.
    static constexpr int kMaxRead = 834;

    // `listing_path`: the listing to print; `base_path`: the study directory,
    // '/', the study name (it names a saved copy).
    CPrintOpenendsView(const QString& listing_path, const QString& base_path);
    CPrintOpenendsView(const CPrintOpenendsView&) = delete;
    CPrintOpenendsView& operator=(const CPrintOpenendsView&) = delete;

    // The print command: the print dialog (CPrintOpenendsDlg), then a copy
    // of the listing (print to file, ASCII format), a preview, or printing.
    // Cancelling any dialog ends it silently; a failed copy shows 707, a
    // listing or printer that cannot be opened 706. The listing file is
    // closed when it returns.
    void OnFilePrint();

    // Prints the whole listing on `printer`. The number of pages printed, or
    // 0 when nothing was printed: the listing or the printer could not be
    // opened (706 shown).
    int print(QPrinter& printer);

    // Starts a job on `device`: the listing font, the margins and the open
    // listing. False, with 706 shown, when the listing cannot be opened: no
    // page is to be drawn.
    bool OnBeginPrinting(QPaintDevice& device);
    // Draws the next page with `painter` (on a device like the one the job
    // began on). True while more pages follow.
    bool OnDraw(QPainter& painter);
    // Ends the job and closes the listing.
    void OnEndPrinting();

    // The text area in device coordinates, set by OnBeginPrinting.
    const listing_margins& margins() const { return margins_; }
    int line_height() const { return line_height_; }
    int label_width() const { return label_width_; }

private:
    void save_copy();
    bool read_line(QString& line);
    bool more_lines();
    int block_height(QPainter& painter, const QString& line, int y) const;
    QRect text_rect(int y, int height) const;
    void draw_line(QPainter& painter, const QString& line, int y);

    QString listing_path_;
    QString base_path_;
    listing_margins margins_;
    QFont font_;
    int line_height_ = 0;
    int label_width_ = 0;
    int ascent_ = 0;
    QFile listing_;
    std::optional<QString> carried_;
    int page_ = 0;
};

}  // namespace oc_ui
