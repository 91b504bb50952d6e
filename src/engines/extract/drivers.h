// What the prepare and examine commands do between the user's choices and
// the extraction engine: the request from the choices, the engine runs and
// the outcome to report. Dialogs and the command-line tool both use these.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engines/extract/answer_sample.h"
#include "engines/extract/catalogue.h"
#include "engines/extract/extract_engine.h"
#include "engines/extract/extract_request.h"

namespace oc {

// The respondents page's five values.
struct respondent_choice {
    int respondents = 0;        // 0 all, 1 selected range, 2 specified number
    int data_to_include = 0;    // 0 not yet coded, 1 all, 2 already coded
    int interview_status = 0;   // 0 both, 1 completes, 2 incompletes
    std::int32_t first = 0;     // how many, or the range's minimum
    std::int32_t maximum = 0;   // the range's maximum
};

// Why the respondents page would refuse `choice`, or "" when it accepts it.
// A Specified Number must also fit the request's 16-bit limit.
std::string respondent_choice_error(const respondent_choice& choice);

// One question's coding choice (the code filter page's per-question spec).
enum coding_action : std::uint8_t { action_not_coded = 0, action_replace = 1, action_append = 2 };
struct CQCodeSpec {
    std::uint8_t action = action_not_coded;
    std::uint8_t num_codes = 0;
    std::uint8_t code_width = 0;
};

// The values a code spec's field accepts, both ends included.
struct value_range {
    int low = 0;
    int high = 0;
};
// The code width of `action` for a question of `type`: 1 for a Replace of a
// type-0 question, up to 4 otherwise.
value_range code_width_range(coding_action action, std::int16_t type);
// The number of codes of an Append.
inline constexpr value_range kCodeCountRange{1, kMaxCodes};

// Why the code filter page would refuse `spec` for a question of `type`, or
// "" when it accepts it.
std::string code_spec_error(const CQCodeSpec& spec, std::int16_t type);

void apply_respondent_choice(extract_request& request, const respondent_choice& choice);

// The questions with an action, in catalogue order.
quest_list build_coder_questions(const openend_catalogue& catalogue, const std::vector<CQCodeSpec>& specs);

// The study's files as the engine needs them.
struct study_files {
    std::string data;         // study file A (.DAT)
    std::string index;        // study file B (.idx)
    std::string coder_list;
    std::string coder_list_backup;
};

// The outcome of creating a coder data file, with the message to show.
struct prepare_result {
    bool created = false;
    int message = 0;  // 740 created, 743 nothing qualified, 708 failed, 0 declined
};

// The prepare command: the choices of its pages (or options), checked as a
// whole, and the coder data file made from them. The dialogs and
// `opencoder prepare` fill it in and report what it says.
struct prepare_job {
    openend_catalogue catalogue;
    std::vector<CQCodeSpec> specs;  // one per catalogue entry
    respondent_choice respondents;
    std::string coder_path;
    answer_sample* sample = nullptr;  // set: only the answers it draws are written

    enum class refusal {
        none,
        nothing_to_code,                  // no question has an action: nothing to do
        fixed_number_with_two_questions,  // message 754
        sample_with_fixed_number          // a sample is drawn from all that qualify, not the first N
    };
    refusal check_choices() const;
    // How many questions have an action.
    std::size_t questions_to_code() const;

    // The coder data file at coder_path, as create_coder_data_file makes it.
    prepare_result run(const study_files& files, const std::function<bool()>& confirm_duplicates,
                       const extract_progress& progress = {}) const;
};

// Runs the engine with the duplicate check; when answers are already in
// coder files, asks `confirm_duplicates` (message 712) and runs again only on
// yes. Throws CHalvexException for the data library's errors.
prepare_result create_coder_data_file(extract_request& request, const study_files& files,
                                      const std::function<bool()>& confirm_duplicates,
                                      const extract_progress& progress = {});

// The listing options, defaults as the options dialog starts.
struct listing_options {
    bool one_line = true;
    bool show_respondent = true;
    bool show_numbers = true;
    bool strip_numeric = false;
    bool code_labels = false;  // off: the listing's bytes are as they always were
};

// The questions ticked, in catalogue order (names only).
quest_list build_listing_questions(const openend_catalogue& catalogue, const std::vector<bool>& selected);

// The examine command: the listing of the chosen questions and
// respondents, written into a temporary file of its own that goes when the
// job does. The dialogs print or save it; `opencoder examine` copies it out.
class examine_job {
public:
    openend_catalogue catalogue;
    std::vector<bool> selected;  // one per catalogue entry
    respondent_choice respondents;
    listing_options options;

    examine_job() = default;
    examine_job(const examine_job&) = delete;
    examine_job& operator=(const examine_job&) = delete;
    ~examine_job();

    // False when no temporary listing can be made (message 707). Throws
    // CHalvexException for the data library's errors, as the engine does.
    bool write_listing(const study_files& files);
    const std::string& listing_path() const { return listing_path_; }

private:
    std::string listing_path_;
};

// A new empty file "COD......" in `directory` (the current directory when
// empty) for the listing. Empty on failure or when the path would exceed 255
// characters (the caller shows 707).
std::string make_listing_temp_file(const std::string& directory);

// Where temporary listings go: the system's temporary directory (TMPDIR),
// not the study's, which a reader may not be able to write. Empty when it
// is not a directory (the caller shows 707).
std::string listing_temp_directory();

}  // namespace oc
