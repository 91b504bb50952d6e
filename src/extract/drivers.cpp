#include "extract/drivers.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

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

std::string code_spec_error(const CQCodeSpec& spec, std::int16_t type) {
    if (spec.action == action_not_coded) return {};
    int max_width = type == 0 && spec.action == action_replace ? 1 : 4;
    if (spec.code_width < 1 || spec.code_width > max_width)
        return "The code width must be between 1 and " + std::to_string(max_width) + ".";
    if (spec.action == action_append && (spec.num_codes < 1 || spec.num_codes > kMaxCodes))
        return "The number of codes must be between 1 and 30.";
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

std::string listing_temp_directory() {
    std::error_code error;
    std::filesystem::path directory = std::filesystem::temp_directory_path(error);
    return error ? std::string() : directory.string();
}

std::string make_listing_temp_file(const std::string& directory) {
    std::string path = (directory.empty() ? std::string(".") : directory) + "/CODXXXXXX";
    if (path.size() > kMaxPathLength) return {};
    int fd = mkstemp(path.data());
    if (fd < 0) return {};
    close(fd);
    return path;
}

}  // namespace oc
