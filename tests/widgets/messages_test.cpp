// The one message sink every box, beep and modal dialog goes through, the
// failures that end a command, and the monospace default font.
#include <QDialog>
#include <QFontMetrics>
#include <QPushButton>

#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "ui/tools/default_font.h"
#include "ui.h"

namespace {

using oc_ui::box_answer;
using oc_ui::box_style;

TEST(Messages, BoxesCarryIdTextStyleAndHelpAndTakeQueuedAnswers) {
    octest::recording_sink sink;
    sink.answer_next(box_answer::cancel);
    EXPECT_EQ(box_answer::ok, oc_ui::show_message(oc::IDS_CODER_LIST_READ_ERROR, box_style::exclamation));
    // An argument that itself holds "%s" is not filled again.
    EXPECT_EQ(box_answer::cancel,
              oc_ui::show_message(oc::IDS_DELETE_TAKE, {"/s%s/", "Q1000001_", "2.wav"}, box_style::ok_cancel));
    EXPECT_EQ(box_answer::ok, oc_ui::show_message(oc::IDS_ALREADY_MERGED, box_style::question_ok_cancel));
    oc_ui::show_text(QStringLiteral("Delete file C:/x.wav ?"), box_style::information);
    const auto& m = sink.messages();
    ASSERT_EQ(4u, m.size());
    EXPECT_EQ(QStringLiteral("An error occurred while reading the coder file."), m[0].text);
    EXPECT_EQ((std::tuple(710, box_style::exclamation, 4000)), std::tuple(m[0].string_id, m[0].style, m[0].help_context));
    EXPECT_EQ(QStringLiteral("Delete file /s%s/Q1000001_2.wav ?"), m[1].text);
    EXPECT_EQ((std::tuple(0, box_style::information)), std::tuple(m[3].string_id, m[3].style));
}

TEST(Messages, TheInnermostSinkDrivesModalDialogsInOrderAndRestoresThePrevious) {
    octest::recording_sink outer;
    {
        octest::recording_sink sink;
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("outer"));
        auto* button = new QPushButton(&dialog);
        int inner_result = -1;
        QObject::connect(button, &QPushButton::clicked, &dialog, [&] {
            QDialog inner;
            inner.setObjectName(QStringLiteral("inner"));
            inner_result = oc_ui::run_modal(inner);
        });
        sink.drive_next([&](QDialog& d) {
            EXPECT_TRUE(d.isVisible());
            button->click();  // inside the modal loop
            d.accept();
        });
        sink.drive_next([](QDialog& d) { d.accept(); });
        EXPECT_EQ(QDialog::Accepted, oc_ui::run_modal(dialog));
        EXPECT_EQ(QDialog::Accepted, inner_result);
        EXPECT_EQ(QDialog::Rejected, oc_ui::run_modal(dialog));  // no driver: rejected
        EXPECT_EQ((std::vector<QString>{"outer", "inner", "outer"}), sink.dialogs());
        oc_ui::beep();
        EXPECT_EQ(1, sink.beeps());
    }
    oc_ui::beep();
    EXPECT_EQ(1, outer.beeps());
    EXPECT_TRUE(outer.dialogs().empty());
}

TEST(DefaultFont, EveryGlyphOneWidthAtEachSize) {
    for (const auto& [tenths, points] : {std::pair{0, 8.0}, {120, 12.0}}) {
        std::unique_ptr<QFont> font(oc_ui::GetDefaultFont(tenths, nullptr));
        ASSERT_NE(nullptr, font);
        EXPECT_DOUBLE_EQ(points, font->pointSizeF());
        EXPECT_EQ(oc_ui::GetDefaultLogicalFont().family(), font->family());
        const QFontMetrics metrics(*font);
        const int width = metrics.horizontalAdvance(QStringLiteral("0000000000"));
        for (const char* text : {"iiiiiiiiii", "WWWWWWWWWW", "mmmmmmmmmm", "..........", "          "})
            EXPECT_EQ(width, metrics.horizontalAdvance(QLatin1String(text))) << text << " at " << points;
    }
}

}  // namespace
