// Storing a finished coder data file's entry in the study's coder list.
#pragma once

#include <string>

#include "coderfile/coder_types.h"

namespace oc {

// Replaces the first entry of the same name (case-insensitive) or appends
// one. The old list is copied to `backup_path`, then the new one renamed
// over the list, each written whole beside its final name and synced, so
// that a complete list exists at every instant. False, with the list as it
// was, when the list exists but cannot be read, is read-only or damaged,
// or a write fails. A missing list is created with this one entry.
bool update_coder_list(const coder_spec& spec, const std::string& list_path, const std::string& backup_path);

}  // namespace oc
