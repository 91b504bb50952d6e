// Reading and in-place rewriting of coder data files.
//
// A coder data file is fixed-width text with CR LF line ends written
// explicitly; every stored offset is a byte offset. All results are 0 for
// success and negative for failure; no function here shows anything.
// Streams are expected to be opened in binary mode ("rb", "r+b", "w+b").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "coderfile/coder_types.h"

namespace oc {

// Strips spaces, CR and LF (not tabs) in place: mode 0 or 3 both ends,
// 1 the start, 2 the end; any other mode leaves the text alone.
void trim_text(std::string& text, int mode);
void trim_text(char* text, int mode);

// Lines 1 and 2. -1 if a line is missing, line 2 has fewer than three
// numbers or its status is not 0 to 3; nothing is stored then. On success
// resets the counts, arrays and reserved bytes of `spec`.
std::int16_t read_coder_header(std::FILE* file, coder_spec& spec, std::int32_t& trailer_offset);

// Trailer at `trailer_offset`. -1 on a seek, read or format failure (also an
// offset below 1, a negative count, a question name over 8 characters or
// max_codes outside 0..30), -3 when memory runs out. Fills spec.name,
// record_count, respondent_count and resp_ids; `questions` gets the list and
// `question_count` the trailer's count (spec.question_count is left alone).
// With a count of 0 `questions` is left as it was; on failure it is left as
// it was and spec.resp_ids is emptied.
std::int16_t read_coder_trailer(std::FILE* file, coder_spec& spec, quest_list& questions,
                                std::int16_t& question_count, std::int32_t trailer_offset);

// Opens `path`, reads header and trailer, closes. -1 if the file does not
// open, else the result of the failing read or 0.
std::int16_t load_coder_file(const char* path, coder_spec& spec, quest_list& questions,
                             std::int16_t& question_count);

// The record line at the current position; afterwards the position is the
// start of the next line. -1 on any read or format failure (line under 30
// characters, fields not all on the line, codes_count above 30, a code
// column holding anything but spaces and digits). A text over 800
// characters is cut to 800 and the rest of its line skipped. code_slots and
// action are left as they were.
std::int16_t read_resp_record(std::FILE* file, resp_record& record);

// Fields and code columns at the current position (38 + 5 * code_slots
// characters; the separator and text after them are left alone). -1, with
// nothing written, when code_slots exceeds 30, codes_count exceeds
// code_slots, a field does not fit its width, one of the codes_count codes
// lies outside 0..9999 (a column reads back four digits), the question name
// is empty, or the write fails.
std::int16_t write_resp_record(std::FILE* file, const resp_record& record);

// Lines 1 and 2 at offset 0 (offset written 0 when below 1); returns to the
// previous position. -1, with nothing written, when the name does not fit
// in 255 characters or holds a line end, or line 2 would not be 15
// characters; -1 also on a failed seek or write.
std::int16_t write_coder_header(std::FILE* file, const coder_spec& spec, std::int32_t trailer_offset);

// The trailer at `trailer_offset` (the position afterwards is its end).
// -1, with nothing written, when a field is wider than its format, a
// question name is empty, or respondent_count does not match resp_ids;
// -1 also on a failed seek or write.
// An offset below 1 means the trailer was never written: it is then
// appended at the end of the file and its offset patched into line 2's
// offset field (wherever line 1 ends), so no record is overwritten.
// `written_offset`, when given, receives the offset actually used.
std::int16_t write_coder_trailer(std::FILE* file, const coder_spec& spec, const quest_list& questions,
                                 std::int32_t trailer_offset, std::int32_t* written_offset = nullptr);

// Status from the questions; a merged file stays merged. No questions: 0.
void compute_file_status(coder_spec& spec, const quest_list& questions);

}  // namespace oc
