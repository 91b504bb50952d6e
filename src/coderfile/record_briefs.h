// What a coder needs to know of records besides the one shown: where an
// answer stands among its respondent's answers, and how many are coded.
// Read in one pass over the record area, without the answers' texts.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oc {

struct resp_record;

// Hands every record of the record area of the coder data file `path` to
// `each`, in file order; false when the file or a record cannot be read (the
// records before it have been handed over).
bool for_each_record(const std::string& path, const std::function<void(const resp_record&)>& each);

struct record_brief {
    std::int32_t respondent = 0;
    std::uint16_t sequence = 0;
    std::uint8_t roster = 0;
    std::uint8_t list_no = 0;
    bool coded = false;  // holds at least one code
};

// The records of `question` in `path`, in file order (element k-1 is the
// question's record k); none when the file or a record cannot be read.
std::optional<std::vector<record_brief>> read_record_briefs(const std::string& path, const std::string& question);

// Of the answer group (same respondent, sequence and roster) around record
// `index` (from 0): how many texts it holds.
int answers_in_group(const std::vector<record_brief>& briefs, std::size_t index);

struct file_progress {
    std::vector<std::string> questions;
    long records = 0;
    long coded = 0;
};

// Every record of the coder data file `path`, counted; none when it cannot
// be read.
std::optional<file_progress> read_file_progress(const std::string& path);

}  // namespace oc
