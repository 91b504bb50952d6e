// The coding journal as a coding dialog writes it: each change of codes one
// line, a journal that cannot be written said once a run (coding goes on),
// and the run's lines made durable when the dialog closes.
#pragma once

#include <string>
#include <vector>

#include "engines/groups/answer_groups.h"
#include "engines/groups/code_writes.h"
#include "suite/coding_journal.h"

namespace oc_ui {

class journal_writer {
public:
    // For `question` of `coder_path`, in the study DIR/NAME `study_base`
    // (empty: nothing is journaled).
    journal_writer(std::string study_base, const std::string& coder_path, std::string question);
    ~journal_writer();
    journal_writer(const journal_writer&) = delete;
    journal_writer& operator=(const journal_writer&) = delete;

    // Each record of `new_codes` changing from its codes in `old_codes`
    // (matched by record), made `how`; `records` (element k-1 is record k)
    // gives each record's place. Records it does not hold are passed over.
    void write(const std::vector<oc::question_record>& records, const std::vector<oc::record_codes>& old_codes,
               const std::vector<oc::record_codes>& new_codes, const char* how);
    // The one record given by its place.
    void write(const oc::question_record& place, const std::vector<std::int16_t>& old_codes,
               const std::vector<std::int16_t>& new_codes, const char* how);

private:
    void append(const std::vector<oc::journal_change>& changes);
    oc::journal_change change(const oc::question_record& place, const std::vector<std::int16_t>& old_codes,
                              const std::vector<std::int16_t>& new_codes, const char* how) const;

    std::string base_, coder_file_, question_;
    bool said_ = false;
};

}  // namespace oc_ui
