// coded_lookup answers from one read of the coder list; is_response_coded
// reads the list for every question. Both must give the same answer for
// every respondent and question, also for a list whose tail cannot be read.
#include <algorithm>
#include <cstdio>
#include <random>

#include <gtest/gtest.h>

#include "engines/extract/coded_lookup.h"
#include "test_support.h"

namespace {

std::string le(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// One coder list entry as stored: the 280-byte image (name, status,
// respondent count, interviews, question count, record count), then the
// respondents (sequence, two zero bytes, respondent) and the 8-byte names.
std::string entry(const char* name, std::vector<std::uint32_t> respondents, std::vector<std::string> questions) {
    std::string image(name);
    image.resize(256, '\0');
    image += le(0, 2) + le(static_cast<std::uint32_t>(respondents.size()), 2) + le(0, 4) + le(0, 2) +
             le(static_cast<std::uint32_t>(questions.size()), 2) + le(0, 4) + le(1, 4) + le(0, 4);
    for (std::uint32_t r : respondents) image += le(1, 2) + le(0, 2) + le(r, 4);
    for (std::string q : questions) {
        q.resize(8, '\0');
        image += q;
    }
    return image;
}

void write_list(const std::string& path, const std::vector<std::string>& entries, std::uint32_t count) {
    std::string bytes = le(count, 4);
    for (const std::string& e : entries) bytes += e;
    octest::write_bytes(path, bytes);
}

// Every question and respondent of interest, asked in a shuffled order so
// that the lookup's remembered question keeps changing.
void expect_same_answers(const std::string& list) {
    const char* const questions[] = {"Q1", "q1", "Q2", "LONGNAME", "longname", "Q3", "", "NONE"};
    std::vector<std::pair<std::uint32_t, const char*>> asks;
    for (std::uint32_t r : {0u, 1u, 2u, 5u, 7u, 10u, 11u, 99u, 100u, 4000000000u})
        for (const char* q : questions) asks.emplace_back(r, q);
    std::mt19937 random(3);
    std::shuffle(asks.begin(), asks.end(), random);
    // Some questions asked several times in a row, as the engine does; the
    // empty name first of all, before any question was remembered.
    asks.insert(asks.begin() + 10, 5, asks[10]);
    asks.insert(asks.begin(), {5, ""});

    auto expect_same = [&](oc::coded_lookup& lookup, const char* which) {
        for (const auto& [respondent, question] : asks)
            EXPECT_EQ(oc::is_response_coded(list, respondent, question), lookup.is_response_coded(respondent, question))
                << which << ": respondent " << respondent << ", question \"" << question << "\"";
    };
    oc::coded_lookup whole(list);
    expect_same(whole, "whole");
    // Keeping only respondents 5..11, as for a run limited to them: asked
    // about those (and 0) first, then about others as well.
    std::stable_partition(asks.begin(), asks.end(),
                          [](const auto& ask) { return ask.first == 0 || (ask.first >= 5 && ask.first <= 11); });
    oc::coded_lookup ranged(list, 5, 11);
    expect_same(ranged, "5..11");
}

TEST(CodedLookup, AnswersAsTheListFileDoes) {
    octest::ScratchDir dir;
    std::string list = dir.file("S.cdl");
    std::vector<std::string> entries{
        entry("S.001", {10, 2, 7}, {"Q1"}),                 // respondents out of order
        entry("S.002", {7, 11, 100}, {"Q1", "q1", "Q2"}),   // a question twice, another case
        entry("S.003", {}, {"LONGNAME"}),                   // no respondents, still an answer for respondent 0
        entry("S.004", {5, 99}, {""}),                      // an empty name
        entry("S.005", {1}, {}),                            // no questions
    };
    write_list(list, entries, static_cast<std::uint32_t>(entries.size()));
    expect_same_answers(list);
    // The list reads: answers of both kinds, not failures.
    oc::coded_lookup lookup(list);
    EXPECT_EQ(1, lookup.is_response_coded(2, "q1"));
    EXPECT_EQ(1, lookup.is_response_coded(100, "Q1"));
    EXPECT_EQ(0, lookup.is_response_coded(5, "Q1"));
    EXPECT_EQ(1, lookup.is_response_coded(0, "longname"));
}

TEST(CodedLookup, AnUnreadableTailOnlyMattersWhenNothingEarlierAnswers) {
    octest::ScratchDir dir;
    std::string list = dir.file("S.cdl");
    std::vector<std::string> entries{entry("S.001", {1, 2}, {"Q1"}), entry("S.002", {5}, {"Q2"}),
                                     entry("S.003", {10}, {"Q1", "Q3"})};
    write_list(list, entries, static_cast<std::uint32_t>(entries.size()));
    std::string bytes = octest::read_bytes(list);
    // Cut inside the last entry, and a count that promises one entry more.
    octest::write_bytes(list, bytes.substr(0, bytes.size() - 5));
    expect_same_answers(list);
    write_list(list, entries, static_cast<std::uint32_t>(entries.size()) + 1);
    expect_same_answers(list);
    // No list at all holds nothing; an empty file cannot be read.
    std::remove(list.c_str());
    expect_same_answers(list);
    octest::write_bytes(list, "");
    expect_same_answers(list);
}

}  // namespace
