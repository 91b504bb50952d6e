#include "dialogs/coding/journal_writer.h"

#include <QString>
#include <algorithm>

#include "suite/coding_journal.h"
#include "suite/path_parts.h"
#include "ui/frame/messages.h"
#include "ui/frame/path_text.h"

namespace oc_ui {

journal_writer::journal_writer(std::string study_base, const std::string& coder_path, std::string question)
    : base_(std::move(study_base)), coder_file_(oc::file_name_of(coder_path)), question_(std::move(question)) {}

journal_writer::~journal_writer() {
    if (!base_.empty()) oc::sync_journal(base_);
}

oc::journal_change journal_writer::change(const oc::question_record& place, const std::vector<std::int16_t>& old_codes,
                                          const std::vector<std::int16_t>& new_codes, const char* how) const {
    return oc::record_change(coder_file_, question_, place.respondent, place.sequence, place.roster, place.list_no,
                             old_codes, new_codes, how);
}

void journal_writer::write(const std::vector<oc::question_record>& records,
                           const std::vector<oc::record_codes>& old_codes,
                           const std::vector<oc::record_codes>& new_codes, const char* how) {
    std::vector<oc::journal_change> changes;
    for (const oc::record_codes& now : new_codes) {
        const auto index = static_cast<std::size_t>(now.record - 1);
        if (now.record < 1 || index >= records.size()) continue;
        auto was = std::find_if(old_codes.begin(), old_codes.end(),
                                [&](const oc::record_codes& r) { return r.record == now.record; });
        changes.push_back(change(records[index], was != old_codes.end() ? was->codes : std::vector<std::int16_t>{},
                                 now.codes, how));
    }
    append(changes);
}

void journal_writer::write(const oc::question_record& place, const std::vector<std::int16_t>& old_codes,
                           const std::vector<std::int16_t>& new_codes, const char* how) {
    append({change(place, old_codes, new_codes, how)});
}

void journal_writer::append(const std::vector<oc::journal_change>& changes) {
    if (base_.empty() || changes.empty()) return;
    std::string error;
    if (oc::append_to_journal(base_, changes, false, error) || said_) return;
    said_ = true;
    show_text(QStringLiteral("The coding journal was not written: %1\n\nCoding goes on; the codes themselves are saved.")
                  .arg(from_native_bytes(error)),
              box_style::exclamation);
}

}  // namespace oc_ui
