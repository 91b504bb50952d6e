#include "engines/extract/drivers.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace oc {

std::string respondent_choice_error(const respondent_choice& choice) {
    switch (choice.respondents) {
    case 1:
        if (choice.first < 1) return "The minimum respondent number must be at least 1.";
        if (choice.maximum < choice.first) return "The maximum respondent number must not be below the minimum.";
        if (choice.maximum > 999999999) return "The maximum respondent number must not exceed 999999999.";
        return {};
    case 2:
        if (choice.first < 1) return "The number of respondents must be at least 1.";
        if (choice.first > 32767) return "The number of respondents must not exceed 32767.";
        return {};
    default:
        return {};
    }
}

value_range code_width_range(coding_action action, std::int16_t type) {
    return {1, type == 0 && action == action_replace ? 1 : 4};
}

std::string code_spec_error(const CQCodeSpec& spec, std::int16_t type) {
    if (spec.action == action_not_coded) return {};
    const value_range width = code_width_range(static_cast<coding_action>(spec.action), type);
    if (spec.code_width < width.low || spec.code_width > width.high)
        return "The code width must be between " + std::to_string(width.low) + " and " + std::to_string(width.high) +
               ".";
    if (spec.action == action_append && (spec.num_codes < kCodeCountRange.low || spec.num_codes > kCodeCountRange.high))
        return "The number of codes must be between " + std::to_string(kCodeCountRange.low) + " and " +
               std::to_string(kCodeCountRange.high) + ".";
    return {};
}

void apply_respondent_choice(extract_request& request, const respondent_choice& choice) {
    request.interviews = static_cast<std::int16_t>(choice.interview_status);
    request.include_data = static_cast<std::uint16_t>(choice.data_to_include);
    request.how_many = 0;
    request.min_respondent = 0;
    request.max_respondent = 0;
    if (choice.respondents == 1) {
        request.min_respondent = static_cast<std::uint32_t>(choice.first);
        request.max_respondent = static_cast<std::uint32_t>(choice.maximum);
    } else if (choice.respondents == 2) {
        request.how_many = static_cast<std::uint16_t>(choice.first & 0xFFFF);
    }
}

quest_list build_coder_questions(const openend_catalogue& catalogue, const std::vector<CQCodeSpec>& specs) {
    quest_list questions;
    for (std::size_t i = 0; i < catalogue.names.size() && i < specs.size(); ++i) {
        const CQCodeSpec& spec = specs[i];
        if (spec.action == action_not_coded) continue;
        quest_spec q;
        std::snprintf(q.name, sizeof q.name, "%s", catalogue.names[i].c_str());
        q.action = spec.action == action_replace ? 1 : 0;
        q.code_width = spec.code_width;
        q.max_codes = spec.action == action_append ? spec.num_codes : 1;
        questions.push_back(q);
    }
    return questions;
}

prepare_result create_coder_data_file(extract_request& request, const study_files& files,
                                      const std::function<bool()>& confirm_duplicates,
                                      const extract_progress& progress) {
    request.listing_path.clear();
    request.one_line = request.show_respondent = request.show_numbers = true;
    request.strip_numeric = false;  // coder files get the answers unstripped
    std::int16_t r = extract_responses(request, true, files.data, files.index, files.coder_list,
                                       files.coder_list_backup, progress);
    if (r == kExtractNoData) return {false, 743};
    if (r == kExtractFailed) return {false, 708};
    if (r == kExtractWritten) return {true, 740};
    if (!confirm_duplicates || !confirm_duplicates()) return {false, 0};
    r = extract_responses(request, false, files.data, files.index, files.coder_list, files.coder_list_backup,
                          progress);
    if (r == kExtractNoData) return {false, 743};
    if (r != kExtractWritten) return {false, 708};
    return {true, 740};
}

std::size_t prepare_job::questions_to_code() const {
    return static_cast<std::size_t>(std::count_if(
        specs.begin(), specs.end(), [](const CQCodeSpec& spec) { return spec.action != action_not_coded; }));
}

prepare_job::refusal prepare_job::check_choices() const {
    const std::size_t with_action = questions_to_code();
    if (with_action >= 2 && respondents.respondents == 2) return refusal::fixed_number_with_two_questions;
    if (with_action == 0) return refusal::nothing_to_code;
    if (sample && respondents.respondents == 2) return refusal::sample_with_fixed_number;
    return refusal::none;
}

prepare_result prepare_job::run(const study_files& files, const std::function<bool()>& confirm_duplicates,
                                const extract_progress& progress) const {
    quest_list questions = build_coder_questions(catalogue, specs);
    extract_request request;
    apply_respondent_choice(request, respondents);
    request.questions = &questions;
    request.question_count = static_cast<std::int16_t>(questions.size());
    request.coder_path = coder_path;
    request.sample = sample;
    return create_coder_data_file(request, files, confirm_duplicates, progress);
}

quest_list build_listing_questions(const openend_catalogue& catalogue, const std::vector<bool>& selected) {
    quest_list questions;
    for (std::size_t i = 0; i < catalogue.names.size() && i < selected.size(); ++i) {
        if (!selected[i]) continue;
        quest_spec q;
        std::snprintf(q.name, sizeof q.name, "%s", catalogue.names[i].c_str());
        questions.push_back(q);
    }
    return questions;
}

examine_job::~examine_job() {
    if (!listing_path_.empty()) std::remove(listing_path_.c_str());
}

bool examine_job::write_listing(const study_files& files) {
    const std::string directory = listing_temp_directory();
    listing_path_ = directory.empty() ? std::string() : make_listing_temp_file(directory);
    if (listing_path_.empty()) return false;
    quest_list questions = build_listing_questions(catalogue, selected);
    extract_request request;
    apply_respondent_choice(request, respondents);
    request.questions = &questions;
    request.question_count = static_cast<std::int16_t>(questions.size());
    request.one_line = options.one_line;
    request.show_respondent = options.show_respondent;
    request.show_numbers = options.show_numbers;
    request.strip_numeric = options.strip_numeric;
    request.code_labels = options.code_labels;
    request.listing_path = listing_path_;
    extract_responses(request, false, files.data, files.index, files.coder_list, files.coder_list_backup);
    return true;
}

std::string listing_temp_directory() {
    std::error_code error;
    std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    return error ? std::string() : directory.string();
}

std::string make_listing_temp_file(const std::string& directory) {
    std::string path = (directory.empty() ? std::string(".") : directory) + "/CODXXXXXX";
    if (!fits_path_limit(path)) return {};
    int fd = mkstemp(path.data());
    if (fd < 0) return {};
    close(fd);
    return path;
}

}  // namespace oc
