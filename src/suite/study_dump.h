// Prints a study's index and data as text, for inspection and tests.
//
// Per generation-1 index entry, in index order:
//   respondent R, sequence S, index offset I
// then per version of its chain, oldest first:
//     generation G, .DAT offset D, sequence S, complete C, flags 0xFF
// then per variable of the version, in stored order:
//       NAME roster N: "value" "value"
// and at the end "N respondents, M versions". Values are quoted with C
// escapes: \" \\ \t \r \n and \ooo (three octal digits) for every other byte
// outside 0x20..0x7E. Lines end with "\n".
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "suite/study_result.h"

namespace oc {

using dump_result = study_result;

// A value quoted as the dump shows it.
std::string quote_value(std::string_view value);

// Dumps BASE.idx and BASE.DAT to `out`. Fails (after printing what came
// before) when a file cannot be opened or is corrupt; the message names the
// file and the problem.
dump_result dump_study(const std::string& base, std::ostream& out);

}  // namespace oc
