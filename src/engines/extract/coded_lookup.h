// Whether answers already stand in a coder data file, from the coder list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engines/extract/extract_request.h"

namespace oc {

// 1 when an entry of the coder list holds one of the request's questions
// (with a compatible interviews choice and, when the request has a range, a
// respondent within it); 0 when none does or the list cannot be opened for
// update; -1 on a read error or a question list shorter than question_count.
std::int16_t find_coded_questions(const std::string& list_path, const extract_request& request);

// The same test for one respondent (0: any) and one question, with every
// interviews choice compatible.
std::int16_t is_response_coded(const std::string& list_path, std::uint32_t respondent, const char* question);

// is_response_coded answered from one read of the coder list: the engine asks
// once per answer group, and nothing writes the list during a run. The file
// is read on the first question, so a run that never asks never reads it.
// Only respondents first..last are kept: a run limited to a range of
// respondents asks about no others, and the list may hold many. A question
// about another respondent (other than 0) reads the list again, whole.
class coded_lookup {
public:
    explicit coded_lookup(std::string list_path, std::uint32_t first = 0, std::uint32_t last = UINT32_MAX)
        : list_path_(std::move(list_path)), first_(first), last_(last) {}
    std::int16_t is_response_coded(std::uint32_t respondent, const char* question);

private:
    // The respondents of a list entry; of one question, those of all the
    // entries read before any failure that hold it, sorted, each once.
    struct entry {
        std::vector<std::uint32_t> respondents;
    };
    void load();
    const entry* find(const char* question);

    std::string list_path_;
    std::uint32_t first_, last_;
    bool loaded_ = false;
    bool read_failed_ = false;  // an entry after those read could not be read
    // Upper-cased question name -> the respondents of the entries holding it.
    std::unordered_map<std::string, entry> by_question_;
    // The question asked last, as asked, and what by_question_ holds of it
    // (or null): the engine asks about one question many times in a row.
    bool asked_ = false;
    std::string last_question_;
    const entry* last_holders_ = nullptr;
};

}  // namespace oc
