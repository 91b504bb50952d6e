#include "study_locks.h"

#include <chrono>

#include "cli_common.h"

namespace cli {

namespace {

constexpr double kDefaultWaitSeconds = 30;

std::chrono::milliseconds wait_time(double seconds) {
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// Says once that the command waits, and for whom.
oc::lock_waiting announce_wait(const std::string& what) {
    return [what, said = false](const oc::lock_holder& holder, double) mutable {
        if (!said) print_error("Waiting for " + what + ", in use by " + oc::describe_holder(holder) + "...");
        said = true;
        return true;
    };
}

template <typename Session>
bool report(oc::session_outcome outcome, const std::string& what, const Session& session) {
    if (outcome == oc::session_outcome::ready) return true;
    print_error(oc::refusal_text(outcome, what, session));
    return false;
}

std::string study_text(const std::string& base) { return "the study " + base; }

}  // namespace

void add_wait_option(CLI::App& cmd, double& seconds) {
    seconds = kDefaultWaitSeconds;
    cmd.add_option("--wait", seconds, "Seconds to wait for a study or coder file another process is using")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
}

bool open_for_writing(const std::string& base, const std::string& command, double wait_seconds,
                      oc::study_write_session& session, bool recover) {
    std::string what = study_text(base);
    oc::session_outcome outcome = session.open(base, command, wait_time(wait_seconds), announce_wait(what), recover);
    if (!report(outcome, "The study " + base, session)) return false;
    for (const std::string& line : session.recovered()) print_error("Recovered: " + line);
    return true;
}

bool lock_study_data(const std::string& base, double wait_seconds, oc::study_write_session& session) {
    std::string what = "the data of " + study_text(base);
    return report(session.lock_data(wait_time(wait_seconds), announce_wait(what)), "The study " + base,
                  session);
}

bool open_for_reading(const std::string& base, double wait_seconds, oc::study_read_session& session) {
    std::string what = study_text(base);
    return report(session.open(base, wait_time(wait_seconds), announce_wait(what)),
                  "The study " + base, session);
}

bool lock_coder_file(const std::string& coder_path, const std::string& command, double wait_seconds,
                     oc::coder_file_session& session) {
    std::string what = "the coder data file " + coder_path;
    return report(session.open(coder_path, command, wait_time(wait_seconds), announce_wait(what)),
                  "The coder data file " + coder_path, session);
}

}  // namespace cli
