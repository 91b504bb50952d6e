// Where prepare and examine may write what the user names with --out or a
// Save As dialog: never over a file the study needs, and over an existing
// file only when asked.
#pragma once

#include <string>

namespace oc {

enum class output_kind { coder_file, listing };

struct output_refusal {
    enum reason { none, study_file, coder_file_listed, exists, coded_file, unresolved } why = none;
    std::string text;  // says which file and why; empty with none
    explicit operator bool() const { return why != none; }
};

// None when `path` may be written for the study DIR/NAME at `base`;
// otherwise why not. Refused: any file of the study (its label, data, index, coder
// list and backup, .add, lock, journal and other files named NAME.EXT beside
// it, under any spelling or link that reaches them) and any coder data file
// its coder list names; an existing file unless `replace`; for a coder
// file, an existing coder data file that has codes, even with `replace`.
// Relative paths are taken from the current directory.
output_refusal output_path_refusal(const std::string& base, const std::string& path, output_kind kind, bool replace);

}  // namespace oc
