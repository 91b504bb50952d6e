// The merge command: the checks of the coder file chosen, the merge and the
// message that reports it. The merge dialogs and `opencoder merge` collect
// the choice, ask the user where a check says so and show the messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engines/merge/merge_engine.h"

namespace oc {

// What a check says about going on.
struct merge_check {
    enum verdict { go_on, refused, ask_first } what = go_on;
    std::vector<int> messages;  // shown in this order; the last is the question with ask_first
};

// How a merge ended, and the message that says so.
struct merge_outcome {
    merge_result result = merge_result::failed;
    int message = 0;
    failure problem;  // what failed, when the merge did not finish
    std::string journal_problem;  // why the coding journal has no line of the merge ("" when it has)
};

struct merge_job {
    std::string dat_path, idx_path, coder_list, add_path;
    std::string coder_file;
    bool by_respondent = false;

    // The chosen file's status as the list of coder files gives it: nothing
    // coded is refused (742); merged already is merged again only when the
    // user confirms (741).
    static merge_check check_status(std::uint8_t status);
    // Matching by respondent number needs every respondent number once in
    // the index: refused with 746 (after 749 when the index cannot be read).
    merge_check check_respondents() const;
    // The merge; the caller holds the study's write and data locks and the
    // coder file's lock.
    merge_outcome run(const missing_record_warning& warn = {}, const merge_progress& progress = {}) const;
};

}  // namespace oc
