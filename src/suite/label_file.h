// A study's label file NAME.lbl: one line per question, four tab-separated
// fields: name, LOGIC_INSTRUCTIONS type code (0..7), OTHER flag (0/1) and
// the question text with backslash escapes (\\ \t \r \n). Written with CR LF;
// read with CR LF or LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "suite/study_result.h"

namespace oc {

inline constexpr std::size_t kMaxLabelName = 8;
inline constexpr int kMaxLabels = 32767;  // read_label hands the count out as signed 16-bit
inline constexpr std::uint8_t kMaxLogicType = 7;

struct study_label {
    std::string name;
    std::uint8_t type = 0;
    bool other = false;
    std::string text;
};

// 1..8 printable ASCII characters other than space, '[' and ']'.
bool is_valid_question_name(std::string_view name);

// The label file beside a .DAT file: the path with the file name's
// extension (if any) replaced by ".lbl".
std::string label_path_for(const std::string& dat_path);

// Writes the labels to `path` (replacing it). Fails on an invalid name, a
// type above 7, a NUL byte in a text, more than 32767 labels or a failed
// write; the message names the problem.
study_result write_label_file(const std::string& path, const std::vector<study_label>& labels);

// Reads `path`. Fails when it cannot be read or a line is malformed (wrong
// field count, invalid or duplicate name, bad type or flag, bad escape),
// naming the line; `labels` is left empty then.
study_result read_label_file(const std::string& path, std::vector<study_label>& labels);

}  // namespace oc
