// A reproducible random sample of each question's qualifying answers, for a
// second coder's check of a first coder's work. Each answer gets a number
// from the seed and its own key (question, respondent, sequence, roster,
// list number); a question keeps its `size` answers with the smallest
// numbers. The draw depends on the seed and the answers only, never on the
// order they are read in, and an answer drawn once is drawn again while it
// still qualifies and the sample size stays the same.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oc {

// How many of each question's qualifying answers: a number, or a percentage
// (the smallest whole number of answers that is at least that share).
struct sample_size {
    bool percent = false;
    std::int64_t amount = 0;  // answers, or hundredths of a percent (1 to 10000)
};

// "N" (1 to 1,000,000,000) or "P%" (above 0, at most 100, up to two
// decimals); nullopt for anything else.
std::optional<sample_size> parse_sample_size(std::string_view text);

// What was drawn of one question.
struct question_sample {
    std::string question;
    long drawn = 0;
    long qualifying = 0;
};

class answer_sample {
public:
    answer_sample(sample_size size, std::uint64_t seed) : size_(size), seed_(seed) {}

    // Forgets what an earlier run drew.
    void restart();
    // The extraction offers each qualifying answer of a question once, then
    // asks choose(), then asks keep() of each one as it meets them again.
    void start_question(const char* question);
    void offer(std::uint16_t sequence, std::uint32_t respondent, std::int32_t roster, int list_no);
    void choose();
    bool keep(std::uint16_t sequence, std::uint32_t respondent, std::int32_t roster, int list_no);

    const std::vector<question_sample>& drawn() const { return drawn_; }
    std::uint64_t seed() const { return seed_; }
    sample_size size() const { return size_; }

    // "Check sample, seed 7: Q1 23 of 226 answers; Q2 5 of 5 answers"
    std::string summary() const;

private:
    std::uint64_t rank(std::uint16_t sequence, std::uint32_t respondent, std::int32_t roster, int list_no) const;

    sample_size size_;
    std::uint64_t seed_;
    std::uint64_t question_hash_ = 0;
    std::vector<std::uint64_t> ranks_;  // the question's answers while offered
    std::uint64_t cut_ = 0;             // the largest rank kept
    long to_keep_ = 0;                  // left to keep; ties at the cut go to the first met
    std::vector<question_sample> drawn_;
};

}  // namespace oc
