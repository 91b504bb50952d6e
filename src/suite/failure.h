// What failed inside the core, for the user: what went wrong, the file it
// concerns and, for a damaged file, the byte where the damage was found.
// Numeric results and message ids are made from it only where the entry
// points, the data-library functions and the command-line tool hand them out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace oc {

struct failure {
    std::string what;                     // a sentence that names the file where it matters
    std::string file;                     // the file concerned, when one is
    std::optional<std::uint64_t> offset;  // the byte of `file` where damage was found

    explicit operator bool() const { return !what.empty(); }
    // `what`, and for damage the file and byte: "WHAT (FILE, byte N)".
    std::string text() const {
        if (!offset) return what;
        return what + " (" + file + ", byte " + std::to_string(*offset) + ")";
    }
};

}  // namespace oc
