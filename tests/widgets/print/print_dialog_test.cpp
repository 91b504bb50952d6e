// The options and print dialogs, and the print command (OnFilePrint)
// through the message sink: the plain-text copy, the PDF, the preview and
// cancelling.
#include <QCheckBox>
#include <QFileDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/examine/print_openend_options.h"
#include "dialogs/examine/print_openends_dlg.h"
#include "print_support.h"
#include "recording_sink.h"
#include "test_support.h"

namespace {

using oc_ui::CPrintOpenendsDlg;
using octest::child;
using octest::read_bytes;

struct PrintCommand : ::testing::Test {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    std::string listing = printtest::listing_line(1, "too expensive") + printtest::listing_line(2, "price");

    void SetUp() override { octest::write_bytes(dir.file("COD1234"), listing); }
    void print() { oc_ui::CPrintOpenendsView(QString::fromStdString(dir.file("COD1234")), base()).OnFilePrint(); }
    QString base() const { return QString::fromStdString(dir.file("S")); }
    void print_to_file(bool ascii) {
        sink.drive_next([ascii](QDialog& dialog) {
            child<QCheckBox>(dialog, "printToFileCheck")->setChecked(true);
            child<QRadioButton>(dialog, ascii ? "asciiRadio" : "printerFormatRadio")->setChecked(true);
            dialog.accept();
        });
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : octest::fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PrintCommand, ToFileAsAByteCopyUnderTheNextListingNameOrAsAPdf) {
    octest::write_bytes(dir.file("S.P01"), "an older listing");
    QStringList proposed;
    for (bool ascii : {true, false}) {
        print_to_file(ascii);
        sink.drive_next([&](QDialog& save) {
            proposed << static_cast<QFileDialog&>(save).selectedFiles().value(0);
            save.accept();
        });
        print();
    }
    EXPECT_EQ((QStringList{base() + ".P02", base() + ".pdf"}), proposed);
    EXPECT_SAME_BYTES(listing, read_bytes(dir.file("S.P02")));
    EXPECT_SAME_BYTES("an older listing", read_bytes(dir.file("S.P01")));
    EXPECT_EQ(1, printtest::pdf_page_count(read_bytes(dir.file("S.pdf"))));
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(PrintCommand, ThePreviewShowsThePagesThatWouldBePrinted) {
    std::string long_listing;
    for (int n = 1; n <= 150; ++n) long_listing += printtest::listing_line(n, "an answer");
    octest::write_bytes(dir.file("COD1234"), long_listing);
    int preview_pages = 0;
    sink.drive_next([](QDialog& d) {
        ASSERT_TRUE(octest::activate(d));
        QTest::keyClick(&d, Qt::Key_V, Qt::AltModifier);  // Pre&view...
        EXPECT_TRUE(QTest::qWaitFor([&] { return d.isHidden(); }));
    });
    sink.drive_next([&](QDialog& preview) {
        auto* widget = preview.findChild<QPrintPreviewWidget*>();
        ASSERT_NE(nullptr, widget);
        widget->updatePreview();
        preview_pages = widget->pageCount();
        preview.reject();
    });
    print();
    EXPECT_EQ((std::vector<QString>{"printOpenendsDialog", "printPreview"}), sink.dialogs());
    // The same pages as printing on the default paper gives.
    octest::ScratchDir elsewhere;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(elsewhere.file("check.pdf")));
    const int printed = oc_ui::CPrintOpenendsView(QString::fromStdString(dir.file("COD1234")), base()).print(printer);
    EXPECT_GE(printed, 3);
    EXPECT_EQ(printed, preview_pages);
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(std::vector<std::string>{"COD1234"}, files());
}

}  // namespace
