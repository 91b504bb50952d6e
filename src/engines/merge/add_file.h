// The study's .add file: one 24-byte entry per coded Append variable
// ('#', 7 name characters, a word kept as read, largest roster, code width,
// maximum number of codes, largest list number; little-endian, no header).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "coderfile/coder_types.h"

namespace oc {

inline constexpr int kAddEntrySize = 24;

// Registers every Append question of `maxima` (record_count holding its
// largest roster, last_record_coded its largest list number). An entry whose
// bytes 1-7 equal the name's first 7 characters (any case) is raised field
// by field to the larger value and rewritten only when something changed;
// otherwise a new entry is appended. The file is created when missing.
// The new content is written whole under another name beside the file and
// renamed over it, so the file is either as it was or wholly updated.
// False when it cannot be read or is not a plain file, or the new one
// cannot be written or renamed.
bool update_add_file(const std::string& add_path, const quest_list& maxima);

// One registered Append question as the file holds it.
struct add_entry {
    std::string name;  // bytes 1-7 up to the first NUL
    std::int32_t roster = 0;
    std::int16_t code_width = 0;
    std::int16_t max_codes = 0;
    std::int32_t list_no = 0;
};

// Whether `entry` registers `question`: its 7 name bytes are the
// question's first 7 characters, in any case, as the merge matches them.
bool registers(const add_entry& entry, const std::string& question);

// Every whole entry of the file, in file order; none when it does not
// exist. False when it cannot be read, or its length is not a whole number
// of entries (`problem` then says which and where).
bool read_add_file(const std::string& add_path, std::vector<add_entry>& entries, std::string& problem);

}  // namespace oc
