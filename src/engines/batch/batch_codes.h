// Codes for many records of one coder data file at once, from a CSV file:
// the batch equivalent of a coding pass.
#pragma once

#include <string>
#include <vector>

#include "suite/coding_journal.h"

namespace oc {

class code_frame;

struct batch_result {
    bool ok = false;
    int coded = 0;        // records written
    std::string message;  // what was refused or failed
    std::vector<journal_change> changes;  // each record written, for the journal ("batch")
};

// Reads CODES_CSV (header question,respondent,roster,list_no,codes and an
// optional sequence column; codes separated by spaces, an empty cell clears
// the record), checks every row against the coder file first — each row
// must match exactly one record, codes 1-9999 with at most code_width digits
// and at most max_codes of them, no record twice — and only then writes the
// codes in place through the coder cursor, raises each question's
// last_record_coded as saving the records in file order would, and rewrites
// the status, line 2 and the trailer. On any refusal nothing is written.
// With a `strict` frame every code must also be one of that frame's codes of
// the row's question.
batch_result apply_batch_codes(const std::string& coder_path, const std::string& codes_csv,
                               const code_frame* strict = nullptr);

// The same for a CODES_CSV with the header question,answer,codes: each row
// codes every record of its question whose answer is the same as the row's
// (engines/groups/answer_groups.h); a row that matches no record, or the
// records of an earlier row, is refused, as are codes `apply_batch_codes`
// refuses.
batch_result apply_answer_codes(const std::string& coder_path, const std::string& codes_csv,
                                const code_frame* strict = nullptr);

}  // namespace oc
