#include "engines/journal/productivity.h"

#include <unistd.h>

#include <ctime>
#include <vector>

#include "suite/coding_journal.h"
#include "suite/csv_rows.h"
#include "suite/whole_number.h"

namespace oc {

namespace {

// What the figures need of the last line of a file and user.
struct last_line {
    long long seconds = 0;
    std::string how, new_codes, time;
};

}  // namespace

std::optional<long long> journal_seconds(const std::string& written) {
    // YYYY-MM-DDTHH:MM:SS+HH:MM, or Z for +00:00
    const std::string time = written.size() == 20 && written.back() == 'Z' ? written.substr(0, 19) + "+00:00" : written;
    if (time.size() != 25 || time[4] != '-' || time[7] != '-' || time[10] != 'T' || time[13] != ':' ||
        time[16] != ':' || (time[19] != '+' && time[19] != '-') || time[22] != ':')
        return std::nullopt;
    auto number = [&](std::size_t at, std::size_t length, long max) { return parse_whole(time.substr(at, length), 0, max); };
    auto year = number(0, 4, 9999), month = number(5, 2, 12), day = number(8, 2, 31), hour = number(11, 2, 23),
         minute = number(14, 2, 59), second = number(17, 2, 60), off_hours = number(20, 2, 23), off_minutes = number(23, 2, 59);
    if (!year || !month || !day || !hour || !minute || !second || !off_hours || !off_minutes || *month < 1 || *day < 1)
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = static_cast<int>(*year - 1900);
    fields.tm_mon = static_cast<int>(*month - 1);
    fields.tm_mday = static_cast<int>(*day);
    fields.tm_hour = static_cast<int>(*hour);
    fields.tm_min = static_cast<int>(*minute);
    fields.tm_sec = static_cast<int>(*second);
    const long long offset = (*off_hours * 3600 + *off_minutes * 60) * (time[19] == '-' ? -1 : 1);
    return static_cast<long long>(timegm(&fields)) - offset;
}

failure measure_productivity(const std::string& base, const std::string& from, const std::string& to,
                             productivity_table& table) {
    table.clear();
    const std::string path = journal_path(base);
    if (::access(path.c_str(), F_OK) != 0) return {};
    std::map<std::pair<std::string, std::string>, last_line> last;
    // Row by row as the CSV reader hands them over: only the figures stay.
    const study_result read = read_csv_rows(path, [&](const csv_row& row) -> study_result {
        if (row.number == 1) return study_result::success();  // the header
        // time,user,host,coder_file,question,respondent,sequence,roster,list_no,old_codes,new_codes,how
        const std::vector<std::string>& cells = row.cells;
        auto seconds = cells.size() == 12 ? journal_seconds(cells[0]) : std::nullopt;
        if (!seconds) return study_result::failure(path + " line " + std::to_string(row.number) + ": not a journal line");
        const std::string day = cells[0].substr(0, 10);
        const std::string& how = cells[11];
        if ((!from.empty() && day < from) || (!to.empty() && day > to) || how == "merge") return study_result::success();
        const auto key = std::pair{cells[3], cells[1]};
        productivity& figures = table[key];
        auto [previous, first] = last.try_emplace(key);
        if (!first) {
            const long long gap = *seconds - previous->second.seconds;
            if (gap > 0 && gap <= kIdleGapSeconds) figures.active_seconds += static_cast<long>(gap);
        }
        const bool taken_back = how == "undo" || how == "redo";
        if (!cells[10].empty() && !taken_back) ++figures.records_coded;
        if (!cells[9].empty() && !taken_back && cells[9] != cells[10]) ++figures.recoded;
        // The lines of one apply to many records share their time, kind and codes.
        const bool same_apply = !first && (how == "all" || how == "group") && previous->second.how == how &&
                                previous->second.time == cells[0] && previous->second.new_codes == cells[10];
        if (!taken_back && !same_apply) ++figures.decisions;
        previous->second = {*seconds, how, cells[10], cells[0]};
        return study_result::success();
    });
    if (!read.ok) return {read.message, path, {}};
    return {};
}

}  // namespace oc
