// Each respondent of a study in index order, as examine and prepare see it:
// every version of its chain taken together, a later version's variable of
// the same name and roster replacing the earlier one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "suite/failure.h"

namespace oc {

struct walked_variable {
    std::string name;
    int roster = 0;
    std::vector<std::string> values;
};

struct walked_respondent {
    std::int32_t respondent = 0;
    std::uint16_t sequence = 0;
    bool complete = false;  // the first version's, as the interview filters read it
    std::vector<walked_variable> variables;  // in the order first met
};

// Calls `visit` for each respondent until it returns false (then the walk
// stops with no failure). Fails, naming the file and byte, when the .idx or
// .DAT cannot be opened or is damaged.
failure walk_respondents(const std::string& base, const std::function<bool(const walked_respondent&)>& visit);

}  // namespace oc
