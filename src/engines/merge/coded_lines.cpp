#include "engines/merge/coded_lines.h"


#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "coderfile/coder_file.h"
#include "suite/csv_rows.h"
#include "suite/durable_file.h"
#include "suite/owned_files.h"
#include "suite/path_parts.h"

namespace oc {

namespace {

constexpr std::size_t kFieldsChars = 38;
constexpr std::size_t kColumnChars = 5;

// `value` right-justified in `width` characters, as "%<width>ld" writes it.
void put_number(std::string& out, long value, std::size_t width) {
    char digits[24];
    std::size_t n = 0;
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[n++] = '-';
    if (n < width) out.append(width - n, ' ');
    while (n > 0) out.push_back(digits[--n]);
}

// The fixed fields and code columns as a record with these values is laid
// out (written by hand: snprintf per field would double the merge's time).
void lay_out(const resp_record& record, int code_slots, std::string& out) {
    out.clear();
    put_number(out, record.sequence, 5);
    out.push_back(' ');
    put_number(out, record.respondent, 9);
    out.push_back(' ');
    std::size_t name_length = strnlen(record.qname, sizeof record.qname);
    if (name_length < 8) out.append(8 - name_length, ' ');
    out.append(record.qname, name_length);
    for (auto [value, width] : {std::pair<long, std::size_t>{record.roster, 3}, {record.list_no, 3},
                                {record.reserved, 2}, {record.codes_count, 2}}) {
        out.push_back(' ');
        put_number(out, value, width);
    }
    for (int i = 0; i < record.codes_count; ++i) put_number(out, record.codes[static_cast<std::size_t>(i)], 5);
    if (code_slots > record.codes_count)
        out.append(kColumnChars * static_cast<std::size_t>(code_slots - record.codes_count), ' ');
}

std::size_t digits(int value) { return std::to_string(value).size(); }

using respondent_key = std::pair<std::uint16_t, std::int32_t>;  // sequence, respondent

// The checks of each record line against the file's closing section and
// respondent list and against the lines before it; each says why a line is
// refused, or nothing.
class line_checks {
public:
    line_checks(const std::string& bytes, const quest_list& questions, std::vector<respondent_key> listed)
        : bytes_(bytes), questions_(questions), listed_(std::move(listed)), seen_(questions.size(), 0),
          loop_(questions.size(), -1), group_question_(listed_.size(), -1), hint_(listed_.begin()) {}

    // The line's question, in the file's order of questions.
    std::string find_question(const resp_record& record, std::size_t& index) {
        auto q = std::find_if(questions_.begin() + static_cast<long>(question_), questions_.end(),
                              [&](const quest_spec& spec) { return std::strcmp(spec.name, record.qname) == 0; });
        if (q == questions_.end()) {
            bool known = std::any_of(questions_.begin(), questions_.end(),
                                     [&](const quest_spec& spec) { return std::strcmp(spec.name, record.qname) == 0; });
            return known ? "question " + std::string(record.qname) + " out of the file's order"
                         : "question " + std::string(record.qname) + " is not one of the file's questions";
        }
        index = static_cast<std::size_t>(q - questions_.begin());
        if (index != question_) has_previous_ = false;
        question_ = index;
        if (++seen_[index] > q->record_count)
            return "more lines of " + std::string(q->name) + " than the closing section counts";
        return {};
    }

    std::string check_codes(const resp_record& record, const quest_spec& q) const {
        if (record.codes_count > q.max_codes)
            return std::to_string(record.codes_count) + " codes where " + std::string(q.name) + " takes " +
                   std::to_string(q.max_codes);
        for (int i = 0; i < record.codes_count; ++i) {
            std::int16_t code = record.codes[static_cast<std::size_t>(i)];
            if (code < 1 || code > 9999 || digits(code) > static_cast<std::size_t>(q.code_width))
                return "code column " + std::to_string(i + 1) + " does not hold a code of at most " +
                       std::to_string(q.code_width) + " digits";
        }
        return {};
    }

    // The line's bytes are exactly what writing the record would give.
    std::string check_layout(const resp_record& record, const quest_spec& q, long at) {
        lay_out(record, q.max_codes, layout_);
        std::size_t end = static_cast<std::size_t>(at) + layout_.size();
        if (layout_.size() != kFieldsChars + kColumnChars * static_cast<std::size_t>(q.max_codes) ||
            end >= bytes_.size() || bytes_.compare(static_cast<std::size_t>(at), layout_.size(), layout_) != 0 ||
            (bytes_[end] != ' ' && bytes_[end] != '\r' && bytes_[end] != '\n'))
            return "the fields are not laid out as the file's format lays them out";
        return {};
    }

