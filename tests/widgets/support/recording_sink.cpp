#include "recording_sink.h"

#include <QDialog>

namespace octest {

recording_sink::recording_sink() : previous_(oc_ui::set_message_sink(this)) {}

recording_sink::~recording_sink() { oc_ui::set_message_sink(previous_); }

std::vector<int> recording_sink::message_ids() const {
    std::vector<int> ids;
    for (const oc_ui::shown_message& m : messages_) ids.push_back(m.string_id);
    return ids;
}

oc_ui::box_answer recording_sink::message(const oc_ui::shown_message& message) {
    messages_.push_back(message);
    if (!oc_ui::has_cancel_button(message.style)) return oc_ui::box_answer::ok;
    if (answers_.empty()) return oc_ui::box_answer::ok;
    const oc_ui::box_answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void recording_sink::drive_modal(QDialog& dialog) {
    dialogs_.push_back(dialog.objectName());
    if (drivers_.empty()) {
        dialog.reject();
        return;
    }
    driver handler = std::move(drivers_.front());
    drivers_.pop_front();
    handler(dialog);
}

}  // namespace octest
