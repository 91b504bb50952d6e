// Helpers of the print tests: listing lines, pages recording the text drawn.
#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogs/examine/print_openends_view.h"
#include "ui.h"

namespace printtest {

// One default-options listing line: 33 characters of numbers and name, then
// the text, CR LF.
inline std::string listing_line(int n, const std::string& text) {
    char head[64];
    std::snprintf(head, sizeof head, "%5d %9d Q5         0   1 ", n, 1000 + n);
    return head + text + "\r\n";
}
inline QString label_of(int n) { return QString::fromStdString(listing_line(n, "")).left(33); }

// A text run as the paint engine got it: its page (from 1), the start of its
// baseline, its width and its text.
struct run {
    int page;
    QPointF at;
    qreal width;
    QString text;
};

// Paper of `inches` at `dpi` whose engine keeps the text runs drawn on it.
class recording_page : public QPaintDevice, QPaintEngine {
public:
    recording_page(QSizeF inches, int dpi) : QPaintEngine(AllFeatures), size_(inches * dpi), dpi_(dpi) {}
    QPaintEngine* paintEngine() const override { return const_cast<recording_page*>(this); }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
        runs.push_back({page, at, item.width(), item.text()});
    }
    Type type() const override { return User; }

    int page = 0;
    std::vector<run> runs;

private:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return int(size_.width());
        case PdmHeight: return int(size_.height());
        case PdmWidthMM: case PdmHeightMM: return int((m == PdmWidthMM ? size_.width() : size_.height()) * 25.4 / dpi_);
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return dpi_;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }
    QSizeF size_;
    int dpi_;
};

// A whole print job of `view` on recording pages; the page count is `page`.
struct job : recording_page {
    job(oc_ui::CPrintOpenendsView& view, QSizeF inches = {8.5, 11}, int dpi = 100) : recording_page(inches, dpi) {
        if (!view.OnBeginPrinting(*this)) return;
        for (bool more = true; more && page < 100;) {
            ++page;
            QPainter painter(this);
            more = view.OnDraw(painter);
        }
        view.OnEndPrinting();
        left = view.margins().left;
    }
    // The label column's runs (at the left margin), or the wrapped text's.
    std::vector<run> labels(bool label = true) const {
        std::vector<run> found;
        for (const run& r : runs)
            if ((r.at.x() == left) == label) found.push_back(r);
        return found;
    }
    int left = 0;
};

// The page objects of a PDF ("/Type /Page", not "/Type /Pages").
inline int pdf_page_count(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

}  // namespace printtest
