#include "engines/extract/coded_lookup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "coderfile/coder_list.h"

namespace oc {

namespace {

std::string entry_question_name(const std::array<char, 8>& raw) {
    return std::string(raw.data(), strnlen(raw.data(), raw.size()));
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool interviews_compatible(std::int16_t entry, std::int16_t request) {
    return entry == request || entry == 0 || request == 0;
}

bool has_respondent_in(const coder_spec& spec, std::uint32_t min, std::uint32_t max) {
    return std::any_of(spec.resp_ids.begin(), spec.resp_ids.end(), [&](const resp_id& id) {
        auto r = static_cast<std::uint32_t>(id.respondent);
        return r >= min && r <= max;
    });
}

struct list_file {
    std::FILE* file;
    ~list_file() {
        if (file) std::fclose(file);
    }
};

}  // namespace

std::int16_t find_coded_questions(const std::string& list_path, const extract_request& request) {
    // Opened for update on purpose: a read-only list counts as holding nothing.
    list_file list{std::fopen(list_path.c_str(), "rb+")};
    if (!list.file) return 0;
    unsigned char count_bytes[4];
    if (std::fread(count_bytes, 1, 4, list.file) != 4) return -1;
    auto count = static_cast<std::int32_t>(count_bytes[0] | count_bytes[1] << 8 | count_bytes[2] << 16 |
                                           static_cast<std::uint32_t>(count_bytes[3]) << 24);
    bool ranged = request.min_respondent > 0 && request.max_respondent > 0;
    for (std::int32_t e = 0; e < count; ++e) {
        coder_spec spec;
        if (read_coder_list_entry(list.file, false, spec) != 0) return -1;
        if (!interviews_compatible(spec.interviews, request.interviews)) continue;
        if (ranged && !has_respondent_in(spec, request.min_respondent, request.max_respondent)) continue;
        for (const auto& raw : spec.question_names) {
            std::string name = entry_question_name(raw);
            if (!request.questions || static_cast<std::int16_t>(request.questions->size()) < request.question_count)
                return -1;
            for (std::int16_t q = 0; q < request.question_count; ++q)
                if (strcasecmp(name.c_str(), (*request.questions)[static_cast<size_t>(q)].name) == 0) return 1;
        }
    }
    return 0;
}

std::int16_t is_response_coded(const std::string& list_path, std::uint32_t respondent, const char* question) {
    quest_list one(1);
    std::snprintf(one[0].name, sizeof one[0].name, "%s", question);
    extract_request request;
    request.interviews = interviews_all;
    request.min_respondent = respondent;
    request.max_respondent = respondent;
    request.question_count = 1;
    request.questions = &one;
    return find_coded_questions(list_path, request);
}

void coded_lookup::load() {
    loaded_ = true;
    list_file list{std::fopen(list_path_.c_str(), "rb+")};
    if (!list.file) return;  // holds nothing
    unsigned char count_bytes[4];
    if (std::fread(count_bytes, 1, 4, list.file) != 4) {
        read_failed_ = true;
        return;
    }
    auto count = static_cast<std::int32_t>(count_bytes[0] | count_bytes[1] << 8 | count_bytes[2] << 16 |
                                           static_cast<std::uint32_t>(count_bytes[3]) << 24);
    for (std::int32_t e = 0; e < count; ++e) {
        coder_spec spec;
        if (read_coder_list_entry(list.file, false, spec) != 0) {
            read_failed_ = true;
            break;
        }
        entry item;
        for (const resp_id& id : spec.resp_ids) item.respondents.push_back(static_cast<std::uint32_t>(id.respondent));
        std::erase_if(item.respondents, [&](std::uint32_t r) { return r < first_ || r > last_; });
        // An entry naming a question twice adds its respondents twice; the
        // copies go below.
        for (const auto& raw : spec.question_names) {
            entry& holders = by_question_[upper(entry_question_name(raw))];
            holders.respondents.insert(holders.respondents.end(), item.respondents.begin(), item.respondents.end());
        }
    }
    for (auto& [name, holders] : by_question_) {
        std::vector<std::uint32_t>& ids = holders.respondents;
        // Coder files list their respondents in order, so often nothing moves.
        if (!std::is_sorted(ids.begin(), ids.end())) std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    }
}

const coded_lookup::entry* coded_lookup::find(const char* question) {
    if (!asked_ || last_question_ != question) {
        asked_ = true;
        last_question_ = question;
        auto found = by_question_.find(upper(question));
        last_holders_ = found == by_question_.end() ? nullptr : &found->second;
    }
    return last_holders_;
}

std::int16_t coded_lookup::is_response_coded(std::uint32_t respondent, const char* question) {
    if (respondent != 0 && (respondent < first_ || respondent > last_)) {
        first_ = 0;
        last_ = UINT32_MAX;
        loaded_ = read_failed_ = asked_ = false;
        by_question_.clear();
    }
    if (!loaded_) load();
    // The file-reading test stops at the first entry that matches, so an
    // unreadable entry only matters when no earlier entry answered. A
    // question stands in the map only when an entry holds it.
    if (const entry* holders = find(question)) {
        const std::vector<std::uint32_t>& ids = holders->respondents;
        if (respondent == 0 || std::binary_search(ids.begin(), ids.end(), respondent)) return 1;
    }
    return read_failed_ ? -1 : 0;
}

}  // namespace oc
