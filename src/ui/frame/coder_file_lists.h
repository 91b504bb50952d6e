// The listing of a study's coder files as the commands and the host get it,
// with the failures reported to the user.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

#include "coderfile/discovery.h"

namespace oc_ui {

// Names and statuses of the listed coder files that opened, in list order.
// nullopt after message 710 (coder list unreadable) or 709 (a coder data
// file opens but its first two lines cannot be read).
std::optional<oc::coder_file_listing> list_coder_files_reported(const QString& coder_list_path);

// The host's listing: 1 with `names` and `statuses` replaced by the
// listing (possibly empty); 0 after message 710 or 709, both left as they were.
int fill_file_and_status_lists(const QString& coder_list_path, QStringList& names, QByteArray& statuses);

// The listing for a command that picks one file from it: false after 710 or
// 709, or after 715 when no file is listed.
bool list_files_to_pick(const QString& coder_list_path, QStringList& names, QByteArray& statuses);

// Loads one coder data file for coding. False after message 709.
bool load_coder_questions(const QString& coder_file_path, oc::loaded_coder_file& loaded);

}  // namespace oc_ui
