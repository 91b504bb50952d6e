// Writes the codes of one coder data file into the study's data, marks the
// file merged (in its line 2 and in the coder list) and registers the
// variables of Append questions in the study's .add file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "coderfile/coder_types.h"
#include "engines/merge/data_file_writer.h"
#include "suite/failure.h"

namespace oc {

enum class merge_result { done, no_match, failed, add_failed };

// Called after each record read with the count so far and the file's
// record count, for progress displays.
using merge_progress = std::function<void(long records_read, long record_total)>;

// done; no_match when a coded record has no data record (matching by
// respondent and sequence); failed when the coder file cannot be opened or
// read, a record line does not read back exactly as the format lays it out
// (read_coded_lines), a study file is read-only or cannot be read or
// written, or the coder list has no entry for the file or cannot be
// written; add_failed when the .add file is read-only or cannot be read,
// created or written. `problem`, when given, receives what failed (for a
// damaged line, the file and line).
//
// The caller holds the study's write lock and the coder file's lock. Every
// line is checked before the first write. Before it, the merge journal
// (merge_journal.h) records what the merge will change, so that a failure or
// a crash at any point leaves a study that is, or is rolled back to,
// exactly what it was. A record without data (-1) keeps the records before
// it merged and leaves the coder file's status, the .add file and the coder
// list alone, as a completed merge of those records. `warn` receives the
// writer's notice for respondents without data when matching by respondent
// number, once per coded record.
merge_result MergeCoderFile(const std::string& dat_path, const std::string& idx_path, const std::string& list_path,
                            const std::string& coder_path, const std::string& add_path, bool by_respondent,
                            const missing_record_warning& warn = {}, const merge_progress& progress = {},
                            failure* problem = nullptr);

// The coded variable of a coded record. Replace: the question's name with
// list_no values, list_no - 1 empty ones and then the first code. Append:
// '#' and the first 7 characters of the name (for list number L above 1,
// "#L" and as many characters as fit in 8), every code as a value. Codes in
// plain decimal; roster as in the record.
coded_var coded_variable(const resp_record& record, bool replace);

// The name of an Append question's coded variable for list number
// `list_no`: "#" and 7 characters of the name, or "#L" and as many as fit
// in 8.
std::string append_variable_name(std::string_view question, int list_no);

}  // namespace oc
