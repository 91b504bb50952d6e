#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "ui/frame/messages.h"
#include "recording_sink.h"
#include "engines/texts/string_table.h"
#include "suite/error_library.h"

namespace {

using oc_ui::box_answer;
using oc_ui::box_style;

TEST(Messages, RecordsIdTextStyleAndHelpContextAndFillsEachPlaceholderOnce) {
    octest::recording_sink sink;
    oc_ui::show_message(oc::IDS_CODER_LIST_READ_ERROR, box_style::exclamation);
    oc_ui::show_message(oc::IDS_MERGE_DONE, box_style::information, 0);
    oc_ui::show_text(QStringLiteral("Delete file C:/x.wav ?"), box_style::question_ok_cancel);
    // An argument that itself holds "%s" is not filled again.
    oc_ui::show_message(oc::IDS_DELETE_TAKE, {QStringLiteral("/s%s/"), QStringLiteral("Q1000001_"), QStringLiteral("2.wav")},
                        box_style::ok_cancel);
    oc_ui::show_message(oc::IDS_DELETE_FILE, {QStringLiteral("/s/")}, box_style::ok_cancel);

    ASSERT_EQ(sink.messages().size(), 5u);
    const auto& m = sink.messages();
    EXPECT_EQ(m[0].string_id, 710);
    EXPECT_EQ(m[0].text, QStringLiteral("An error occurred while reading the coder file."));
    EXPECT_EQ(m[0].style, box_style::exclamation);
    EXPECT_EQ(m[0].help_context, 4000);
    EXPECT_EQ(m[1].style, box_style::information);
    EXPECT_EQ(m[1].help_context, 0);
    EXPECT_EQ(m[2].string_id, 0);
    EXPECT_EQ(m[2].text, QStringLiteral("Delete file C:/x.wav ?"));
    EXPECT_EQ(m[3].string_id, 752);
    EXPECT_EQ(m[3].text, QStringLiteral("Delete file /s%s/Q1000001_2.wav ?"));
    EXPECT_EQ(m[4].text, QStringLiteral("Delete file /s/ ?"));
}

TEST(Messages, ConfirmationsTakeQueuedAnswersThenOk) {
    octest::recording_sink sink;
    sink.answer_next(box_answer::cancel);
    sink.answer_next(box_answer::ok);
    for (box_style style : {box_style::information, box_style::exclamation, box_style::none})
        EXPECT_FALSE(oc_ui::has_cancel_button(style));
    EXPECT_TRUE(oc_ui::has_cancel_button(box_style::ok_cancel));
    // A single-button box does not consume an answer.
    EXPECT_EQ(oc_ui::show_message(oc::IDS_NO_CODER_FILES, box_style::exclamation), box_answer::ok);
    EXPECT_EQ(oc_ui::show_message(oc::IDS_ALREADY_MERGED, box_style::question_ok_cancel), box_answer::cancel);
    EXPECT_EQ(oc_ui::show_message(oc::IDS_ALREADY_MERGED, box_style::question_ok_cancel), box_answer::ok);
    EXPECT_EQ(oc_ui::show_message(oc::IDS_ALREADY_MERGED, box_style::question_ok_cancel), box_answer::ok);
}

TEST(Messages, BeepsGoToTheInnermostSinkWhichRestoresThePrevious) {
    octest::recording_sink outer;
    {
        octest::recording_sink inner;
        oc_ui::beep();
        oc_ui::beep();
        EXPECT_EQ(inner.beeps(), 2);
        EXPECT_TRUE(inner.messages().empty());
    }
    oc_ui::beep();
    EXPECT_EQ(outer.beeps(), 1);
}

TEST(Messages, DriverPokesWidgetsInsideTheModalLoopAndAnUndrivenDialogIsRejected) {
    octest::recording_sink sink;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("probe"));
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("field"));
    bool was_visible = false;
    sink.drive_next([&](QDialog& d) {
        was_visible = d.isVisible();
        d.findChild<QLineEdit*>(QStringLiteral("field"))->setText(QStringLiteral("typed"));
        d.accept();
    });
    EXPECT_EQ(oc_ui::run_modal(dialog), QDialog::Accepted);
    EXPECT_TRUE(was_visible);
    EXPECT_EQ(edit->text(), QStringLiteral("typed"));
    // Left open by its driver, or with no driver at all: rejected.
    sink.drive_next([](QDialog&) {});
    EXPECT_EQ(oc_ui::run_modal(dialog), QDialog::Rejected);
    EXPECT_EQ(oc_ui::run_modal(dialog), QDialog::Rejected);
    EXPECT_EQ(sink.dialogs(), std::vector<QString>(3, QStringLiteral("probe")));
}

TEST(Messages, NestedDialogsAreDrivenInOrder) {
    octest::recording_sink sink;
    QDialog outer;
    outer.setObjectName(QStringLiteral("outer"));
    auto* button = new QPushButton(&outer);
    int inner_result = -1;
    QObject::connect(button, &QPushButton::clicked, &outer, [&] {
        QDialog inner;
        inner.setObjectName(QStringLiteral("inner"));
        inner_result = oc_ui::run_modal(inner);
    });
    sink.drive_next([&](QDialog& d) {
        button->click();
        d.reject();
    });
    sink.drive_next([](QDialog& d) { d.accept(); });
    EXPECT_EQ(oc_ui::run_modal(outer), QDialog::Rejected);
    EXPECT_EQ(inner_result, QDialog::Accepted);
    EXPECT_EQ(sink.dialogs(), (std::vector<QString>{QStringLiteral("outer"), QStringLiteral("inner")}));
}

// What ends a command is shown as the error library's message, in an
// exclamation box, and goes no further.
TEST(Messages, FailuresThatEndACommandBecomeExclamationBoxes) {
    oc_ui::install_error_reporter();
    const struct {
        std::function<void()> fail;
        std::int16_t code;
    } cases[] = {
        {[] { oc::ThrowHalvexException(oc::kErrorCorruptIndex); }, oc::kErrorCorruptIndex},
        {[] { throw std::bad_alloc(); }, oc::kErrorOutOfMemory},
        {[] { throw std::runtime_error("anything else"); }, 0},
    };
    for (const auto& c : cases) {
        octest::recording_sink sink;
        oc_ui::run_reporting_failures(c.fail);
        ASSERT_EQ(sink.messages().size(), 1u) << c.code;
        EXPECT_EQ(sink.messages()[0].text, QString::fromStdString(oc::error_message_text(c.code)));
        EXPECT_EQ(sink.messages()[0].style, box_style::exclamation);
        EXPECT_EQ(sink.messages()[0].help_context, 0);
    }
    oc::set_error_reporter(nullptr);
}

TEST(Messages, WaitCursorIsShownUntilRestored) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        oc_ui::wait_cursor busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        busy.restore();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        busy.restore();  // a second restore must not pop someone else's cursor
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        oc_ui::wait_cursor outer;
        { oc_ui::wait_cursor inner; }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
