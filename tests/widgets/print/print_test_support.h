// Helpers of the print tests: listings, pages rendered to images, and the
// pages of a written PDF.
#pragma once

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "dialogs/examine/print_openends_view.h"

// Readable QStrings in failure reports.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace printtest {

// One default-options listing line: 6 + 10 + 9 + 8 = 33 characters of
// numbers and name, then the text, CR LF.
inline std::string listing_line(int n, const std::string& text) {
    char head[64];
    std::snprintf(head, sizeof head, "%5d %9d Q5         0   1 ", n, 1000 + n);
    return head + text + "\r\n";
}

// The label column of listing_line(n, ...).
inline QString label_of(int n) { return QString::fromStdString(listing_line(n, "")).left(33); }

// Renders every page of `view`'s listing on white images of `inches` at
// `dpi`, as a printer would print them one after another.
inline std::vector<QImage> render_pages(oc_ui::CPrintOpenendsView& view, QSizeF inches = {8.5, 11}, int dpi = 100) {
    auto blank = [&] {
        QImage page(int(inches.width() * dpi), int(inches.height() * dpi), QImage::Format_RGB32);
        page.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
        page.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
        page.fill(Qt::white);
        return page;
    };
    std::vector<QImage> pages;
    QImage first = blank();
    if (!view.OnBeginPrinting(first)) return pages;
    for (bool more = true; more && pages.size() < 100;) {
        QImage page = blank();
        {
            QPainter painter(&page);
            more = view.OnDraw(painter);
        }
        pages.push_back(page);
    }
    view.OnEndPrinting();
    return pages;
}

// Whether `rect` of `image` holds any pixel that is not white.
inline bool has_ink(const QImage& image, const QRect& rect) {
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return true;
    return false;
}

// The page objects of a PDF as the writer lays them out ("/Type /Page").
inline int pdf_page_count(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

// Saves `image` under the tests' output directory for a look.
inline bool save_for_review(const QImage& image, const char* file) {
    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    return image.save(QStringLiteral(OPENCODER_TEST_OUTPUT "/") + QLatin1String(file));
}

}  // namespace printtest
