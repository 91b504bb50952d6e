// The study's coding journal NAME.jnl: one CSV line for every change of a
// record's codes, whoever made it and however, so that a supervisor can see
// who coded what and when. Lines are only ever appended, each in one
// write(2) on a descriptor opened with O_APPEND, so that coders appending at
// once never tear or mix each other's lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oc {

inline constexpr const char* kJournalHeader =
    "time,user,host,coder_file,question,respondent,sequence,roster,list_no,old_codes,new_codes,how";

inline std::string journal_path(const std::string& base) { return base + ".jnl"; }

// One change. A merge's line names only the coder file: the record fields
// are empty.
struct journal_change {
    std::string coder_file;
    std::string question;
    std::string respondent, sequence, roster, list_no;
    std::vector<std::int16_t> old_codes, new_codes;
    std::string how;  // dialog, group, all, undo, redo, batch or merge
};

// A journal line's record fields from a record's numbers.
journal_change record_change(const std::string& coder_file, const std::string& question, std::int32_t respondent,
                             std::uint16_t sequence, int roster, int list_no, std::vector<std::int16_t> old_codes,
                             std::vector<std::int16_t> new_codes, const std::string& how);

// The line of `change` as now by this user on this host, CR LF ended.
std::string journal_line(const journal_change& change);

// Appends each change as a line to the journal of the study DIR/NAME,
// making the file with its header line first when there is none. With
// `durable`, the journal is synced to the disk afterwards. False with
// `error` saying why; the lines before the failure stay.
bool append_to_journal(const std::string& base, const std::vector<journal_change>& changes, bool durable,
                       std::string& error);

// Syncs the journal of the study to the disk; false when it cannot.
bool sync_journal(const std::string& base);

}  // namespace oc