    // The respondent is listed, and its answers stand as the extraction
    // writes them.
    std::string check_place(const resp_record& record, const quest_spec& q, std::size_t index) {
        // Most files list their respondents in the order their lines come.
        auto id = respondent_key{record.sequence, record.respondent};
        auto found =
            hint_ != listed_.end() && *hint_ == id ? hint_ : std::lower_bound(listed_.begin(), listed_.end(), id);
        hint_ = found == listed_.end() ? found : found + 1;
        if (found == listed_.end() || *found != id)
            return "respondent " + std::to_string(record.respondent) + " (sequence " +
                   std::to_string(record.sequence) + ") is not in the file's respondent list";
        // A question is in a loop or not (the import refuses a question with
        // and without roster), so its rosters are all 0 or none is.
        int in_loop = record.roster > 0 ? 1 : 0;
        if (loop_[index] >= 0 && loop_[index] != in_loop)
            return "roster " + std::to_string(record.roster) + " where the other answers to " + std::string(q.name) +
                   " have " + (in_loop ? "none" : "one");
        loop_[index] = in_loop;
        // The extraction writes one respondent's answers to a question
        // together, in rising roster and list number; anything else is a
        // changed digit.
        bool same_answer =
            has_previous_ && previous_.respondent == record.respondent && previous_.sequence == record.sequence;
        std::size_t respondent_at = static_cast<std::size_t>(found - listed_.begin());
        if (!same_answer) {
            if (group_question_[respondent_at] == static_cast<long>(index))
                return "respondent " + std::to_string(record.respondent) + "'s answers to " + std::string(q.name) +
                       " do not stand together";
            group_question_[respondent_at] = static_cast<long>(index);
        }
        bool follows = record.list_no >= 1 && (!same_answer || std::pair(record.roster, record.list_no) >
                                                                   std::pair(previous_.roster, previous_.list_no));
        if (!follows)
            return "roster " + std::to_string(record.roster) + ", list number " + std::to_string(record.list_no) +
                   " does not follow the line before";
        previous_ = {record.respondent, record.sequence, record.roster, record.list_no};
        has_previous_ = true;
        return {};
    }

    // Every question has as many lines as its closing section counts.
    std::string check_counts(const std::string& name) const {
        for (std::size_t i = 0; i < questions_.size(); ++i)
            if (seen_[i] != questions_[i].record_count)
                return name + ": " + std::to_string(seen_[i]) + " lines of " + questions_[i].name +
                       " where the closing section counts " + std::to_string(questions_[i].record_count);
        return {};
    }

private:
    const std::string& bytes_;
    const quest_list& questions_;
    const std::vector<respondent_key> listed_;
    std::size_t question_ = 0;                // the question whose lines are being read
    std::vector<long> seen_;
    std::vector<int> loop_;                   // -1 not yet known, 0 rosters 0, 1 rosters above 0
    std::vector<long> group_question_;        // the question whose answers a respondent last began
    std::vector<respondent_key>::const_iterator hint_;
    // The line before, as far as the order of one respondent's answers needs it.
    struct answer_place {
        std::int32_t respondent = 0;
        std::uint16_t sequence = 0;
        std::uint8_t roster = 0, list_no = 0;
    } previous_;
    bool has_previous_ = false;
    std::string layout_;
};

}  // namespace

std::string read_coded_lines(const std::string& coder_path, coded_lines& lines) {
    const std::string name = file_name_of(coder_path);
    std::string bytes;
    bool exists = false;
    if (!read_file_whole(coder_path, bytes, exists) || !exists || bytes.empty()) return "cannot read " + name;
    owned_file file(fmemopen(bytes.data(), bytes.size(), "rb"));
    if (!file) return "cannot read " + name;

    coder_spec spec;
    quest_list questions;
    std::int16_t question_count = 0;
    std::int32_t trailer = 0;
    if (read_coder_header(file.get(), spec, trailer) != 0) return name + ": lines 1 and 2 cannot be read";
    lines.status_at = static_cast<long>(bytes.find('\n')) + 1 + 10;
    if (read_coder_trailer(file.get(), spec, questions, question_count, trailer) != 0)
        return name + ": the closing section at offset " + std::to_string(trailer) + " cannot be read";
    std::vector<respondent_key> listed;
    listed.reserve(spec.resp_ids.size());
    for (const resp_id& id : spec.resp_ids) listed.push_back({id.sequence, id.respondent});
    std::sort(listed.begin(), listed.end());
    lines.total = spec.record_count;
    lines.records.clear();
    lines.records.reserve(static_cast<std::size_t>(std::max<std::int32_t>(spec.record_count, 0)));
    lines.maxima = questions;
    for (quest_spec& q : lines.maxima) q.record_count = q.last_record_coded = 0;
    if (read_coder_header(file.get(), spec, trailer) != 0) return name + ": lines 1 and 2 cannot be read";

    line_checks checks(bytes, questions, std::move(listed));
    resp_record record;
    long line_number = 2;
    for (;;) {
        long at = std::ftell(file.get());
        if (at < 0 || at >= trailer) break;
        ++line_number;
        auto refuse = [&](const std::string& why) {
            return name + " line " + std::to_string(line_number) + " (offset " + std::to_string(at) + "): " + why;
        };
        if (read_resp_record(file.get(), record) != 0) return refuse("not a record line");
        std::size_t index = 0;
        if (std::string why = checks.find_question(record, index); !why.empty()) return refuse(why);
        const quest_spec& q = questions[index];
        std::string why = checks.check_codes(record, q);
        if (why.empty()) why = checks.check_layout(record, q, at);
        if (why.empty()) why = checks.check_place(record, q, index);
        if (!why.empty()) return refuse(why);

        quest_spec& maxima = lines.maxima[index];
        maxima.record_count = std::max<std::int32_t>(maxima.record_count, record.roster);
        maxima.last_record_coded = std::max<std::int32_t>(maxima.last_record_coded, record.list_no);
        record.action = static_cast<std::uint8_t>(q.action);
        record.code_slots = static_cast<std::uint8_t>(q.max_codes);
        record.text.clear();
        lines.records.push_back(record);
    }
    return checks.check_counts(name);
}

}  // namespace oc
