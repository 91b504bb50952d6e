// Prints a finished open-end listing page by page, or saves a copy of it.
// Each line's first 33 characters form a label column drawn as they stand;
// the rest is word-wrapped to its right. A line that does not fit moves
// whole to the next page. No header, footer or page count.
#pragma once

#include <QFile>
#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;
class QPrinter;

namespace oc_ui {

class CPrintOpenendsView {
public:
    static constexpr int kLabelChars = 33;
    static constexpr int kMaxRead = 834;  // characters per read of the listing

    CPrintOpenendsView(const QString& listing_path, const QString& base_path);

    // The print command: the print dialog, then a plain copy of the listing
    // (print to file, ASCII), a preview, or printing.
    void OnFilePrint();

    // Paints every page on `printer`. The number of pages, or -1 when the
    // listing cannot be opened (message 706 shown).
    int print(QPrinter& printer);

    // What was drawn, for checking the layout.
    struct drawn_text {
        int page;
        QRect rect;
        QString text;
        bool label;  // the first 33 characters of a line
    };
    const std::vector<drawn_text>& drawn() const { return drawn_; }

private:
    bool save_copy();
    // Draws one page; true when more pages follow.
    bool draw_page(QPainter& painter, int page);
    int block_height(QPainter& painter, const QString& line, int y) const;
    void draw_line(QPainter& painter, const QString& line, int y, int page);
    bool read_line(QString& line);

    QString listing_path_;
    QString base_path_;
    QFile listing_;
    QRect area_;
    int line_height_ = 0;
    int label_width_ = 0;
    QString carried_;
    std::vector<drawn_text> drawn_;
};

}  // namespace oc_ui
