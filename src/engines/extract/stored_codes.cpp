#include "engines/extract/stored_codes.h"

#include "coderfile/coder_file.h"
#include "coderfile/discovery.h"
#include "engines/frame/frame_job.h"
#include "suite/owned_files.h"
#include "suite/path_parts.h"

namespace oc {

void stored_codes::load(const std::string& list_path) {
    codes_.clear();
    if (load_frame(without_extension(list_path), frame_)) frame_ = code_frame{};
    auto names = read_coder_list(list_path);
    if (!names) return;
    for (const std::string& name : *names) {
        owned_file file(std::fopen(beside(list_path, name).c_str(), "rb"));
        if (!file) continue;
        coder_spec spec;
        std::int32_t trailer = 0;
        if (read_coder_header(file.get(), spec, trailer) != 0) continue;
        resp_record record;
        while (std::ftell(file.get()) < trailer && read_resp_record(file.get(), record) == 0) {
            if (record.codes_count == 0) continue;
            codes_[{record.qname, static_cast<std::uint32_t>(record.respondent), record.sequence, record.roster,
                    record.list_no}]
                .assign(record.codes.begin(), record.codes.begin() + std::min<int>(record.codes_count, kMaxCodes));
        }
    }
}

std::string stored_codes::describe(const char* question, std::uint32_t respondent, std::uint16_t sequence, int roster,
                                   int list_no) const {
    auto found = codes_.find({question, respondent, sequence, roster, list_no});
    if (found == codes_.end()) return {};
    std::string text = "Codes:";
    for (std::size_t i = 0; i < found->second.size(); ++i) {
        const int code = found->second[i];
        const frame_code* known = frame_.find(question, code);
        text += (i == 0 ? " " : "; ") + std::to_string(code) + " " + (known ? known->label : "(not in the code frame)");
    }
    return text;
}

}  // namespace oc
