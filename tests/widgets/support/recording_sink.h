// A message sink for tests: records every box and beep, answers
// confirmations from a queue, and drives modal dialogs with queued
// callbacks. Installed for its lifetime.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <vector>

#include "ui/frame/messages.h"

class QDialog;

namespace octest {

class recording_sink final : public oc_ui::message_sink {
public:
    using driver = std::function<void(QDialog&)>;

    recording_sink();
    ~recording_sink() override;
    recording_sink(const recording_sink&) = delete;
    recording_sink& operator=(const recording_sink&) = delete;

    // Answer of the next confirmation (ok when none is queued).
    void answer_next(oc_ui::box_answer answer) { answers_.push_back(answer); }
    // Handles the next modal dialog; with none queued a dialog is rejected.
    void drive_next(driver handler) { drivers_.push_back(std::move(handler)); }

    const std::vector<oc_ui::shown_message>& messages() const { return messages_; }
    std::vector<int> message_ids() const;
    int beeps() const { return beeps_; }
    // objectNames of the dialogs run modally, in order.
    const std::vector<QString>& dialogs() const { return dialogs_; }

    oc_ui::box_answer message(const oc_ui::shown_message& message) override;
    void beep() override { ++beeps_; }
    void drive_modal(QDialog& dialog) override;

private:
    oc_ui::message_sink* previous_ = nullptr;
    std::deque<oc_ui::box_answer> answers_;
    std::deque<driver> drivers_;
    std::vector<oc_ui::shown_message> messages_;
    std::vector<QString> dialogs_;
    int beeps_ = 0;
};

}  // namespace octest
