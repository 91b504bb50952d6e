// Which coder data files a study has, and how far each has come.
//
// The coder list file is the only source of names; names are opened as
// stored, relative to the current directory (the study directory).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coderfile/coder_types.h"

namespace oc {

// Names of every entry, in file order; nullopt when the file is missing,
// unreadable, its entry count is negative, or an entry cannot be read.
std::optional<std::vector<std::string>> read_coder_list(const std::string& list_path);

struct file_statuses {
    int opened = 0;                     // files that opened
    std::vector<std::uint8_t> status;   // one per name; status_missing if it did not open
};
// Status from each file's own line 2; nullopt when a file opens but its
// lines 1 and 2 cannot be read.
std::optional<file_statuses> read_file_statuses(const std::vector<std::string>& names);

// The fixed part of the entry named `name` (case-insensitive). 0 found, -1 not.
std::int16_t find_coder_list_entry(const std::string& list_path, const std::string& name, coder_spec& spec);

// Figures of the status report, one element per name.
struct list_figures {
    std::vector<std::uint32_t> respondents;
    std::vector<std::uint32_t> questions;
    std::vector<std::uint32_t> records;
    std::vector<std::uint8_t> interviews;
};
// A name whose entry is not found (or a list that cannot be read) shows zeros.
list_figures collect_list_figures(const std::string& list_path, const std::vector<std::string>& names);

// The listing handed to the host: only files that opened, in list order.
enum class listing_result { ok, list_unreadable /*710*/, data_unreadable /*709*/ };
struct coder_file_listing {
    listing_result result = listing_result::ok;
    std::vector<std::string> names;
    std::vector<std::uint8_t> statuses;
};
coder_file_listing list_coder_files(const std::string& list_path);

// One coder data file loaded for coding: header, resp_ids, questions and
// each question's status. False when the file cannot be loaded (message 709).
struct loaded_coder_file {
    coder_spec spec;
    quest_list questions;
    std::vector<std::uint8_t> question_statuses;
};
bool load_coder_questions(const std::string& path, loaded_coder_file& loaded);

}  // namespace oc
