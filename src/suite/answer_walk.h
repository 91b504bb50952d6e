// A question's answers respondent by respondent, with fextract's modes,
// results and return codes (see data_library.h), from a walk object of the
// caller's own rather than the one walk fextract keeps for everyone.
//
// fextract reads every version whole through study_reader; an answer_walk
// by default reads the study through file windows instead and picks out the
// asked question's values while checking each version just as strictly, so
// a walk over a large study costs little more than reading its files once.
// Both give the same answers and the same errors for any files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "suite/failure.h"

namespace oc {

class answer_source;   // how the walk reads respondents (suite/answer_source.h)
class answer_groups;   // the current respondent's answers, by roster

class answer_walk {
public:
    answer_walk();
    explicit answer_walk(std::unique_ptr<answer_source> source);
    ~answer_walk();
    answer_walk(const answer_walk&) = delete;
    answer_walk& operator=(const answer_walk&) = delete;

    // fextract without its unused arguments; made of the steps below.
    std::int16_t fetch(std::int16_t mode, const char* question, char* buffer, const char* idx_path,
                       const char* dat_path, std::uint32_t* respondent, std::int32_t* sequence, std::int16_t* type,
                       std::int16_t interview_filter, std::int32_t* roster);

    // The walk in steps, for a caller that passes most respondents over
    // without their texts. start() is mode -1 up to the first respondent:
    // 0, or fetch's result (*type set as fetch sets it). next() reads the
    // next respondent: 1, or fetch's result for mode 1. group() answers as
    // fetch does for a respondent read (`from` 0 for mode 1's group, else
    // mode 0's), -4 included; with a null buffer it only counts the texts.
    std::int16_t start(const char* question, const char* idx_path, const char* dat_path,
                       std::int16_t interview_filter, std::int16_t* type);
    std::int16_t next();
    std::int16_t group(std::int32_t from, char* buffer, std::int32_t* roster);
    std::uint32_t respondent() const { return respondent_; }
    std::uint16_t sequence() const { return sequence_; }

    // Ends the walk and closes the study's files.
    void stop();

    // Where the walk found the study damaged, after a -3 or -4.
    const failure& damage() const;

private:
    bool is_walked_question(const char* question) const;

    std::unique_ptr<answer_source> source_;
    std::unique_ptr<answer_groups> groups_;
    bool active_ = false;
    std::string question_;
    std::int16_t type_ = 0;
    std::uint32_t respondent_ = 0;
    std::uint16_t sequence_ = 0;
};

}  // namespace oc
