// Reading and in-place rewriting of coder data files.
//
// A coder data file is fixed-width text with CR LF line ends written
// explicitly; every stored offset is a byte offset. All results are 0 for
// success and negative for failure; no function here shows anything.
#pragma once

#include <cstdint>
#include <cstdio>

#include "coderfile/coder_types.h"

namespace oc {

// Strips spaces, CR and LF (not tabs) in place: mode 0 or 3 both ends,
// 1 the start, 2 the end.
void trim_text(std::string& text, int mode);
void trim_text(char* text, int mode);

// Lines 1 and 2. -1 if a line is missing or line 2 has fewer than three
// numbers. Resets counts and arrays of `spec`.
std::int16_t read_coder_header(std::FILE* file, coder_spec& spec, std::int32_t& trailer_offset);

// Trailer at `trailer_offset`. -1 on a seek, read or format failure, -3 when
// memory runs out. Fills spec.record_count, respondent_count, resp_ids and
// `questions`; `question_count` gets the trailer's count (spec's own field is
// left alone).
std::int16_t read_coder_trailer(std::FILE* file, coder_spec& spec, quest_list& questions,
                                std::int16_t& question_count, std::int32_t trailer_offset);

// Opens `path`, reads header and trailer, closes. -1 if the file does not open.
std::int16_t load_coder_file(const char* path, coder_spec& spec, quest_list& questions,
                             std::int16_t& question_count);

// The record line at the current position. -1 on any read or format failure;
// code_slots and action are left as they were.
std::int16_t read_resp_record(std::FILE* file, resp_record& record);

// Fields and code columns at the current position (38 + 5 * code_slots
// characters; the separator and text after them are left alone).
std::int16_t write_resp_record(std::FILE* file, const resp_record& record);

// Lines 1 and 2 at offset 0; returns to the previous position.
std::int16_t write_coder_header(std::FILE* file, const coder_spec& spec, std::int32_t trailer_offset);

// The trailer at `trailer_offset`. -1 on a failed write or a field wider than
// its format.
std::int16_t write_coder_trailer(std::FILE* file, const coder_spec& spec, const quest_list& questions,
                                 std::int32_t trailer_offset);

// Status from the questions; a merged file stays merged.
void compute_file_status(coder_spec& spec, const quest_list& questions);

}  // namespace oc
