// Storing a finished coder data file's entry in the study's coder list.
#pragma once

#include <string>

#include "coderfile/coder_types.h"

namespace oc {

// Replaces the first entry of the same name (case-insensitive) or appends
// one. The new list is written to a temporary file beside the list; the old
// list becomes `backup_path`. On failure the list is left as it was and the
// temporary file is removed. A missing list is created with this one entry.
bool update_coder_list(const coder_spec& spec, const std::string& list_path, const std::string& backup_path);

}  // namespace oc
