#include "coderfile/record_briefs.h"

#include <cstring>

#include "coderfile/coder_file.h"
#include "suite/owned_files.h"

namespace oc {

bool for_each_record(const std::string& path, const std::function<void(const resp_record&)>& each) {
    owned_file file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    coder_spec spec;
    std::int32_t trailer = 0;
    if (read_coder_header(file.get(), spec, trailer) != 0) return false;
    resp_record record;
    while (std::ftell(file.get()) < trailer) {
        if (read_resp_record(file.get(), record) != 0) return false;
        each(record);
    }
    return true;
}

std::optional<file_progress> read_file_progress(const std::string& path) {
    file_progress progress;
    coder_spec spec;
    quest_list questions;
    std::int16_t count = 0;
    if (load_coder_file(path.c_str(), spec, questions, count) != 0) return std::nullopt;
    for (const quest_spec& q : questions) progress.questions.emplace_back(q.name);
    const bool read = for_each_record(path, [&](const resp_record& record) {
        ++progress.records;
        if (record.codes_count > 0) ++progress.coded;
    });
    if (!read) return std::nullopt;
    return progress;
}

}  // namespace oc
