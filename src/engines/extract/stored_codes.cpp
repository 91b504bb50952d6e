#include "engines/extract/stored_codes.h"

#include <algorithm>

#include "coderfile/discovery.h"
#include "coderfile/record_briefs.h"
#include "engines/frame/frame_job.h"
#include "suite/path_parts.h"

namespace oc {

void stored_codes::load(const std::string& list_path) {
    codes_.clear();
    if (load_frame(without_extension(list_path), frame_)) frame_ = code_frame{};
    auto names = read_coder_list(list_path);
    if (!names) return;
    for (const std::string& name : *names)
        for_each_record(beside(list_path, name), [&](const resp_record& record) {
            if (record.codes_count == 0) return;
            codes_[{record.qname, static_cast<std::uint32_t>(record.respondent), record.sequence, record.roster,
                    record.list_no}]
                .assign(record.codes.begin(), record.codes.begin() + std::min<int>(record.codes_count, kMaxCodes));
        });
}

std::string stored_codes::describe(const char* question, std::uint32_t respondent, std::uint16_t sequence, int roster,
                                   int list_no) const {
    auto found = codes_.find({question, respondent, sequence, roster, list_no});
    if (found == codes_.end()) return {};
    return "Codes: " + describe_codes(frame_, question, std::vector<int>(found->second.begin(), found->second.end()));
}

}  // namespace oc
