// The parts of an answer_walk that read the study: how respondents are
// found and their versions read (whole, or through file windows) and what
// is kept of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "suite/failure.h"
#include "suite/study_format.h"
#include "suite/study_reader.h"

namespace oc {

// One respondent's answers to the walked question, by roster: a later
// version's variable of the same roster replaces the earlier one. Texts are
// viewed where the source read them, most respondents' texts being read
// once and never asked for; a source calls keep_texts() before it reuses
// memory that texts view. Memory is kept from one respondent to the next.
class answer_groups {
public:
    void clear();
    // Starts the group of `roster`, replacing any group of that roster.
    void start(std::uint8_t roster);
    // Appends a text to the group started last.
    void add(std::string_view text) {
        texts_.push_back(text);
        ++groups_.back().count;
    }
    // Copies every text viewed into memory of the groups' own.
    void keep_texts();

    // Copies the group the roster protocol asks for into `buffer`, texts
    // back to back and NUL-terminated: with `from` 0 the first non-empty
    // loop iteration, else the group outside loops; with `from` >= 1 the
    // first non-empty iteration numbered `from` or later. Sets `roster` to
    // the iteration's number (0 for the group outside loops or none).
    // Returns the number of texts, 0 for no group, or -1 when the texts do
    // not fit in `capacity` bytes (nothing written). A null buffer only
    // counts them.
    int copy_group(std::int32_t from, char* buffer, std::size_t capacity, std::int32_t& roster) const;

private:
    struct group {
        std::uint8_t roster;
        std::uint32_t first;  // into texts_
        std::uint32_t count;
    };
    const group* find(std::int32_t from) const;

    std::vector<group> groups_;  // few per respondent
    std::vector<std::string_view> texts_;
    // What keep_texts() copied, and the buffer of its copy before. Vectors,
    // since swapping strings would move short ones' bytes from under the views.
    std::vector<char> kept_, spare_;
};

// Interview filter 1 all, 2 completes only, 3 incompletes only.
inline bool passes_interview_filter(std::int16_t filter, std::uint8_t status) {
    bool complete = status == kInterviewComplete;
    if (filter == 2) return complete;
    if (filter == 3) return !complete;
    return true;
}

class answer_source {
public:
    virtual ~answer_source() = default;

    // What the last bad_index or bad_record was: the file and, where the
    // source knows it, the byte where the damage was found.
    const failure& damage() const { return damage_; }

    // Opens the study (closing what was open) for a walk of `question` under
    // interview `filter`; failures as study_reader's.
    virtual study_status open(const std::string& idx_path, const std::string& dat_path, const std::string& question,
                              std::int16_t filter) = 0;
    virtual void close() = 0;

    // Reads the next respondent, in .idx order of generation-1 entries,
    // whose first version's interview status passes the filter, with its
    // versions through the index chain, keeping the question's variables in
    // `groups`. ok, end, or the first failure met. The checks and their
    // order are study_reader's: each version whole before its chain link is
    // followed; a respondent filtered out has only its first version read.
    virtual study_status next_respondent(answer_groups& groups, std::uint32_t& respondent,
                                         std::uint16_t& sequence) = 0;

protected:
    failure damage_;
};

}  // namespace oc
