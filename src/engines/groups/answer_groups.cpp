#include "engines/groups/answer_groups.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <unordered_map>

#include "coderfile/coder_types.h"
#include "coderfile/record_briefs.h"

namespace oc {

namespace {

// Lower case by the Unicode tables of the C.UTF-8 locale, whatever the
// process's own locale; made once.
locale_t unicode_ctype() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

// The code point at `at` and its length; a byte that does not start valid
// UTF-8 is taken alone, as a point of its own that nothing folds.
std::pair<char32_t, std::size_t> decode(std::string_view text, std::size_t at, bool& valid) {
    const auto lead = static_cast<unsigned char>(text[at]);
    valid = true;
    if (lead < 0x80) return {lead, 1};
    const std::size_t extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
    char32_t point = lead & (0x3F >> extra);
    bool ok = extra > 0 && at + extra < text.size();
    for (std::size_t k = 1; ok && k <= extra; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        ok = (next & 0xC0) == 0x80;
        point = (point << 6) | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || point < kLeast[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        valid = false;
        return {lead, 1};
    }
    return {point, extra + 1};
}

void encode(char32_t point, std::string& out) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

bool is_space(char32_t point) {
    if (point == 0xA0) return true;  // typed as a space, shown as one
    const locale_t locale = unicode_ctype();
    return locale ? iswspace_l(static_cast<wint_t>(point), locale) != 0 : (point == ' ' || (point >= '\t' && point <= '\r'));
}

// Case folding: the lower case, with the folds that are not a lower case of
// their own (sharp s to "ss", final sigma to sigma).
void fold_into(char32_t point, std::string& out) {
    if (point == 0xDF || point == 0x1E9E) {
        out += "ss";
        return;
    }
    if (point == 0x3C2) point = 0x3C3;
    const locale_t locale = unicode_ctype();
    if (locale) point = static_cast<char32_t>(towlower_l(static_cast<wint_t>(point), locale));
    else if (point >= 'A' && point <= 'Z') point += 'a' - 'A';
    encode(point, out);
}

bool is_trailing_mark(char c) { return c == '.' || c == ',' || c == ';' || c == ':' || c == '!' || c == '?'; }

}  // namespace

std::string normalise_answer(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool pending_space = false;
    for (std::size_t at = 0; at < text.size();) {
        bool valid = true;
        auto [point, length] = decode(text, at, valid);
        if (!valid) {
            if (pending_space && !out.empty()) out += ' ';
            pending_space = false;
            out += text[at];
        } else if (is_space(point)) {
            pending_space = true;
        } else {
            if (pending_space && !out.empty()) out += ' ';
            pending_space = false;
            fold_into(point, out);
        }
        at += length;
    }
    // Trailing marks and the spaces between them, in any order.
    while (!out.empty() && (is_trailing_mark(out.back()) || out.back() == ' ')) out.pop_back();
    return out;
}

std::optional<std::vector<question_record>> read_question_records(const std::string& coder_path,
                                                                  const std::string& question) {
    std::vector<question_record> records;
    const bool read = for_each_record(coder_path, [&](const resp_record& record) {
        if (question != record.qname) return;
        const auto count = std::min<int>(record.codes_count, kMaxCodes);
        records.push_back({record.respondent, record.sequence, record.roster, record.list_no,
                           std::vector<std::int16_t>(record.codes.begin(), record.codes.begin() + count), record.text});
    });
    if (!read) return std::nullopt;
    return records;
}

int answers_in_list(const std::vector<question_record>& records, std::size_t index) {
    if (index >= records.size()) return 0;
    auto same = [&](const question_record& other) {
        const question_record& at = records[index];
        return other.respondent == at.respondent && other.sequence == at.sequence && other.roster == at.roster;
    };
    std::size_t first = index, last = index;
    while (first > 0 && same(records[first - 1])) --first;
    while (last + 1 < records.size() && same(records[last + 1])) ++last;
    return static_cast<int>(last - first + 1);
}

question_groups group_answers(const std::vector<question_record>& records) {
    question_groups grouped;
    std::unordered_map<std::string, std::size_t> index;
    std::vector<std::size_t> first_order;
    grouped.group_of.resize(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        std::string answer = normalise_answer(records[k].text);
        auto [at, fresh] = index.try_emplace(std::move(answer), grouped.groups.size());
        if (fresh) grouped.groups.push_back({at->first, {}, 0});
        answer_group& group = grouped.groups[at->second];
        group.records.push_back(static_cast<std::int32_t>(k + 1));
        if (!records[k].codes.empty()) ++group.coded;
        grouped.group_of[k] = at->second;
    }
    // Sorted, with each record's group index following its group.
    std::vector<std::size_t> order(grouped.groups.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const answer_group &ga = grouped.groups[a], &gb = grouped.groups[b];
        if (ga.records.size() != gb.records.size()) return ga.records.size() > gb.records.size();
        return ga.answer < gb.answer;
    });
    std::vector<std::size_t> moved_to(order.size());
    std::vector<answer_group> sorted;
    sorted.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        moved_to[order[i]] = i;
        sorted.push_back(std::move(grouped.groups[order[i]]));
    }
    grouped.groups = std::move(sorted);
    for (std::size_t& g : grouped.group_of) g = moved_to[g];
    return grouped;
}

}  // namespace oc
