// Appends one respondent's coded variables to the study's data: a new,
// short record version at the end of the .DAT file and a new index entry
// linked behind the respondent's newest version. Nothing already in the
// files is rewritten but that one link field.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "merge/study_index.h"

namespace oc {

// One coded variable: name (8 bytes, zero-filled, no terminator when all 8
// are used), roster, value texts.
struct coded_var {
    char name[8] = {};
    std::uint16_t roster = 0;  // written as one byte
    std::vector<std::string> values;
};

inline constexpr std::size_t kMaxValueLength = 800;

// Receives "Can't find data record in the .DAT file for respondent number
// %ld.  This coded data will not be merged." when matching by respondent
// number finds no entry; the caller decides how to show it.
using missing_record_warning = std::function<void(const std::string& text)>;

std::string missing_record_text(std::int32_t respondent);

inline constexpr std::int16_t kAppendDone = 0;
inline constexpr std::int16_t kAppendNoMatch = -1;
inline constexpr std::int16_t kAppendFailed = -2;

// 0 done, or skipped after the warning (by_respondent on, no entry);
// -1 no generation-1 entry with this respondent and sequence number
// (by_respondent off); -2 a file cannot be opened, read, sought or written,
// the .idx magic is wrong, a chain link is damaged, the newest version's
// header is not a record's or belongs to another respondent, it lacks an FB
// or FC block, its generation is already 255, or a value (over 800
// characters) or the new version (over 65535 bytes) cannot be encoded.
// Everything is read and checked before the first byte is written; a write
// that still fails has the link and both files' lengths put back, so a
// failed call leaves the study as it was.
//
// `index`, when loaded, replaces the reads of the .idx that find the entry
// and walk the chain, and is updated with the entry appended; it is used
// only while its size equals the file's. `warn` may be empty.
std::int16_t AppendCodedVariable(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                 const std::string& dat_path, const std::string& idx_path, bool by_respondent,
                                 const missing_record_warning& warn, study_index* index = nullptr);

// Test hook: when set, called before each of the writer's writes with its
// number counted from 1 since the hook was set; returning false makes that
// write fail as a full disk would.
using write_hook = std::function<bool(int write)>;
void set_writer_write_hook(write_hook hook);

}  // namespace oc
