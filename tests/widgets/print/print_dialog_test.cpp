// The options dialog, the print dialog's format choice, and the print
// command (OnFilePrint) through the message sink: the plain-text copy, the
// PDF written to a file, the preview, and cancelling.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/examine/print_openend_options.h"
#include "dialogs/examine/print_openends_dlg.h"
#include "dialogs/examine/print_openends_view.h"
#include "print_test_support.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "test_support.h"

namespace {

using oc_ui::CPrintOpenendsDlg;
using octest::read_bytes;

template <typename T>
T* child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    EXPECT_NE(nullptr, found) << name;
    return found;
}

TEST(PrintOptions, StartWithOneLineRespondentAndNumbersAndHandEachBoxToItsOption) {
    {
        oc_ui::CPrintOpenendOptions dialog;
        const oc::listing_options o = dialog.options();
        EXPECT_TRUE(o.one_line && o.show_respondent && o.show_numbers);
        EXPECT_FALSE(o.strip_numeric);
    }
    const struct {
        const char* box;
        oc::listing_options expected;
    } cases[] = {
        {"oneLineCheck", {false, true, true, false}},
        {"respondentCheck", {true, false, true, false}},
        {"numbersCheck", {true, true, false, false}},
        {"stripCheck", {true, true, true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        oc_ui::CPrintOpenendOptions dialog;
        child<QCheckBox>(dialog, c.box)->toggle();
        const oc::listing_options o = dialog.options();
        EXPECT_EQ(c.expected.one_line, o.one_line);
        EXPECT_EQ(c.expected.show_respondent, o.show_respondent);
        EXPECT_EQ(c.expected.show_numbers, o.show_numbers);
        EXPECT_EQ(c.expected.strip_numeric, o.strip_numeric);
    }
}

TEST(PrintDialog, TheFormatCanBeChosenOnlyWhilePrintingToFile) {
    CPrintOpenendsDlg dialog;
    auto* to_file = child<QCheckBox>(dialog, "printToFileCheck");
    auto* ascii = child<QRadioButton>(dialog, "asciiRadio");
    auto* printer = child<QRadioButton>(dialog, "printerFormatRadio");
    auto* preview = child<QPushButton>(dialog, "previewButton");
    ASSERT_TRUE(to_file && ascii && printer && preview);

    // Step by step: the action, then print to file, the radio buttons
    // enabled, the format, and whether a preview can be asked for.
    const struct {
        const char* action;
        bool to_file, enabled;
        CPrintOpenendsDlg::output_format format;
        bool preview;
    } steps[] = {
        {"start", false, false, CPrintOpenendsDlg::ascii_format, true},
        {"tick", true, true, CPrintOpenendsDlg::ascii_format, false},
        {"printer", true, true, CPrintOpenendsDlg::printer_format, true},
        {"untick", false, false, CPrintOpenendsDlg::printer_format, true},  // the value stays
        {"tick", true, true, CPrintOpenendsDlg::printer_format, true},
        {"ascii", true, true, CPrintOpenendsDlg::ascii_format, false},
        {"untick", false, false, CPrintOpenendsDlg::ascii_format, true},
    };
    for (const auto& s : steps) {
        const std::string action = s.action;
        SCOPED_TRACE(action);
        if (action == "tick") to_file->setChecked(true);
        if (action == "untick") to_file->setChecked(false);
        if (action == "printer") printer->setChecked(true);
        if (action == "ascii") ascii->setChecked(true);
        EXPECT_EQ(s.to_file, dialog.print_to_file());
        EXPECT_EQ(s.enabled, ascii->isEnabled());
        EXPECT_EQ(s.enabled, printer->isEnabled());
        EXPECT_EQ(s.format, dialog.format());
        EXPECT_EQ(s.preview, preview->isEnabled());
    }
}

TEST(PrintDialog, WorksFromTheKeyboard) {
    octest::recording_sink sink;
    sink.drive_next([&](QDialog& dialog) {
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* to_file_box = child<QCheckBox>(dialog, "printToFileCheck");
        auto* printer_radio = child<QRadioButton>(dialog, "printerFormatRadio");
        // Mnemonics click with a short animation.
        QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);  // disabled: nothing yet
        QTest::qWait(300);
        EXPECT_FALSE(printer_radio->isChecked());
        QTest::keyClick(&dialog, Qt::Key_L, Qt::AltModifier);  // Print to Fi&le
        EXPECT_TRUE(QTest::qWaitFor([&] { return to_file_box->isChecked(); }));
        QTest::keyClick(&dialog, Qt::Key_D, Qt::AltModifier);  // Printer &Dependent Format
        EXPECT_TRUE(QTest::qWaitFor([&] { return printer_radio->isChecked(); }));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    CPrintOpenendsDlg dialog;
    EXPECT_EQ(QDialog::Accepted, oc_ui::run_modal(dialog));
    EXPECT_TRUE(dialog.print_to_file());
    EXPECT_EQ(CPrintOpenendsDlg::printer_format, dialog.format());
}

// The print command over a listing in a scratch study directory.
struct print_command : ::testing::Test {
    octest::ScratchDir dir;
    octest::recording_sink sink;
    std::string listing = printtest::listing_line(1, "too expensive") + printtest::listing_line(2, "price");
    QString listing_path() const { return QString::fromStdString(dir.file("COD1234")); }
    QString base() const { return QString::fromStdString(dir.file("S")); }

    void SetUp() override { octest::write_bytes(dir.file("COD1234"), listing); }

    static void print_to_file(QDialog& dialog, bool ascii) {
        child<QCheckBox>(dialog, "printToFileCheck")->setChecked(true);
        child<QRadioButton>(dialog, ascii ? "asciiRadio" : "printerFormatRadio")->setChecked(true);
        dialog.accept();
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : octest::fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(print_command, AsciiSavesAByteForByteCopyUnderTheNextFreeListingName) {
    octest::write_bytes(dir.file("S.P01"), "an older listing");
    QString proposed;
    sink.drive_next([](QDialog& d) { print_to_file(d, true); });
    sink.drive_next([&](QDialog& save) {
        proposed = static_cast<QFileDialog&>(save).selectedFiles().value(0);
        save.accept();
    });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();
    EXPECT_EQ(QString::fromStdString(dir.file("S.P02")), proposed);
    EXPECT_SAME_BYTES(listing, read_bytes(dir.file("S.P02")));
    EXPECT_SAME_BYTES("an older listing", read_bytes(dir.file("S.P01")));
    EXPECT_SAME_BYTES(listing, read_bytes(dir.file("COD1234")));
    EXPECT_EQ((std::vector<std::string>{"COD1234", "S.P01", "S.P02"}), files());  // nothing printed
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(2u, sink.dialogs().size());
}

TEST_F(print_command, AsciiReplacesAChosenExistingFile) {
    octest::write_bytes(dir.file("S.P01"), std::string(5000, '#'));
    sink.drive_next([](QDialog& d) { print_to_file(d, true); });
    sink.drive_next([&](QDialog& save) {
        // done(), not accept(): the file dialog's own replace question
        // would wait for a user.
        static_cast<QFileDialog&>(save).selectFile(QString::fromStdString(dir.file("S.P01")));
        save.done(QDialog::Accepted);
    });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();
    EXPECT_SAME_BYTES(listing, read_bytes(dir.file("S.P01")));
    EXPECT_EQ((std::vector<std::string>{"COD1234", "S.P01"}), files());
}

TEST_F(print_command, AFailedCopySays707AndWritesNothing) {
    octest::fs::remove(dir.file("COD1234"));  // as after an engine failure
    sink.drive_next([](QDialog& d) { print_to_file(d, true); });
    sink.drive_next([](QDialog& save) { save.accept(); });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();
    EXPECT_EQ(std::vector<int>{oc::IDS_LISTING_WRITE_ERROR}, sink.message_ids());
    EXPECT_EQ(oc_ui::box_style::exclamation, sink.messages().at(0).style);
    EXPECT_TRUE(files().empty());
}

TEST_F(print_command, CancellingEitherDialogEndsQuietly) {
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();  // the print dialog, rejected
    sink.drive_next([](QDialog& d) { print_to_file(d, true); });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();  // the name dialog, rejected
    sink.drive_next([](QDialog& d) { print_to_file(d, false); });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();  // the PDF name, rejected
    EXPECT_EQ(5u, sink.dialogs().size());
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(std::vector<std::string>{"COD1234"}, files());
}

TEST_F(print_command, PrinterDependentFormatWritesThePrinterOutputToAFile) {
    QString proposed;
    sink.drive_next([](QDialog& d) { print_to_file(d, false); });
    sink.drive_next([&](QDialog& save) {
        proposed = static_cast<QFileDialog&>(save).selectedFiles().value(0);
        save.accept();
    });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();
    EXPECT_EQ(QString::fromStdString(dir.file("S.pdf")), proposed);
    const std::string pdf = read_bytes(dir.file("S.pdf"));
    EXPECT_EQ(0u, pdf.rfind("%PDF", 0));
    EXPECT_EQ(1, printtest::pdf_page_count(pdf));
    EXPECT_TRUE(sink.messages().empty());
}

TEST_F(print_command, APrinterFileThatCannotBeWrittenSays706) {
    sink.drive_next([](QDialog& d) { print_to_file(d, false); });
    sink.drive_next([&](QDialog& save) {
        static_cast<QFileDialog&>(save).selectFile(QString::fromStdString(dir.file("no/such/dir/S.pdf")));
        save.done(QDialog::Accepted);
    });
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();
    EXPECT_EQ(std::vector<int>{oc::IDS_PRINT_ERROR}, sink.message_ids());
}

TEST_F(print_command, ThePreviewShowsThePagesThatWouldBePrinted) {
    std::string long_listing;
    for (int n = 1; n <= 150; ++n) long_listing += printtest::listing_line(n, "an answer");
    octest::write_bytes(dir.file("COD1234"), long_listing);
    int preview_pages = 0;
    sink.drive_next([](QDialog& d) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
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
    oc_ui::CPrintOpenendsView(listing_path(), base()).OnFilePrint();
    EXPECT_EQ((std::vector<QString>{"printOpenendsDialog", "printPreview"}), sink.dialogs());
    // The same pages as printing on the default paper gives.
    octest::ScratchDir elsewhere;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(elsewhere.file("check.pdf")));
    const int printed = oc_ui::CPrintOpenendsView(listing_path(), base()).print(printer);
    EXPECT_GE(printed, 3);
    EXPECT_EQ(printed, preview_pages);
    EXPECT_TRUE(sink.messages().empty());
    EXPECT_EQ(std::vector<std::string>{"COD1234"}, files());
}

TEST(PrintDialogs, RenderedForALook) {
    CPrintOpenendsDlg print;
    child<QCheckBox>(print, "printToFileCheck")->setChecked(true);
    print.show();
    QDir().mkpath(QStringLiteral(OPENCODER_TEST_OUTPUT));
    EXPECT_TRUE(print.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/print_openends_dlg.png")));
    oc_ui::CPrintOpenendOptions options;
    options.show();
    EXPECT_TRUE(options.grab().save(QStringLiteral(OPENCODER_TEST_OUTPUT "/print_openend_options.png")));
}

}  // namespace
