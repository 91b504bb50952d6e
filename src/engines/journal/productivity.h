// Coders' throughput from the coding journal: per coder file and user, what
// was coded, how many decisions it took and in how much active time.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>

#include "suite/failure.h"

namespace oc {

// Gaps longer than this between a user's lines are time away, not coding.
inline constexpr long kIdleGapSeconds = 5 * 60;

struct productivity {
    long records_coded = 0;   // changes that left a record with codes
    long decisions = 0;       // a save, a batch row's record, or one apply to many records
    long recoded = 0;         // records given other codes after they had codes
    long active_seconds = 0;  // time between a user's lines, gaps over kIdleGapSeconds left out
    double records_per_hour() const { return active_seconds > 0 ? records_coded * 3600.0 / active_seconds : 0; }
};

// By (coder file, user), in that order.
using productivity_table = std::map<std::pair<std::string, std::string>, productivity>;

// Reads the journal of the study DIR/NAME line by line, keeping only the
// figures (lines of other days than from..to, dates YYYY-MM-DD inclusive
// and empty for no bound, are passed over). A study without a journal has
// an empty table. Fails naming the file and line of a line that is not a
// journal line.
failure measure_productivity(const std::string& base, const std::string& from, const std::string& to,
                             productivity_table& table);

// Seconds since the epoch of an ISO 8601 time with its offset
// ("2026-12-07T09:30:00+01:00", or "...Z" for UTC); none when it is not one.
std::optional<long long> journal_seconds(const std::string& time);

}  // namespace oc
