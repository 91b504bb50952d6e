#include "engines/extract/answer_sample.h"

#include <algorithm>
#include <cstring>

#include "suite/whole_number.h"

namespace oc {

namespace {

// splitmix64's finaliser: every input bit moves about half the output bits,
// so neighbouring respondents get unrelated ranks.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

}  // namespace

std::optional<sample_size> parse_sample_size(std::string_view text) {
    sample_size size;
    if (!text.empty() && text.back() == '%') {
        text.remove_suffix(1);
        std::string_view whole = text.substr(0, text.find('.'));
        std::string_view fraction = whole.size() < text.size() ? text.substr(whole.size() + 1) : std::string_view{};
        if (whole.size() < text.size() && (fraction.empty() || fraction.size() > 2)) return std::nullopt;
        std::optional<std::int64_t> units = parse_whole(whole, 0, 100);
        std::optional<std::int64_t> parts = fraction.empty() ? 0 : parse_whole(fraction, 0, 99);
        if (!units || !parts) return std::nullopt;
        size.percent = true;
        size.amount = *units * 100 + *parts * (fraction.size() == 1 ? 10 : 1);
        if (size.amount < 1 || size.amount > 10000) return std::nullopt;
        return size;
    }
    std::optional<std::int64_t> count = parse_whole(text, 1, 1000000000);
    if (!count) return std::nullopt;
    size.amount = *count;
    return size;
}

void answer_sample::restart() { drawn_.clear(); }

void answer_sample::start_question(const char* question) {
    question_hash_ = mix(seed_);
    for (const char* c = question; *c; ++c) question_hash_ = mix(question_hash_ ^ static_cast<unsigned char>(*c));
    drawn_.push_back({question, 0, 0});
}

std::uint64_t answer_sample::rank(std::uint16_t sequence, std::uint32_t respondent, std::int32_t roster,
                                  int list_no) const {
    std::uint64_t h = mix(question_hash_ ^ (static_cast<std::uint64_t>(sequence) << 32 | respondent));
    return mix(h ^ (static_cast<std::uint64_t>(static_cast<std::uint32_t>(roster)) << 32 |
                    static_cast<std::uint32_t>(list_no)));
}

void answer_sample::offer(std::uint16_t sequence, std::uint32_t respondent, std::int32_t roster, int list_no) {
    ranks_.push_back(rank(sequence, respondent, roster, list_no));
}

void answer_sample::choose() {
    auto qualifying = static_cast<std::int64_t>(ranks_.size());
    // Whole answers only, never fewer than the share asked for.
    std::int64_t wanted = size_.percent ? (size_.amount * qualifying + 9999) / 10000 : size_.amount;
    to_keep_ = static_cast<long>(std::min(wanted, qualifying));
    cut_ = 0;
    if (to_keep_ > 0) {
        auto nth = ranks_.begin() + (to_keep_ - 1);
        std::nth_element(ranks_.begin(), nth, ranks_.end());
        cut_ = *nth;
    }
    drawn_.back().qualifying = static_cast<long>(qualifying);
    ranks_ = {};
}

bool answer_sample::keep(std::uint16_t sequence, std::uint32_t respondent, std::int32_t roster, int list_no) {
    if (to_keep_ == 0 || rank(sequence, respondent, roster, list_no) > cut_) return false;
    --to_keep_;
    ++drawn_.back().drawn;
    return true;
}

std::string answer_sample::summary() const {
    std::string text = "Check sample, seed " + std::to_string(seed_) + ":";
    for (std::size_t i = 0; i < drawn_.size(); ++i) {
        const question_sample& q = drawn_[i];
        text += (i ? "; " : " ") + q.question + " " + std::to_string(q.drawn) + " of " +
                std::to_string(q.qualifying) + (q.qualifying == 1 ? " answer" : " answers");
    }
    return text;
}

}  // namespace oc
