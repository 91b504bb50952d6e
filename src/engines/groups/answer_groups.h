// Answers that are the same, so that a coder decides once for all of them:
// equal after case folding, with white space collapsed and trimmed and
// trailing . , ; : ! ? taken off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oc {

// `text` (UTF-8; bytes that are not are kept as they are) in the form two
// answers are compared in.
std::string normalise_answer(std::string_view text);

// One record of a question of a coder data file, as the groups, the review
// by code and the search need it.
struct question_record {
    std::int32_t respondent = 0;
    std::uint16_t sequence = 0;
    std::uint8_t roster = 0;
    std::uint8_t list_no = 0;
    std::vector<std::int16_t> codes;  // codes_count of them
    std::string text;                 // as stored
};

// The records of `question` in `coder_path`, in file order (element k-1 is
// record k); none when the file or a record cannot be read.
std::optional<std::vector<question_record>> read_question_records(const std::string& coder_path,
                                                                  const std::string& question);

// Of the texts of one answer (same respondent, sequence and roster) around
// record `index` (from 0): how many there are.
int answers_in_list(const std::vector<question_record>& records, std::size_t index);

struct answer_group {
    std::string answer;                 // normalised
    std::vector<std::int32_t> records;  // record numbers from 1, ascending
    int coded = 0;                      // of them, records holding a code
};

struct question_groups {
    // By count, largest first, then by answer.
    std::vector<answer_group> groups;
    // For record k, groups[group_of[k-1]] holds it.
    std::vector<std::size_t> group_of;
};

question_groups group_answers(const std::vector<question_record>& records);


}  // namespace oc
