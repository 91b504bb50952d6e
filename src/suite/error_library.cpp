#include "suite/error_library.h"

#include <cstdio>

namespace oc {

namespace {

void report_to_stderr(std::int16_t, const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

error_reporter g_reporter = report_to_stderr;

}  // namespace

const char* CHalvexException::what() const noexcept { return "fatal study data error"; }

void CHalvexException::DisplayErrorMessage() const { g_reporter(code_, error_message_text(code_)); }

void ThrowHalvexException(std::int16_t code, failure where) { throw CHalvexException(code, std::move(where)); }

std::string error_message_text(std::int16_t code) {
    switch (code) {
    case kErrorOutOfMemory:
        return "There is not enough memory to complete the operation.";
    case kErrorCorruptIndex:
        return "The study's index file is damaged or incomplete.";
    case kErrorStudyFilesMissing:
        return "The study's data or index file cannot be opened.";
    case kErrorCorruptRecord:
        return "A record in the study's data file is damaged or incomplete.";
    default:
        return "An unexpected error occurred (code " + std::to_string(code) + ").";
    }
}

error_reporter set_error_reporter(error_reporter reporter) {
    error_reporter previous = g_reporter;
    g_reporter = reporter ? reporter : report_to_stderr;
    return previous;
}

}  // namespace oc
