#include "print/print_openends_view.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <memory>

#include "frame/messages.h"
#include "prepare/choose_coder_file_name.h"
#include "print/print_openends_dlg.h"
#include "resources/string_table.h"
#include "suite/tools/default_font.h"
#include "suite/tools/file_dlg.h"

namespace oc_ui {

namespace {

// The suite's default font when there is one, else a fixed-pitch font; 12 points.
QFont listing_font(QPrinter& printer) {
    std::unique_ptr<QFont> probe(GetDefaultFont(120, &printer));
    QFont font = probe ? GetDefaultLogicalFont() : QFont(QStringLiteral("Courier New"));
    if (!probe) {
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    font.setPointSize(12);
    return font;
}

}  // namespace

CPrintOpenendsView::CPrintOpenendsView(const QString& listing_path, const QString& base_path)
    : listing_path_(listing_path), base_path_(base_path) {}

bool CPrintOpenendsView::save_copy() {
    QString target;
    if (!choose_coder_file_name(oc::IDS_LISTING_FILTER, base_path_, target, true)) return false;
    if (QFile::exists(target)) QFile::remove(target);
    if (!QFile::copy(listing_path_, target)) show_message(oc::IDS_LISTING_WRITE_ERROR, box_style::exclamation);
    return true;
}

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
    if (dialog.print_to_file() || dialog.printer_name().isEmpty()) {
        // Printer output into a file: a PDF the user names.
        CFileDlg save(false, QStringLiteral("pdf"), QString(), QStringLiteral("listing.pdf"),
                      OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, QStringLiteral("PDF Files (*.pdf)|*.pdf|"));
        if (!dialog.preview_requested()) {
            if (save.DoModal() != IDOK) return;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(save.GetPathName());
        }
    } else {
        printer.setPrinterName(dialog.printer_name());
    }
    if (dialog.preview_requested()) {
        QPrintPreviewDialog preview(&printer);
        preview.setObjectName(QStringLiteral("printPreview"));
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [this](QPrinter* p) { print(*p); });
        run_modal(preview);
        return;
    }
    print(printer);
}

// At most 834 characters, a CR LF counting as one line end, as a text-mode
// read takes them; a longer line comes in pieces.
bool CPrintOpenendsView::read_line(QString& line) {
    QByteArray bytes;
    char c = 0;
    while (bytes.size() < kMaxRead && listing_.getChar(&c)) {
        if (c == '\r') {
            char next = 0;
            if (listing_.getChar(&next)) {
                if (next == '\n') c = '\n';
                else listing_.ungetChar(next);
            }
        }
        bytes += c;
        if (c == '\n') break;
    }
    if (bytes.isEmpty()) return false;
    while (bytes.endsWith('\n')) bytes.chop(1);
    line = QString::fromLocal8Bit(bytes);
    return true;
}

int CPrintOpenendsView::block_height(QPainter& painter, const QString& line, int y) const {
    if (line.size() <= kLabelChars) return line_height_;
    QRect text(area_.left() + label_width_, y, area_.right() - area_.left() - label_width_, line_height_);
    QRect wrapped = painter.boundingRect(text, Qt::TextWordWrap, line.mid(kLabelChars));
    return std::max(line_height_, wrapped.height());
}

void CPrintOpenendsView::draw_line(QPainter& painter, const QString& line, int y, int page) {
    QString label = line.left(kLabelChars);
    QRect label_rect(area_.left(), y, label_width_, line_height_);
    painter.drawText(label_rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, label);
    drawn_.push_back({page, label_rect, label, true});
    if (line.size() <= kLabelChars) return;
    QRect text(area_.left() + label_width_, y, area_.right() - area_.left() - label_width_,
               block_height(painter, line, y));
    painter.drawText(text, Qt::TextWordWrap, line.mid(kLabelChars));
    drawn_.push_back({page, text, line.mid(kLabelChars), false});
}

bool CPrintOpenendsView::draw_page(QPainter& painter, int page) {
    int y = area_.top();
    if (!carried_.isEmpty()) {
        // Drawn whatever its height: a line taller than a page is printed once.
        QString line = carried_;
        carried_.clear();
        int height = block_height(painter, line, y);
        draw_line(painter, line, y, page);
        if (y + height >= area_.bottom()) return true;
        y += height;
    }
    QString line;
    while (read_line(line)) {
        int height = block_height(painter, line, y);
        if (y + height >= area_.bottom()) {
            carried_ = line;
            return true;
        }
        draw_line(painter, line, y, page);
        y += height;
    }
    return false;
}

int CPrintOpenendsView::print(QPrinter& printer) {
    drawn_.clear();
    carried_.clear();
    listing_.setFileName(listing_path_);
    if (!listing_.open(QIODevice::ReadOnly)) {
        show_message(oc::IDS_PRINT_ERROR, box_style::exclamation);
        return -1;
    }
    QPainter painter(&printer);
    if (!painter.isActive()) {
        listing_.close();
        return 0;
    }
    painter.setFont(listing_font(printer));
    painter.setBackgroundMode(Qt::TransparentMode);
    QFontMetrics metrics = painter.fontMetrics();
    line_height_ = metrics.height() + metrics.leading();
    label_width_ = kLabelChars * metrics.averageCharWidth();
    // Half an inch inside each edge of the paper.
    QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    int hx = printer.logicalDpiX() / 2, hy = printer.logicalDpiY() / 2;
    area_ = QRect(QPoint(hx, hy), QPoint(std::max(hx, paper.width() - hx), std::max(hy, paper.height() - hy)));
    int page = 1;
    while (draw_page(painter, page)) {
        printer.newPage();
        ++page;
    }
    painter.end();
    listing_.close();
    return page;
}

}  // namespace oc_ui
