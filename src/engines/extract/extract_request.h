// The description of one extraction run, filled by the prepare and examine
// drivers from the user's choices.
#pragma once

#include <cstdint>
#include <string>

#include "coderfile/coder_types.h"

namespace oc {

class answer_sample;

// Paths the coder files and listings carry: at most 255 characters. A
// longer one is refused, never cut to name some other file.
inline constexpr std::size_t kMaxPathLength = 255;
inline bool fits_path_limit(const std::string& path) { return path.size() <= kMaxPathLength; }

enum interviews_choice : std::int16_t {
    interviews_all = 0,
    interviews_complete = 1,
    interviews_incomplete = 2,
};

enum include_data_choice : std::uint16_t {
    data_not_yet_coded = 0,
    data_all = 1,
    data_already_coded = 2,
};

struct extract_request {
    std::string coder_path;  // the coder data file to create (coder-file run)
    std::int16_t interviews = interviews_all;
    std::uint16_t include_data = data_all;
    std::uint16_t how_many = 0;  // compared as signed 16-bit; 0 = no limit
    std::uint32_t min_respondent = 0;
    std::uint32_t max_respondent = 0;
    std::int16_t question_count = 0;
    quest_list* questions = nullptr;  // the engine sets each record_count
    std::string listing_path;         // non-empty: a listing run
    bool one_line = false;
    bool show_respondent = false;
    bool show_numbers = false;
    bool strip_numeric = false;
    bool code_labels = false;  // the stored codes and their labels after each answer
    answer_sample* sample = nullptr;  // a coder-file run writes only the answers it draws
};

}  // namespace oc
