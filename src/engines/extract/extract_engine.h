// The one engine behind prepare and examine: walks the study's answers of
// each requested question (with an answer_walk of its own, fextract's
// protocol), keeps what passes the request's filters, cleans each text and
// writes a coder data file (then its coder list entry) or an open-end
// listing.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engines/extract/extract_request.h"

namespace oc {

inline constexpr std::int16_t kExtractWritten = 0;
inline constexpr std::int16_t kExtractAlreadyCoded = 1;  // duplicate check found a coder file
inline constexpr std::int16_t kExtractFailed = -1;
inline constexpr std::int16_t kExtractNoData = -4;  // also the normal end of a listing run

// Called after every respondent call: the question being walked (from 0) and
// how many respondent calls it has made. For progress displays only.
using extract_progress = std::function<void(int question, long respondent_calls)>;

// Runs `request`. With `check` and include_data 1, first looks for requested
// questions already in a compatible coder file (result 1, nothing written).
// Results: 0 coder file written and listed; 1; -1 output not opened, a
// write error, a coder list read or update failure, a limit of the coder
// file format exceeded, or an unknown data-library error; -4 nothing
// qualified (the coder file is deleted) or a listing run ended. The
// data library's -2/-3/-4 throw CHalvexException 14/13/21, and running out of
// memory throws 9, each after the output file is deleted.
std::int16_t extract_responses(extract_request& request, bool check, const std::string& file_a,
                               const std::string& file_b, const std::string& list_path,
                               const std::string& backup_path, const extract_progress& progress = {});

// The text as written for a question of `type`, or nullopt when it is
// dropped: kept only with a space or for an open end; control bytes 7-13
// become spaces; with `strip_numeric` an OTHER text loses its leading digits
// and one space.
std::optional<std::string> clean_response_text(const std::string& text, std::int16_t type, bool strip_numeric);

}  // namespace oc
