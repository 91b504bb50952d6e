#include <QDir>
#include <QGuiApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "ui/resources/ui_strings.h"
#include "ui/tools/default_font.h"
#include "ui/tools/file_dlg.h"
#include "test_support.h"

namespace {

struct filter_case {
    const char* classic;
    QStringList expected;
};

TEST(QtNameFilters, ConvertsClassicFilters) {
    const filter_case cases[] = {
        {"Text Files (*.txt)|*.txt|", {QStringLiteral("Text Files (*.txt) (*.txt)")}},
        {"Listings|A.p??|All|*.*||", {QStringLiteral("Listings (A.p?\?)"), QStringLiteral("All (*.*)")}},
        // Semicolons between patterns become spaces; blanks around them go.
        {"Data|*.001; *.002 ;*.003|", {QStringLiteral("Data (*.001 *.002 *.003)")}},
        // Reading stops at the first empty field, description or patterns.
        {"One|*.1||Two|*.2|", {QStringLiteral("One (*.1)")}},
        {"Empty||Two|*.2|", {}},
        // A pattern field without patterns drops its description only.
        {"NoPattern|;|Two|*.2|", {QStringLiteral("Two (*.2)")}},
        {"Dangling", {}},
        {"", {}},
    };
    for (const filter_case& c : cases)
        EXPECT_EQ(oc_ui::qt_name_filters(QString::fromLatin1(c.classic)), c.expected) << c.classic;
}

TEST(QtNameFilters, CoderFileFilterOfTheStringTable) {
    const QStringList filters = oc_ui::qt_name_filters(oc_ui::format_string1(oc::IDS_CODER_FILE_FILTER, "ABC"));
    ASSERT_EQ(filters.size(), 1);
    EXPECT_EQ(filters[0], QStringLiteral("Coder Data Files (ABC.0??,...) (ABC.0?? ABC.1?? ABC.2?? ABC.3?? ABC.4?? "
                                         "ABC.5?? ABC.6?? ABC.7?? ABC.8?? ABC.9?\?)"));
}

TEST(CFileDlg, SaveDialogReturnsTheFullPathOfTheProposedNameOrNoneOnCancel) {
    octest::ScratchDir dir;
    const QString directory = QString::fromStdString(dir.path().string());
    oc_ui::CFileDlg dialog(false, QString(), directory, QStringLiteral("ABC.P01"), oc_ui::OFN_OVERWRITEPROMPT,
                           oc_ui::format_string1(oc::IDS_LISTING_FILTER, "ABC"));
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog.nameFilters(), QStringList{QStringLiteral("Openend Files (ABC.p?\?) (ABC.p?\?)")});
    octest::recording_sink sink;
    sink.drive_next([](QDialog& d) { d.accept(); });
    ASSERT_EQ(dialog.DoModal(), oc_ui::IDOK);
    EXPECT_EQ(dialog.GetPathName(), QDir(directory).filePath(QStringLiteral("ABC.P01")));

    oc_ui::CFileDlg cancelled(false, QString(), QString(), QStringLiteral("X.P01"), 0, QStringLiteral("All|*.*|"));
    EXPECT_TRUE(cancelled.testOption(QFileDialog::DontConfirmOverwrite));
    sink.drive_next([](QDialog& d) { d.reject(); });
    EXPECT_EQ(cancelled.DoModal(), oc_ui::IDCANCEL);
    EXPECT_TRUE(cancelled.GetPathName().isEmpty());
}

TEST(DefaultFont, EveryGlyphOneWidthAndOwnedByTheCaller) {
    std::unique_ptr<QFont> standard(oc_ui::GetDefaultFont(0, nullptr));
    ASSERT_NE(standard, nullptr);
    EXPECT_DOUBLE_EQ(standard->pointSizeF(), 8.0);
    std::unique_ptr<QFont> print(oc_ui::GetDefaultFont(120, nullptr));
    ASSERT_NE(print, nullptr);
    EXPECT_DOUBLE_EQ(print->pointSizeF(), 12.0);
    EXPECT_EQ(oc_ui::GetDefaultLogicalFont().family(), standard->family());
    // Columns line up only when every glyph advances alike, whatever the
    // font's tables say about its pitch.
    for (const QFont* font : {standard.get(), print.get()}) {
        const QFontMetrics metrics(*font);
        const int width = metrics.horizontalAdvance(QStringLiteral("0000000000"));
        for (const char* text : {"iiiiiiiiii", "WWWWWWWWWW", "mmmmmmmmmm", "..........", "          "})
            EXPECT_EQ(width, metrics.horizontalAdvance(QLatin1String(text))) << text << " at " << font->pointSizeF();
    }
}

}  // namespace
