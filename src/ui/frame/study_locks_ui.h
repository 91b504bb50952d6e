// The study and coder file locks as the dialogs take them: a progress
// window with Cancel while another process holds one, a message naming the
// holder when it stays held.
#pragma once

#include <QString>
#include <chrono>
#include <string>

#include "suite/study_session.h"

namespace oc_ui {

// The study's base path DIR/NAME from one of its files' paths.
std::string study_base_of(const QString& study_file_path);

// The writers' lock (an unfinished merge rolled back, leftovers removed).
bool open_study_for_writing(const std::string& base, const QString& command, oc::study_write_session& session);

// The data lock on top of it, for a merge's writes.
bool lock_study_data(const std::string& base, oc::study_write_session& session);

// The study's data held shared while it is read.
bool open_study_for_reading(const std::string& base, oc::study_read_session& session);

// One coder data file, for coding or merging it.
bool lock_coder_file(const std::string& coder_path, const QString& command, oc::coder_file_session& session,
                     std::chrono::milliseconds wait = std::chrono::seconds(30));

}  // namespace oc_ui
