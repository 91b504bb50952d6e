#include "engines/frame/code_frame.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

#include "suite/csv_rows.h"
#include "suite/path_parts.h"
#include "suite/whole_number.h"

namespace oc {

namespace {

constexpr std::array<std::string_view, 4> kColumns = {"question", "code", "label", "net"};

// One CSV record: its cells, and where its text starts and ends (line end
// included).
struct csv_record {
    std::vector<std::string> cells;
    std::size_t begin = 0, end = 0;
    int row = 0;
    bool blank = false;  // an empty line
};

bool at_line_end(std::string_view bytes, std::size_t at) { return at >= bytes.size() || bytes[at] == '\n' || bytes[at] == '\r'; }

std::size_t skip_line_end(std::string_view bytes, std::size_t at) {
    if (at < bytes.size() && bytes[at] == '\r') ++at;
    if (at < bytes.size() && bytes[at] == '\n') ++at;
    return at;
}

// Reads the record at `at`; on bad quoting names the cell (from 1) in
// `bad_cell`.
bool read_record(std::string_view bytes, std::size_t at, csv_record& record, int& bad_cell) {
    record = {};
    record.begin = at;
    record.blank = at_line_end(bytes, at);
    std::string cell;
    while (true) {
        cell.clear();
        if (at < bytes.size() && bytes[at] == '"') {
            ++at;
            while (true) {
                if (at >= bytes.size()) {
                    bad_cell = static_cast<int>(record.cells.size()) + 1;
                    return false;
                }
                if (bytes[at] == '"') {
                    if (at + 1 < bytes.size() && bytes[at + 1] == '"') {
                        cell += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                cell += bytes[at++];
            }
            if (!at_line_end(bytes, at) && bytes[at] != ',') {
                bad_cell = static_cast<int>(record.cells.size()) + 1;
                return false;
            }
        } else {
            while (!at_line_end(bytes, at) && bytes[at] != ',') {
                if (bytes[at] == '"') {
                    bad_cell = static_cast<int>(record.cells.size()) + 1;
                    return false;
                }
                cell += bytes[at++];
            }
        }
        record.cells.push_back(cell);
        if (at < bytes.size() && bytes[at] == ',') {
            ++at;
            continue;
        }
        break;
    }
    if (record.blank) record.cells.clear();
    record.end = skip_line_end(bytes, at);
    return true;
}

std::string lower_trimmed(std::string_view text) {
    std::size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
    if (first == std::string_view::npos) return {};
    std::string out(text.substr(first, last - first + 1));
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string cell_place(const std::string& file, int row, std::size_t column) {
    return file_name_of(file) + " row " + std::to_string(row) + ", column " + std::to_string(column + 1) + " (" +
           std::string(kColumns[column]) + "): ";
}

bool all_spaces(std::string_view text) { return text.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

std::optional<std::size_t> utf8_length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                                  : (lead & 0xF8) == 0xF0                 ? 3
                                                                          : 4;
        if (extra == 4 || i + extra >= text.size()) return std::nullopt;
        std::uint32_t point = lead & (0x7Fu >> extra);
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            point = (point << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and points past U+10FFFF are not UTF-8.
        static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (point < kLeast[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return std::nullopt;
        i += extra + 1;
    }
    return count;
}

std::string describe_codes(const code_frame& frame, std::string_view question, const std::vector<int>& codes) {
    std::string text;
    for (int code : codes) {
        const frame_code* known = frame.find(question, code);
        text += (text.empty() ? "" : "; ") + std::to_string(code) + " " + (known ? known->label : "(not in the code frame)");
    }
    return text;
}


bool code_frame::has_question(std::string_view question) const {
    return std::any_of(rows_.begin(), rows_.end(), [&](const frame_code& r) { return r.question == question; });
}

std::vector<const frame_code*> code_frame::codes_of(std::string_view question) const {
    std::vector<const frame_code*> codes;
    for (const frame_code& row : rows_)
        if (row.question == question) codes.push_back(&row);
    return codes;
}

std::vector<frame_net> code_frame::nets_of(std::string_view question) const {
    std::vector<frame_net> nets;
    for (const frame_code* code : codes_of(question)) {
        auto net = std::find_if(nets.begin(), nets.end(), [&](const frame_net& n) { return n.name == code->net; });
        if (net == nets.end()) net = nets.insert(nets.end(), frame_net{code->net, {}});
        net->codes.push_back(code);
    }
    return nets;
}

const frame_code* code_frame::find(std::string_view question, int code) const {
    auto row = std::find_if(rows_.begin(), rows_.end(),
                            [&](const frame_code& r) { return r.code == code && r.question == question; });
    return row == rows_.end() ? nullptr : &*row;
}

std::optional<int> code_frame::lowest_unused(std::string_view question) const {
    std::set<int> used;
    for (const frame_code& row : rows_)
        if (row.question == question) used.insert(row.code);
    for (int code = 1; code <= kMaxFrameCode; ++code)
        if (!used.count(code)) return code;
    return std::nullopt;
}

frame_fault code_frame::check_code(const frame_code& code, std::optional<std::size_t> ignore) const {
    const bool known = known_question ? known_question(code.question)
                                      : !code.question.empty() && code.question.size() <= 8;
    if (!known) return {frame_column::question, "no question \"" + code.question + "\" in the study"};
    if (code.code < 1 || code.code > kMaxFrameCode)
        return {frame_column::code, "the code " + std::to_string(code.code) + " is not from 1 to 9999"};
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (i != ignore && rows_[i].question == code.question && rows_[i].code == code.code)
            return {frame_column::code,
                    "the code " + std::to_string(code.code) + " of " + code.question + " is in the frame already"};
    if (all_spaces(code.label)) return {frame_column::label, "the label is empty"};
    auto length = utf8_length(code.label);
    if (!length) return {frame_column::label, "the label is not UTF-8 text"};
    if (*length > kMaxFrameLabel) return {frame_column::label, "the label is longer than 200 characters"};
    // Labels and nets are shown on one line beside a code box and in lists.
    if (code.label.find_first_of("\r\n") != std::string::npos) return {frame_column::label, "the label holds a line break"};
    if (code.net.find_first_of("\r\n") != std::string::npos) return {frame_column::net, "the net holds a line break"};
    auto net = utf8_length(code.net);
    if (!net) return {frame_column::net, "the net is not UTF-8 text"};
    if (*net > kMaxFrameLabel) return {frame_column::net, "the net is longer than 200 characters"};
    return {};
}

failure code_frame::add(frame_code code) {
    if (frame_fault fault = check_code(code)) return {fault.what, {}, {}};
    code.raw.clear();
    rows_.push_back(std::move(code));
    return {};
}

failure code_frame::change(std::string_view question, int code, frame_code changed) {
    const frame_code* row = find(question, code);
    if (!row) return {"the code " + std::to_string(code) + " of " + std::string(question) + " is not in the frame", {}, {}};
    const std::size_t at = static_cast<std::size_t>(row - rows_.data());
    if (frame_fault fault = check_code(changed, at)) return {fault.what, {}, {}};
    changed.raw.clear();
    rows_[at] = std::move(changed);
    return {};
}

failure code_frame::remove(std::string_view question, int code) {
    const frame_code* row = find(question, code);
    if (!row) return {"the code " + std::to_string(code) + " of " + std::string(question) + " is not in the frame", {}, {}};
    rows_.erase(rows_.begin() + (row - rows_.data()));
    return {};
}

void code_frame::move(std::string_view question, int code, int steps) {
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].question == question) places.push_back(i);
    auto from = std::find_if(places.begin(), places.end(), [&](std::size_t i) { return rows_[i].code == code; });
    if (from == places.end()) return;
    const long index = from - places.begin();
    const long to = std::clamp<long>(index + steps, 0, static_cast<long>(places.size()) - 1);
    // Rotate the question's rows among the places they hold.
    std::vector<frame_code> mine;
    for (std::size_t i : places) mine.push_back(std::move(rows_[i]));
    if (to > index)
        std::rotate(mine.begin() + index, mine.begin() + index + 1, mine.begin() + to + 1);
    else if (to < index)
        std::rotate(mine.begin() + to, mine.begin() + index, mine.begin() + index + 1);
    for (std::size_t k = 0; k < places.size(); ++k) rows_[places[k]] = std::move(mine[k]);
}

std::string code_frame::to_csv(std::optional<std::string_view> question) const {
    std::string out(kFrameHeader);
    out += header_end_;
    for (const frame_code& row : rows_) {
        if (question && row.question != *question) continue;
        // A last row read without a line end gets one when more follow.
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
        if (!row.raw.empty()) {
            out += row.raw;
            continue;
        }
        out += csv_cell(row.question) + ',' + std::to_string(row.code) + ',' + csv_cell(row.label) + ',' +
               csv_cell(row.net) + "\r\n";
    }
    return out;
}

failure parse_frame(std::string_view bytes, const std::string& file, code_frame& frame) {
    frame.rows_.clear();
    code_frame read;
    read.known_question = frame.known_question;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    auto fail = [&](std::string what) { return failure{std::move(what), file, {}}; };
    csv_record record;
    int bad_cell = 0;
    std::size_t at = 0;
    int row = 0;
    // The header: the four names, whatever their case, spaces or quotes.
    if (!read_record(bytes, at, record, bad_cell))
        return fail(file_name_of(file) + " row 1, column " + std::to_string(bad_cell) + ": badly quoted cell");
    ++row;
    bool header_ok = record.cells.size() == kColumns.size();
    for (std::size_t i = 0; header_ok && i < kColumns.size(); ++i) header_ok = lower_trimmed(record.cells[i]) == kColumns[i];
    if (!header_ok) return fail(file_name_of(file) + " row 1: the header is not question,code,label,net");
    // The header's own line end, kept for the export.
    std::size_t text_end = record.end;
    while (text_end > record.begin && (bytes[text_end - 1] == '\n' || bytes[text_end - 1] == '\r')) --text_end;
    read.header_end_ = std::string(bytes.substr(text_end, record.end - text_end));
    at = record.end;
    while (at < bytes.size()) {
        ++row;
        if (!read_record(bytes, at, record, bad_cell))
            return fail(file_name_of(file) + " row " + std::to_string(row) + ", column " + std::to_string(bad_cell) +
                        ": badly quoted cell");
        if (record.blank) {
            // Kept with the row before, so that the export gives it back.
            if (!read.rows_.empty()) read.rows_.back().raw.append(bytes.substr(record.begin, record.end - record.begin));
            else read.header_end_.append(bytes.substr(record.begin, record.end - record.begin));
            at = record.end;
            continue;
        }
        if (record.cells.size() != kColumns.size())
            return fail(file_name_of(file) + " row " + std::to_string(row) + ": " + std::to_string(record.cells.size()) +
                        " cells, not 4 (question,code,label,net)");
        frame_code code;
        code.question = record.cells[0];
        auto number = parse_whole(record.cells[1], 1, kMaxFrameCode);
        if (!number) return fail(cell_place(file, row, 1) + "\"" + record.cells[1] + "\" is not a code from 1 to 9999");
        code.code = static_cast<int>(*number);
        code.label = record.cells[2];
        code.net = record.cells[3];
        if (frame_fault fault = read.check_code(code))
            return fail(cell_place(file, row, static_cast<std::size_t>(fault.column)) + fault.what);
        code.raw = std::string(bytes.substr(record.begin, record.end - record.begin));
        read.rows_.push_back(std::move(code));
        at = record.end;
    }
    frame.rows_ = std::move(read.rows_);
    frame.header_end_ = std::move(read.header_end_);
    return {};
}

}  // namespace oc
