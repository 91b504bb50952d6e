#include "dialogs/examine/print_openends_view.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <memory>

#include "ui/frame/messages.h"
#include "ui/frame/choose_coder_file_name.h"
#include "dialogs/examine/print_openends_dlg.h"
#include "engines/texts/string_table.h"
#include "ui/tools/default_font.h"
#include "ui/tools/file_dlg.h"

namespace oc_ui {

namespace {

constexpr int kListingPointSize = 12;

// The suite's default font when the tools library gives one, else a
// fixed-pitch font; 12 points on `device` either way.
QFont listing_font(QPaintDevice& device) {
    std::unique_ptr<QFont> probe(GetDefaultFont(10 * kListingPointSize, &device));
    QFont font;
    if (probe) {
        font = GetDefaultLogicalFont();
    } else {
        font = QFont(QStringLiteral("Courier New"));
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    font.setPointSize(kListingPointSize);
    return QFont(font, &device);
}

// The paper in the device's coordinates: a printer that does not paint the
// full page has its origin at the printable area's corner.
QRect paper_rect(QPaintDevice& device) {
    if (auto* printer = dynamic_cast<QPrinter*>(&device)) {
        const QRect paper = printer->paperRect(QPrinter::DevicePixel).toRect();
        const QRect page = printer->pageRect(QPrinter::DevicePixel).toRect();
        return paper.translated(-page.topLeft());
    }
    return QRect(0, 0, device.width(), device.height());
}

// Word-wrapped like the platform's text output, except that a word wider
// than the column is broken rather than run off the paper.
QTextOption wrapped_text_option() {
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// The file-name dialog for printer output written to a file.
QString choose_pdf_file_name(const QString& base_path) {
    const QFileInfo base(base_path);
    CFileDlg dialog(false, QStringLiteral("pdf"), base.path(), base.fileName() + QStringLiteral(".pdf"),
                    OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, QStringLiteral("PDF Files (*.pdf)|*.pdf|"));
    dialog.setObjectName(QStringLiteral("printToFileDialog"));
    return dialog.DoModal() == IDOK ? dialog.GetPathName() : QString();
}

// A byte-for-byte copy of `source` that replaces `target`; an existing
// target is left as it was when the copy fails.
bool copy_replacing(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 got = in.read(buffer, sizeof buffer);
        if (got < 0) return false;  // QSaveFile drops the partial copy
        if (got == 0) break;
        if (out.write(buffer, got) != got) return false;
    }
    return out.commit();
}

}  // namespace

listing_margins listing_text_area(const QRect& paper, int dpi_x, int dpi_y) {
    const int hx = dpi_x / 2, hy = dpi_y / 2;
    return {std::max(0, paper.left() + hx), std::max(0, paper.top() + hy),
            std::max(0, paper.left() + paper.width() - hx), std::max(0, paper.top() + paper.height() - hy)};
}

CPrintOpenendsView::CPrintOpenendsView(const QString& listing_path, const QString& base_path)
    : listing_path_(listing_path), base_path_(base_path) {}

void CPrintOpenendsView::OnFilePrint() {
    CPrintOpenendsDlg dialog;
    if (run_modal(dialog) != QDialog::Accepted) return;
    if (dialog.print_to_file() && dialog.format() == CPrintOpenendsDlg::ascii_format) {
        save_copy();
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setCopyCount(dialog.copies());
    const bool to_file = dialog.print_to_file() || dialog.printer_name().isEmpty();
    if (to_file) {
        printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        printer.setPrinterName(dialog.printer_name());
    }
    if (dialog.preview_requested()) {
        // Printing from the preview asks for its own destination.
        QPrintPreviewDialog preview(&printer);
        preview.setObjectName(QStringLiteral("printPreview"));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [this](QPrinter* target) { print(*target); });
        run_modal(preview);
        return;
    }
    if (to_file) {
        const QString pdf = choose_pdf_file_name(base_path_);
        if (pdf.isEmpty()) return;
        printer.setOutputFileName(pdf);
    }
    print(printer);
}

void CPrintOpenendsView::save_copy() {
    QString target;
    if (!choose_coder_file_name(oc::IDS_LISTING_FILTER, base_path_, target, true)) return;
    if (!copy_replacing(listing_path_, target)) show_message(oc::IDS_LISTING_WRITE_ERROR, box_style::exclamation);
}

int CPrintOpenendsView::print(QPrinter& printer) {
    if (!OnBeginPrinting(printer)) return 0;
    QPainter painter;
    if (!painter.begin(&printer)) {
        // Say so rather than end as if the pages had gone out.
        OnEndPrinting();
        show_message(oc::IDS_PRINT_ERROR, box_style::exclamation);
        return 0;
    }
    int pages = 1;
    while (OnDraw(painter)) {
        printer.newPage();
        ++pages;
    }
    painter.end();
    OnEndPrinting();
    return pages;
}

bool CPrintOpenendsView::OnBeginPrinting(QPaintDevice& device) {
    carried_.reset();
    page_ = 0;
    font_ = listing_font(device);
    const QFontMetrics metrics(font_, &device);
    line_height_ = metrics.lineSpacing();
    ascent_ = metrics.ascent();
    // From the unrounded width: a rounded one, times 33, could put the
    // label's last characters into the text column.
    label_width_ = static_cast<int>(std::ceil(kLabelChars * QFontMetricsF(font_, &device).averageCharWidth()));
    margins_ = listing_text_area(paper_rect(device), device.logicalDpiX(), device.logicalDpiY());
    listing_.close();
    listing_.setFileName(listing_path_);
    if (!listing_.open(QIODevice::ReadOnly)) {
        show_message(oc::IDS_PRINT_ERROR, box_style::exclamation);
        return false;
    }
    return true;
}

void CPrintOpenendsView::OnEndPrinting() { listing_.close(); }

// A text-mode read: CR LF is one line end, a lone CR is text. At most
// kMaxRead characters; the line end that directly follows a full piece ends
// that piece, so a line of exactly kMaxRead characters is not followed by
// an empty one.
bool CPrintOpenendsView::read_line(QString& line) {
    auto take_line_end = [this] {
        char next[2] = {};
        const qint64 seen = listing_.peek(next, 2);
        if (seen >= 1 && next[0] == '\n') return listing_.skip(1) == 1;
        if (seen == 2 && next[0] == '\r' && next[1] == '\n') return listing_.skip(2) == 2;
        return false;
    };
    QByteArray bytes;
    bool ended = false;
    while (bytes.size() < kMaxRead && !ended) {
        if (take_line_end()) {
            ended = true;
            break;
        }
        char c = 0;
        if (!listing_.getChar(&c)) break;
        bytes += c;
    }
    if (!ended && bytes.size() == kMaxRead) ended = take_line_end();
    if (bytes.isEmpty() && !ended) return false;
    line = QString::fromLocal8Bit(bytes);
    return true;
}

bool CPrintOpenendsView::more_lines() { return listing_.isOpen() && !listing_.atEnd(); }

QRect CPrintOpenendsView::text_rect(int y, int height) const {
    const int x = margins_.left + label_width_;
    return QRect(x, y, std::max(1, margins_.right - x), height);
}

int CPrintOpenendsView::block_height(QPainter& painter, const QString& line, int y) const {
    if (line.size() <= kLabelChars) return line_height_;
    const QRectF wrapped =
        painter.boundingRect(QRectF(text_rect(y, line_height_)), line.mid(kLabelChars), wrapped_text_option());
    return std::max(line_height_, static_cast<int>(std::ceil(wrapped.height())));
}

void CPrintOpenendsView::draw_line(QPainter& painter, const QString& line, int y) {
    const QString label = line.left(kLabelChars);
    painter.drawText(QPoint(margins_.left, y + ascent_), label);
    if (line.size() <= kLabelChars) return;
    const QRect rect = text_rect(y, block_height(painter, line, y));
    painter.drawText(QRectF(rect), line.mid(kLabelChars), wrapped_text_option());
}

bool CPrintOpenendsView::OnDraw(QPainter& painter) {
    ++page_;
    painter.setFont(font_);
    painter.setBackgroundMode(Qt::TransparentMode);
    int y = margins_.top;
    if (carried_) {
        // Drawn whether it fits or not: a line taller than a page is printed
        // once, running past the bottom margin, and never carried again.
        const QString line = std::move(*carried_);
        carried_.reset();
        const int height = block_height(painter, line, y);
        draw_line(painter, line, y);
        // No blank page after a tall last line.
        if (y + height >= margins_.bottom) return more_lines();
        y += height;
    }
    QString line;
    while (read_line(line)) {
        const int height = block_height(painter, line, y);
        if (y + height >= margins_.bottom) {
            // At the top of a page it would not fit on the next one either:
            // drawn here rather than leaving this page blank.
            if (y == margins_.top) {
                draw_line(painter, line, y);
                return more_lines();
            }
            carried_ = line;
            return true;
        }
        draw_line(painter, line, y);
        y += height;
    }
    return false;
}

}  // namespace oc_ui
