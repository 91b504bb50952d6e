#include "coderfile/record_briefs.h"

#include <cstring>

#include "coderfile/coder_file.h"
#include "suite/owned_files.h"

namespace oc {

bool for_each_record(const std::string& path, const std::function<void(const resp_record&)>& each) {
    owned_file file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    coder_spec spec;
    std::int32_t trailer = 0;
    if (read_coder_header(file.get(), spec, trailer) != 0) return false;
    resp_record record;
    while (std::ftell(file.get()) < trailer) {
        if (read_resp_record(file.get(), record) != 0) return false;
        each(record);
    }
    return true;
}

std::optional<std::vector<record_brief>> read_record_briefs(const std::string& path, const std::string& question) {
    std::vector<record_brief> briefs;
    const bool read = for_each_record(path, [&](const resp_record& record) {
        if (question == record.qname)
            briefs.push_back({record.respondent, record.sequence, record.roster, record.list_no, record.codes_count > 0});
    });
    if (!read) return std::nullopt;
    return briefs;
}

int answers_in_group(const std::vector<record_brief>& briefs, std::size_t index) {
    if (index >= briefs.size()) return 0;
    auto same = [&](const record_brief& other) {
        const record_brief& at = briefs[index];
        return other.respondent == at.respondent && other.sequence == at.sequence && other.roster == at.roster;
    };
    std::size_t first = index, last = index;
    while (first > 0 && same(briefs[first - 1])) --first;
    while (last + 1 < briefs.size() && same(briefs[last + 1])) ++last;
    return static_cast<int>(last - first + 1);
}

std::optional<file_progress> read_file_progress(const std::string& path) {
    file_progress progress;
    coder_spec spec;
    quest_list questions;
    std::int16_t count = 0;
    if (load_coder_file(path.c_str(), spec, questions, count) != 0) return std::nullopt;
    for (const quest_spec& q : questions) progress.questions.emplace_back(q.name);
    const bool read = for_each_record(path, [&](const resp_record& record) {
        ++progress.records;
        if (record.codes_count > 0) ++progress.coded;
    });
    if (!read) return std::nullopt;
    return progress;
}

}  // namespace oc
