// Writes the codes of one coder data file into the study's data, marks the
// file merged (in its line 2 and in the coder list) and registers the
// variables of Append questions in the study's .add file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "coderfile/coder_types.h"
#include "merge/data_file_writer.h"

namespace oc {

inline constexpr std::int16_t kMergeDone = 0;
inline constexpr std::int16_t kMergeNoMatch = -1;      // 747
inline constexpr std::int16_t kMergeFailed = -2;       // 748
inline constexpr std::int16_t kMergeAddFailed = -3;    // 711

// Called after each record read, for progress displays only.
using merge_progress = std::function<void(long records_read)>;

// 0 merged; -1 a coded record has no data record (matching by respondent
// and sequence); -2 the coder file cannot be read (including a damaged
// record before its trailer), a study file cannot be read or written, or
// the coder list cannot be updated; -3 the .add file cannot be written.
// Records merged before a failure stay merged; the file is only marked
// merged when every record went in.
std::int16_t MergeCoderFile(const std::string& dat_path, const std::string& idx_path, const std::string& list_path,
                            const std::string& coder_path, const std::string& add_path, bool by_respondent,
                            const missing_record_warning& warn = {}, const merge_progress& progress = {});

// The coded variable a record gives: for Replace the question's name with
// list_no values, the last being the first code; for Append '#' and the name
// (or "#L" and the name for list number L above 1) with every code.
coded_var coded_variable(const resp_record& record, bool replace);

// 1 when no two generation-1 entries of the .idx share a respondent number,
// 0 when some do, -1 when the file cannot be read (shorter than its header
// included).
int check_unique_respondents(const std::string& idx_path);

}  // namespace oc
