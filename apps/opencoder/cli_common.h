// Shared pieces of the opencoder command-line tool.
#pragma once

#include <string>

namespace cli {

// Exit codes are part of the tool's contract with users' scripts.
enum exit_code : int {
    exit_ok = 0,
    exit_failure = 1,
    exit_usage = 2,
    exit_declined = 3,
};

// The files of a study named by its base path DIR/NAME.
struct study_paths {
    std::string directory;  // "" when the base path has no directory part
    std::string name;
    std::string base() const;
    std::string labels() const { return name + ".lbl"; }
    std::string data() const { return name + ".DAT"; }
    std::string index() const { return name + ".idx"; }
    std::string coder_list() const { return name + ".cdl"; }
    std::string coder_list_backup() const { return name + ".cdb"; }
    std::string add_file() const { return name + ".add"; }
};

study_paths parse_study(const std::string& base_path);

// Makes the study directory current, as the host does before it lists coder
// files: the coder list stores bare names. False (message shown) on failure.
bool enter_study_directory(const study_paths& study);

// A string-table message, or any text, on standard error.
void print_message(int string_id);
void print_error(const std::string& text);

}  // namespace cli
