// Writes coder data files for the tests through the library's own writers,
// laid out as the extraction leaves them: lines 1 and 2, the record lines
// question after question (fields, empty code columns, a space, the text),
// the trailer, and line 2 patched with the trailer's offset.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/coder_types.h"

namespace octest {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

inline file_ptr open_file(const std::string& path, const char* mode) { return file_ptr(std::fopen(path.c_str(), mode)); }

// What load_coder_file gives for `path`.
struct loaded_file {
    std::int16_t result = -1;
    oc::coder_spec spec;
    oc::quest_list questions;
    std::int16_t count = 0;
};

inline loaded_file load_file(const std::string& path) {
    loaded_file loaded;
    loaded.result = oc::load_coder_file(path.c_str(), loaded.spec, loaded.questions, loaded.count);
    return loaded;
}

struct built_record {
    std::uint16_t sequence = 0;
    std::int32_t respondent = 0;
    std::string text;
    std::uint8_t roster = 0;
    std::uint8_t list_no = 1;
};

struct built_question {
    std::string name;
    std::int16_t action = 0;
    std::int16_t code_width = 1;
    std::int16_t max_codes = 1;
    std::vector<built_record> records;
};

struct built_file {
    std::string name;
    std::int16_t interviews = 0;
    std::int16_t status = 0;
    std::vector<built_question> questions;
};

inline oc::coder_spec spec_of(const built_file& file) {
    oc::coder_spec spec;
    std::strncpy(spec.name, file.name.c_str(), sizeof spec.name - 1);
    spec.status = file.status;
    spec.interviews = file.interviews;
    for (const built_question& q : file.questions) {
        for (const built_record& r : q.records) {
            oc::resp_id id{r.sequence, r.respondent};
            bool known = false;
            for (const oc::resp_id& seen : spec.resp_ids) known = known || seen == id;
            if (!known) spec.resp_ids.push_back(id);
            ++spec.record_count;
        }
    }
    spec.respondent_count = static_cast<std::int16_t>(spec.resp_ids.size());
    return spec;
}

inline oc::quest_list questions_of(const built_file& file) {
    oc::quest_list list;
    for (const built_question& q : file.questions) {
        oc::quest_spec spec;
        std::strncpy(spec.name, q.name.c_str(), sizeof spec.name - 1);
        spec.action = q.action;
        spec.code_width = q.code_width;
        spec.max_codes = q.max_codes;
        spec.record_count = static_cast<std::int32_t>(q.records.size());
        list.push_back(spec);
    }
    return list;
}

// One new record line: the fields and blank columns through
// write_resp_record, then the separating space, the text and the line end.
inline bool append_record(std::FILE* out, const built_question& q, const built_record& r) {
    oc::resp_record record;
    record.sequence = r.sequence;
    record.respondent = r.respondent;
    std::strncpy(record.qname, q.name.c_str(), sizeof record.qname - 1);
    record.roster = r.roster;
    record.list_no = r.list_no;
    record.code_slots = static_cast<std::uint8_t>(q.max_codes);
    if (oc::write_resp_record(out, record) != 0) return false;
    std::string rest = " " + r.text + "\r\n";
    return std::fwrite(rest.data(), 1, rest.size(), out) == rest.size();
}

// False when any writer refuses.
inline bool build_coder_file(const std::string& path, const built_file& file) {
    std::FILE* out = std::fopen(path.c_str(), "w+b");
    if (out == nullptr) return false;
    oc::coder_spec spec = spec_of(file);
    bool ok = oc::write_coder_header(out, spec, 0) == 0 && std::fseek(out, 0, SEEK_END) == 0;
    for (const built_question& q : file.questions)
        for (const built_record& r : q.records) ok = ok && append_record(out, q, r);
    long trailer_offset = std::ftell(out);
    ok = ok && oc::write_coder_trailer(out, spec, questions_of(file), static_cast<std::int32_t>(trailer_offset)) == 0;
    ok = ok && oc::write_coder_header(out, spec, static_cast<std::int32_t>(trailer_offset)) == 0;
    return std::fclose(out) == 0 && ok;
}

// The example file ABC.001: question Q5, two answers.
inline built_file example_file() {
    built_question q5{"Q5", 0, 2, 3, {{12, 1001, "too expensive"}, {15, 1004, "price"}}};
    return built_file{"ABC.001", 0, 0, {q5}};
}

// Q1 with 3 records, Q5 with 100 (texts "answer 1".. "answer 100",
// respondents 5001..5100), Q9 with 4.
inline built_file three_question_file() {
    built_question q1{"Q1", 0, 1, 2, {}};
    for (int i = 1; i <= 3; ++i) q1.records.push_back({static_cast<std::uint16_t>(i), 1000 + i, "first " + std::to_string(i)});
    built_question q5{"Q5", 1, 4, 3, {}};
    for (int i = 1; i <= 100; ++i)
        q5.records.push_back({static_cast<std::uint16_t>(i), 5000 + i, "answer " + std::to_string(i)});
    built_question q9{"Q9", 0, 2, 1, {}};
    for (int i = 1; i <= 4; ++i) q9.records.push_back({static_cast<std::uint16_t>(i), 9000 + i, "last " + std::to_string(i)});
    return built_file{"STUDY.002", 1, 0, {q1, q5, q9}};
}

}  // namespace octest
