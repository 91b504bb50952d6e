#include "engines/merge/merge_job.h"

#include "coderfile/coder_types.h"
#include "engines/merge/unique_respondents.h"
#include "engines/texts/string_table.h"
#include "suite/coding_journal.h"
#include "suite/path_parts.h"

namespace oc {

namespace {

int message_of(merge_result result) {
    switch (result) {
    case merge_result::done: return IDS_MERGE_DONE;
    case merge_result::no_match: return IDS_NO_MATCHING_RECORD;
    case merge_result::failed: return IDS_CODER_FILES_IO_ERROR;
    case merge_result::add_failed: return IDS_ADD_READ_ERROR;
    }
    return IDS_CODER_FILES_IO_ERROR;
}

}  // namespace

merge_check merge_job::check_status(std::uint8_t status) {
    if (status == status_not_coded) return {merge_check::refused, {IDS_NOTHING_TO_MERGE}};
    if (status == status_merged) return {merge_check::ask_first, {IDS_ALREADY_MERGED}};
    return {};
}

merge_check merge_job::check_respondents() const {
    if (!by_respondent) return {};
    switch (check_unique_respondents(idx_path)) {
    case 1: return {};
    case 0: return {merge_check::refused, {IDS_DUPLICATE_RESPONDENTS}};
    default: return {merge_check::refused, {IDS_IDX_READ_ERROR, IDS_DUPLICATE_RESPONDENTS}};
    }
}

merge_outcome merge_job::run(const missing_record_warning& warn, const merge_progress& progress) const {
    merge_outcome outcome;
    outcome.result = MergeCoderFile(dat_path, idx_path, coder_list, coder_file, add_path, by_respondent, warn,
                                    progress, &outcome.problem);
    outcome.message = message_of(outcome.result);
    // One line for the file: the merge changes no record's codes, it carries
    // them into the study.
    if (outcome.result == merge_result::done) {
        journal_change merged;
        merged.coder_file = file_name_of(coder_file);
        merged.how = "merge";
        append_to_journal(without_extension(coder_list), {merged}, true, outcome.journal_problem);
    }
    return outcome;
}

}  // namespace oc
