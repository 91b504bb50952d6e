#include "ui/frame/messages.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "ui/frame/push_buttons.h"
#include "ui/resources/ui_strings.h"
#include "suite/error_library.h"

namespace oc_ui {

namespace {

message_sink* g_sink = nullptr;

QMessageBox::Icon icon_of(box_style style) {
    switch (style) {
    case box_style::none: return QMessageBox::NoIcon;
    case box_style::exclamation: return QMessageBox::Warning;
    case box_style::information: return QMessageBox::Information;
    case box_style::question_ok_cancel: return QMessageBox::Question;
    case box_style::ok_cancel: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

box_answer show_box(const shown_message& message) {
    if (g_sink) return g_sink->message(message);

    QMessageBox box(icon_of(message.style), QGuiApplication::applicationDisplayName(), message.text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setProperty("helpContext", message.help_context);
    if (has_cancel_button(message.style)) box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    adopt_push_buttons(box);
    return box.exec() == QMessageBox::Ok ? box_answer::ok : box_answer::cancel;
}

void report_halvex_error(std::int16_t, const std::string& text) {
    show_text(QString::fromStdString(text), box_style::exclamation, 0);
}

}  // namespace

bool has_cancel_button(box_style style) {
    return style == box_style::question_ok_cancel || style == box_style::ok_cancel;
}

box_answer show_message(int string_id, box_style style, int help_context) {
    return show_box({string_id, ui_string(string_id), style, help_context});
}

box_answer show_message(int string_id, const QStringList& arguments, box_style style, int help_context) {
    return show_box({string_id, format_string(string_id, arguments), style, help_context});
}

box_answer show_text(const QString& text, box_style style, int help_context) {
    return show_box({0, text, style, help_context});
}

void beep() {
    if (g_sink)
        g_sink->beep();
    else
        QApplication::beep();
}

int run_modal(QDialog& dialog) {
    if (message_sink* sink = g_sink) {
        QPointer<QDialog> watched(&dialog);
        QTimer::singleShot(0, &dialog, [sink, watched] {
            sink->drive_modal(*watched);
            // Never leave a test hanging in a loop nobody will end.
            if (watched && watched->isVisible()) watched->reject();
        });
    }
    return dialog.exec();
}

wait_cursor::wait_cursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        active_ = true;
    }
}

wait_cursor::~wait_cursor() { restore(); }

void wait_cursor::restore() {
    if (!active_) return;
    QGuiApplication::restoreOverrideCursor();
    active_ = false;
}

message_sink* set_message_sink(message_sink* sink) {
    message_sink* previous = g_sink;
    g_sink = sink;
    return previous;
}

void report_failure(std::int16_t code) noexcept {
    try {
        oc::CHalvexException(code).DisplayErrorMessage();
    } catch (...) {
    }
}

void install_error_reporter() { oc::set_error_reporter(report_halvex_error); }

}  // namespace oc_ui
