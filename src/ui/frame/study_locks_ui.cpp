#include "ui/frame/study_locks_ui.h"

#include <QApplication>
#include <QProgressDialog>
#include <chrono>
#include <memory>

#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"
#include "suite/path_parts.h"

namespace oc_ui {

namespace {

// Long enough for a merge or a prepare of a large study to finish (the
// default of lock_coder_file's wait says the same).
constexpr std::chrono::seconds kWait(30);

// Shows how long the command has waited and for whom; Cancel gives up.
class wait_window {
public:
    explicit wait_window(QString what) : what_(std::move(what)) {}

    oc::lock_waiting callback() {
        return [this](const oc::lock_holder& holder, double seconds) {
            if (!dialog_) {
                dialog_ = std::make_unique<QProgressDialog>(QString(), QStringLiteral("Cancel"), 0,
                                                            static_cast<int>(kWait.count()));
                dialog_->setObjectName(QStringLiteral("lockWait"));
                dialog_->setWindowTitle(QStringLiteral("Waiting"));
                dialog_->setWindowModality(Qt::ApplicationModal);
                dialog_->setMinimumDuration(0);
                dialog_->setAutoClose(false);
                dialog_->setAutoReset(false);
            }
            dialog_->setLabelText(QStringLiteral("Waiting for %1, in use by %2...")
                                      .arg(what_, from_native_bytes(oc::describe_holder(holder))));
            dialog_->setValue(static_cast<int>(seconds));
            QApplication::processEvents();
            return !dialog_->wasCanceled();
        };
    }

private:
    QString what_;
    std::unique_ptr<QProgressDialog> dialog_;
};

template <typename Session>
bool report(oc::session_outcome outcome, const std::string& what, const Session& session) {
    if (outcome == oc::session_outcome::ready) return true;
    show_text(from_native_bytes(oc::refusal_text(outcome, what, session)), box_style::exclamation);
    return false;
}

}  // namespace

std::string study_base_of(const QString& study_file_path) {
    return oc::without_extension(to_native_bytes(study_file_path));
}

bool open_study_for_writing(const std::string& base, const QString& command, oc::study_write_session& session) {
    wait_window window(QStringLiteral("the study ") + from_native_bytes(base));
    return report(session.open(base, to_native_bytes(command), kWait, window.callback()), "The study " + base,
                  session);
}

bool lock_study_data(const std::string& base, oc::study_write_session& session) {
    wait_window window(QStringLiteral("the data of the study ") + from_native_bytes(base));
    return report(session.lock_data(kWait, window.callback()), "The study " + base, session);
}

bool open_study_for_reading(const std::string& base, oc::study_read_session& session) {
    wait_window window(QStringLiteral("the study ") + from_native_bytes(base));
    return report(session.open(base, kWait, window.callback()), "The study " + base, session);
}

bool lock_coder_file(const std::string& coder_path, const QString& command, oc::coder_file_session& session,
                     std::chrono::milliseconds wait) {
    wait_window window(QStringLiteral("the coder data file ") + from_native_bytes(coder_path));
    return report(session.open(coder_path, to_native_bytes(command), wait, window.callback()),
                  "The coder data file " + coder_path, session);
}

}  // namespace oc_ui
