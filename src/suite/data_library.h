// The suite's study data library: labels, answer extraction, index and
// record header reading. Memory it hands out is malloc'd; callers free it.
#pragma once

#include <cstdint>
#include <cstdio>

#include "suite/study_format.h"

namespace oc {

// Question types. 7 is the open end; the others are closed types.
enum LOGIC_INSTRUCTIONS : std::uint8_t {
    LOGIC_NONE = 0,
    LOGIC_SINGLE = 1,
    LOGIC_MULTIPLE = 2,
    LOGIC_NUMERIC = 3,
    LOGIC_SCALE = 4,
    LOGIC_DATE = 5,
    LOGIC_TEXT = 6,
    LOGIC_OPENEND = 7,
};

// Display name of a question type ("Open End" for 7); never null.
const char* logic_type_name(int type);

// A malloc'd copy, or null when memory runs out (or `text` is null).
char* strsave(const char* text);

// Reads the study's label file. Outputs: *count labels, malloc'd arrays of
// names (each malloc'd), type bytes and OTHER flags. Slots 2 and 4 are set
// to 0. Returns 0, or exactly 0xFFFF on failure (nothing allocated then).
std::uint16_t read_label(const char* label_path, std::int32_t* unused2, std::int16_t* count,
                         std::int32_t* unused4, char*** names, std::uint8_t** types,
                         std::uint8_t** other_flags, int zero8, int one9, int one10);

// Walks a question's answers respondent by respondent; one walk at a time,
// its state kept here between calls. `idx_path` and `dat_path` name the
// study's .idx and .DAT files; the labels are read from the .lbl file beside
// the .DAT (label_path_for).
//
// mode -1 (re)starts the walk for `question` (closing any previous one) and
// returns the first respondent; mode 1 the next respondent; mode 0 the
// next roster iteration of the same respondent. Respondents are the
// generation-1 index entries in file order that pass `interview_filter`
// (1 all, 2 completes only, 3 incompletes only; rec_header byte 11, 1 =
// complete); their versions are read through the index chain, a later
// version's variable of the same name and roster replacing the earlier one.
// Sets *respondent, *sequence (from the index entry) and *type.
//
// Rosters: with mode -1 or 1 (or *roster 0) the first non-empty loop
// iteration is returned and *roster set to its number; a question outside
// loops leaves *roster 0. With mode 0 and *roster r >= 1 the first
// non-empty iteration numbered r or later is returned, or 0 with *roster
// set to 0 when there is none.
//
// Results: n >= 1 texts in `buffer` (back to back, each NUL-terminated, at
// most 801 bytes in all; a closed question's values as stored); 0 no answer
// here; -1 end of the question's data (also for a question not in the
// labels, and for mode 0 or 1 without a walk of that question); -2 the
// index, data or label file cannot be opened or read; -3 corrupt or
// truncated index; -4 corrupt or truncated record, or a group too large for
// the buffer (nothing written then). Files are closed at -1 and on errors.
std::int16_t fextract(std::int16_t mode, const char* question, char* buffer, const char* idx_path,
                      const char* dat_path, std::uint32_t* respondent, std::int32_t* sequence,
                      std::int16_t* type, std::int16_t interview_filter, std::int16_t one10,
                      std::int32_t* roster, std::int32_t zero12, std::int32_t zero13);

// One 20-byte entry at the current position. 0 read (stream right behind
// it); 1 at the end of the file; -1 on a short entry or a read failure.
int idxread(idx_entry* entry, std::FILE* idx);

// The 20-byte header at the current position. 0 read (stream at the first
// block); 1 at the end of the file; -1 on a short header or a read failure.
// The magic is not checked.
int headread(rec_header* header, std::FILE* dat);

}  // namespace oc
