#include "engines/journal/productivity.h"

#include <ctime>
#include <fstream>
#include <vector>

#include "suite/coding_journal.h"
#include "suite/whole_number.h"

namespace oc {

namespace {

// The cells of one CSV line (no line breaks inside cells: the journal never
// writes one).
bool split_csv_line(const std::string& line, std::vector<std::string>& cells) {
    cells.clear();
    std::string cell;
    bool quoted = false, was_quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"' && cell.empty() && !was_quoted) {
            quoted = was_quoted = true;
        } else if (c == ',') {
            cells.push_back(cell);
            cell.clear();
            was_quoted = false;
        } else {
            cell += c;
        }
    }
    if (quoted) return false;
    cells.push_back(cell);
    return true;
}

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
    std::ifstream journal(path, std::ios::binary);
    if (!journal) return {};
    std::map<std::pair<std::string, std::string>, last_line> last;
    std::vector<std::string> cells;
    std::string line;
    long number = 0;
    while (std::getline(journal, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) continue;  // the header
        // time,user,host,coder_file,question,respondent,sequence,roster,list_no,old_codes,new_codes,how
        auto seconds = split_csv_line(line, cells) && cells.size() == 12 ? journal_seconds(cells[0]) : std::nullopt;
        if (!seconds)
            return {path + " line " + std::to_string(number) + ": not a journal line", path, {}};
        const std::string day = cells[0].substr(0, 10);
        if ((!from.empty() && day < from) || (!to.empty() && day > to)) continue;
        const std::string& how = cells[11];
        if (how == "merge") continue;
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
    }
    return {};
}

}  // namespace oc
