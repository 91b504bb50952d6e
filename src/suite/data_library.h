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

// A malloc'd copy, or null when memory runs out.
char* strsave(const char* text);

// Reads the study's label file. Outputs: *count labels, malloc'd arrays of
// names (each malloc'd), type bytes and OTHER flags. Slots 2 and 4 are set
// to 0. Returns 0, or exactly 0xFFFF on failure (nothing allocated then).
std::uint16_t read_label(const char* label_path, std::int32_t* unused2, std::int16_t* count,
                         std::int32_t* unused4, char*** names, std::uint8_t** types,
                         std::uint8_t** other_flags, int zero8, int one9, int one10);

// Walks a question's answers respondent by respondent. See data_library.cpp
// for the protocol. Results: n >= 1 texts in `buffer` (back to back, each
// NUL-terminated, at most 801 bytes in all); 0 no answer here; -1 end of the
// question's data; -2 a file cannot be opened; -3 corrupt or truncated
// index; -4 corrupt or truncated record (also a group too large for the
// buffer).
std::int16_t fextract(std::int16_t mode, const char* question, char* buffer, const char* idx_path,
                      const char* dat_path, std::uint32_t* respondent, std::int32_t* sequence,
                      std::int16_t* type, std::int16_t interview_filter, std::int16_t one10,
                      std::int32_t* roster, std::int32_t zero12, std::int32_t zero13);

// One 20-byte entry at the current position. 0 read (stream right behind
// it); non-zero at the end or on failure.
int idxread(idx_entry* entry, std::FILE* idx);

// The 20-byte header at the current position. 0 read (stream at the first
// block); non-zero on failure.
int headread(rec_header* header, std::FILE* dat);

}  // namespace oc
