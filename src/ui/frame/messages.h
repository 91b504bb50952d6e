// Every message box, beep and modal dialog of the library goes through here,
// so that a test can watch and answer them (install a message_sink) and the
// rest of the code never touches QMessageBox or QDialog::exec directly.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <new>

#include "suite/error_library.h"

class QDialog;

namespace oc_ui {

// Box styles by their classic numeric values: icon and buttons in one.
enum class box_style : unsigned {
    none = 0x00,                // OK, no icon
    exclamation = 0x30,         // OK, failures
    information = 0x40,         // OK, outcomes and notices
    question_ok_cancel = 0x21,  // OK and Cancel, confirmations
    ok_cancel = 0x01,           // OK and Cancel, no icon
};
bool has_cancel_button(box_style style);

inline constexpr int kDefaultHelpContext = 4000;

enum class box_answer : int { ok = 1, cancel = 2 };

// One box as it was asked for. `string_id` is 0 for formatted texts.
struct shown_message {
    int string_id = 0;
    QString text;
    box_style style = box_style::none;
    int help_context = kDefaultHelpContext;
};

// Shows string `string_id` of the table and waits for the user. Single-button
// boxes always answer ok.
box_answer show_message(int string_id, box_style style, int help_context = kDefaultHelpContext);

// Shows string `string_id` with its "%s" filled in turn from `arguments`.
box_answer show_message(int string_id, const QStringList& arguments, box_style style,
                        int help_context = kDefaultHelpContext);

// Shows an already formatted text.
box_answer show_text(const QString& text, box_style style, int help_context = kDefaultHelpContext);

// Refusal of invalid input: a beep and no text.
void beep();

// Runs `dialog` modally and returns its result (QDialog::Accepted or
// QDialog::Rejected). With a sink installed the sink drives the dialog once
// its modal loop runs; a dialog the sink leaves open is rejected.
int run_modal(QDialog& dialog);

// Shows the wait cursor for the guard's lifetime, or until restore().
class wait_cursor {
public:
    wait_cursor();
    ~wait_cursor();
    wait_cursor(const wait_cursor&) = delete;
    wait_cursor& operator=(const wait_cursor&) = delete;
    void restore();

private:
    bool active_ = false;
};

// Receives what would otherwise be shown. With a sink installed no box is
// shown and no beep sounds.
class message_sink {
public:
    virtual ~message_sink() = default;
    virtual box_answer message(const shown_message& message) = 0;
    virtual void beep() = 0;
    // Called from inside the dialog's modal loop; pokes its widgets and
    // accepts or rejects it.
    virtual void drive_modal(QDialog& dialog) = 0;
};

// Installs `sink` (null: show for real again); returns the previous one.
message_sink* set_message_sink(message_sink* sink);

// Shows the error library's message for `code`. Never throws: when even
// that fails (memory is short), nothing is said.
void report_failure(std::int16_t code) noexcept;

// Runs `command` so that no exception leaves it, as none may leave an entry
// point (it would end the host): the error library's exception shows its
// message, running out of memory shows code 9's, and anything else the
// error library's message for an unknown code.
template <typename Command>
void run_reporting_failures(Command&& command) noexcept {
    try {
        command();
    } catch (const oc::CHalvexException& error) {
        report_failure(error.code());
    } catch (const std::bad_alloc&) {
        report_failure(oc::kErrorOutOfMemory);
    } catch (...) {
        report_failure(0);
    }
}

// Routes CHalvexException::DisplayErrorMessage into an exclamation box. The
// error library's box carries no help context of ours (0).
void install_error_reporter();

}  // namespace oc_ui
