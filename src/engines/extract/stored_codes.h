// The codes coders have stored for each answer, with their labels from the
// study's code frame, for listings that show them after each answer.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engines/frame/code_frame.h"

namespace oc {

class stored_codes {
public:
    // Reads every coder data file named in the coder list `list_path`
    // (names in the list's directory) and the study's frame
    // beside the list. Files and a frame that cannot be read are passed
    // over: the listing shows what can be known.
    void load(const std::string& list_path);

    // "Codes: 3 price; 41 (not in the code frame)" for the answer, or ""
    // when no coder stored a code for it. Where several coder files hold the
    // answer with codes, the one listed last wins: it was prepared last.
    std::string describe(const char* question, std::uint32_t respondent, std::uint16_t sequence, int roster,
                         int list_no) const;

private:
    using answer_key = std::tuple<std::string, std::uint32_t, std::uint16_t, int, int>;
    std::map<answer_key, std::vector<std::int16_t>> codes_;
    code_frame frame_;
};

}  // namespace oc
