// Codes written into many records of one question at once, through the
// coding session's open cursor, and taken back again: "apply to all the
// same", and undo and redo of every save of a coding session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "coderfile/coder_types.h"
#include "coderfile/cursor.h"
#include "engines/groups/answer_groups.h"
#include "suite/failure.h"

namespace oc {

// The codes of one record (record number from 1 within the question).
struct record_codes {
    std::int32_t record = 0;
    std::vector<std::int16_t> codes;
    friend bool operator==(const record_codes&, const record_codes&) = default;
};

// What giving `codes` to every record of `group` writes: each record that
// does not hold exactly these codes. Of those, how many hold other codes
// (the coder is asked before they are replaced) and the first of them, for
// an example; `shown`, the record on screen, is not asked about.
struct group_codes_plan {
    std::vector<record_codes> writes;
    std::size_t coded_otherwise = 0;
    const question_record* example = nullptr;
};
group_codes_plan plan_group_codes(const std::vector<question_record>& records, const answer_group& group,
                                  const std::vector<std::int16_t>& codes, std::int32_t shown = 0);

// Writes each record's codes (1..9999, at most quest.max_codes of them) in
// place through `cursor`, open on `quest`'s records, in ascending record
// order: one pass forward over the file. `before` gets each record's codes
// as they were. quest.last_record_coded rises as saving the records one by
// one would (to a record given codes); line 2 and the trailer are the
// caller's, as after any coding. Stops at the first record that cannot be
// read or written (the failure names it); the records before it stay
// written and are in `before`.
failure write_codes(coder_cursor& cursor, quest_spec& quest, std::vector<record_codes> writes,
                    std::vector<record_codes>& before);

// One save of a coding session: what the records held before and after,
// and the question's last record coded before and after.
struct coding_step {
    std::vector<record_codes> before, after;
    std::int32_t last_coded_before = 0, last_coded_after = 0;
};

// The saves of one run of the coding dialog, newest last, to take back
// (undo) and do again (redo). A new save drops what was taken back.
class coding_history {
public:
    static constexpr std::size_t kLevels = 100;

    void record(coding_step step);
    bool can_undo() const { return done_ > 0; }
    bool can_redo() const { return done_ < steps_.size(); }
    // The step undo or redo would write back, for the caller to follow its
    // records; null when there is none.
    const coding_step* undo_step() const { return can_undo() ? &steps_[done_ - 1] : nullptr; }
    const coding_step* redo_step() const { return can_redo() ? &steps_[done_] : nullptr; }

    // Writes back the codes of the last save (undo) or of the last save taken
    // back (redo) and sets quest.last_record_coded as it was. `shown` gets
    // the first record the step wrote, for the dialog to show. A failure
    // leaves the step where it was.
    failure undo(coder_cursor& cursor, quest_spec& quest, std::int32_t& shown);
    failure redo(coder_cursor& cursor, quest_spec& quest, std::int32_t& shown);

private:
    failure restore(coder_cursor& cursor, quest_spec& quest, const std::vector<record_codes>& codes,
                    std::int32_t last_coded);
    std::deque<coding_step> steps_;
    std::size_t done_ = 0;  // steps_[0..done_) are in effect
};

}  // namespace oc
