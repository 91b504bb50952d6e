// The locks a command takes before it touches a shared study, with what the
// tool says while it waits and when it gives up.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "suite/study_session.h"

namespace cli {

// Readers wait for a merge to finish; merges are short.
inline constexpr double kReaderWaitSeconds = 30;

// --wait SECONDS: how long to wait for a lock another process holds.
// `base` below is the study's base path as the current directory sees it.
void add_wait_option(CLI::App& cmd, double& seconds);

// The study's writers' lock, after which an unfinished merge is rolled back
// and leftover temporaries are gone. False (message shown) when it is not held.
bool open_for_writing(const std::string& base, const std::string& command, double wait_seconds,
                      oc::study_write_session& session, bool recover = true);

// The data lock on top of the writers' lock, for changing .DAT/.idx.
bool lock_study_data(const std::string& base, double wait_seconds, oc::study_write_session& session);

// The study's data held shared while it is read.
bool open_for_reading(const std::string& base, double wait_seconds, oc::study_read_session& session);

// One coder data file, for coding or merging it.
bool lock_coder_file(const std::string& coder_path, const std::string& command, double wait_seconds,
                     oc::coder_file_session& session);

}  // namespace cli
