// The suite's error library: fatal codes carried from deep inside an
// operation to the entry point that reports them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "suite/failure.h"

namespace oc {

// Codes thrown by this component.
inline constexpr std::int16_t kErrorOutOfMemory = 9;
inline constexpr std::int16_t kErrorCorruptIndex = 13;      // fextract -3
inline constexpr std::int16_t kErrorStudyFilesMissing = 14;  // fextract -2
inline constexpr std::int16_t kErrorCorruptRecord = 21;     // fextract -4

class CHalvexException : public std::exception {
public:
    explicit CHalvexException(std::int16_t code, failure where = {}) : code_(code), where_(std::move(where)) {}
    std::int16_t code() const { return code_; }
    // For a damaged study: the file and the byte where the damage was found.
    const failure& where() const { return where_; }
    const char* what() const noexcept override;
    // Shows the code's message through the installed reporter.
    void DisplayErrorMessage() const;

private:
    std::int16_t code_;
    failure where_;
};

// Throws CHalvexException carrying `code`; never returns.
[[noreturn]] void ThrowHalvexException(std::int16_t code, failure where = {});

// The message belonging to a code; a generic text for unknown codes.
std::string error_message_text(std::int16_t code);

// Where DisplayErrorMessage sends the text. The default writes it to stderr;
// the user interface installs one that shows a message box. Returns the
// previous reporter.
using error_reporter = void (*)(std::int16_t code, const std::string& text);
error_reporter set_error_reporter(error_reporter reporter);

}  // namespace oc
