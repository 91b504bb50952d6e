// Outcome of a study file operation: ok, or a message saying what failed.
#pragma once

#include <string>

namespace oc {

struct study_result {
    bool ok = true;
    std::string message;  // what failed; may say what was done when ok

    static study_result success() { return {}; }
    static study_result failure(std::string message) { return {false, std::move(message)}; }
};

}  // namespace oc
