// Whether matching by respondent number alone is safe for a study: no two
// respondents' first records may share a number.
#pragma once

#include <string>

namespace oc {

// 1 when no two generation-1 entries of the .idx share a respondent number
// (later generations are the versions merges append and do not count), 0
// when two do, -1 when the file cannot be opened or read, or is shorter
// than its 4-byte header. A partial entry at the end is not read.
int check_unique_respondents(const std::string& idx_path);

}  // namespace oc
