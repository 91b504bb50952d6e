// A small imported study for the merge tests, the expected bytes of an
// appended version worked out from the files as they were, and coder data
// files built and then coded through the cursor.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../coderfile/coder_file_builder.h"
#include "coderfile/coder_list.h"
#include "coderfile/cursor.h"
#include "engines/merge/data_file_writer.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace mergetest {

using octest::read_bytes;

inline std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
inline std::string le32(unsigned long v) { return le16(v & 0xFFFF) + le16(v >> 16 & 0xFFFF); }
inline std::uint16_t get16(const std::string& s, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(s.at(at)) |
                                      static_cast<unsigned char>(s.at(at + 1)) << 8);
}
inline std::uint32_t get32(const std::string& s, std::size_t at) {
    return get16(s, at) | static_cast<std::uint32_t>(get16(s, at + 2)) << 16;
}

inline oc::coded_var var(const char* name, std::uint16_t roster, std::vector<std::string> values) {
    oc::coded_var v;
    std::memcpy(v.name, name, strnlen(name, 8));
    v.roster = roster;
    v.values = std::move(values);
    return v;
}

// One var_entry as the data library reads it, written out by hand: name,
// 0, 0, roster, 8 zero bytes, 1, 1, value count, the values (four zero
// bytes before each when padded), the ending zero byte.
inline std::string var_entry(const char* name, unsigned roster, const std::vector<std::string>& values,
                             bool padded = false) {
    std::string out(name, strnlen(name, 8));
    out.resize(8, '\0');
    out += std::string(2, '\0') + static_cast<char>(roster) + std::string(8, '\0') + "\x01\x01" + le16(values.size());
    for (const std::string& v : values) {
        if (padded) out += std::string(4, '\0');
        out += v.size() < 255 ? std::string(1, static_cast<char>(v.size())) : "\xFF" + le16(v.size());
        out += v;
    }
    return out + '\0';
}

struct study_files {
    std::string idx, dat;
};

inline study_files read_study(const std::string& base = "S") { return {read_bytes(base + ".idx"), read_bytes(base + ".DAT")}; }

// Offset of the newest version's entry in the chain that starts at `first`.
inline std::uint32_t newest_entry(const std::string& idx, std::uint32_t first) {
    while (get32(idx, first + 16) != 0) first = get32(idx, first + 16);
    return first;
}

// The files after a version holding `entries` (var_entry bytes, `count` of
// them) was appended behind the entry at `newest_at`: the FC word and the
// FB flags byte taken from the old version's blocks, the header's bytes
// 6-19 copied with the generation raised.
inline study_files expected_append(const study_files& before, std::uint32_t newest_at, unsigned count,
                                   const std::string& entries) {
    std::uint32_t old_at = get32(before.idx, newest_at + 12);
    std::string fc_word, flags;
    for (std::size_t at = old_at + 20; get32(before.dat, at) != 0xFDFDFDFD; at += get16(before.dat, at + 4)) {
        if (get32(before.dat, at) == 0xFCFCFCFC) fc_word = before.dat.substr(at + 10, 2);
        if (get32(before.dat, at) == 0xFBFBFBFB) flags = before.dat.substr(at + 8, 1);
    }
    char generation = static_cast<char>(before.idx[newest_at + 4] + 1);
    std::string block = le32(0xF9F9F9F9) + le16(8 + entries.size()) + le16(count) + entries;
    std::string version = le32(0xF5F5F5F5) + le16(20 + 20 + 9 + block.size() + 4) + before.dat.substr(old_at + 6, 4) +
                          generation + before.dat.substr(old_at + 11, 9) + le32(0xFCFCFCFC) + le16(20) + le16(count) +
                          le16(20500) + fc_word + std::string(8, '\0') + le32(0xFBFBFBFB) + le16(9) + le16(1) + flags +
                          block + le32(0xFDFDFDFD);
    study_files after = before;
    after.idx.replace(newest_at + 16, 4, le32(before.idx.size()));
    after.idx += before.idx.substr(newest_at, 4) + generation + before.idx.substr(newest_at + 5, 7) +
                 le32(before.dat.size()) + le32(0);
    after.dat += version;
    return after;
}

// Study S: respondent 7 twice (sequences 1 and 2), 8 and 9 once.
// Generation-1 entries at .idx offsets 4 (7/1), 24 (8/1), 44 (7/2), 64 (9/1).
class MergeStudy : public ::testing::Test {
protected:
    void SetUp() override {
        octest::write_bytes(dir.file("labels.csv"), "name,type,other,text\r\nQ5,7,0,Why?\r\nQ7,7,0,What else?\r\n");
        octest::write_bytes(dir.file("data.csv"),
                            "respondent,sequence,complete,Q5,Q7\r\n"
                            "7,1,1,too dear,a b\r\n8,1,0,cheap|nice,\r\n7,2,1,again,c d\r\n9,1,1,fine,e f\r\n");
        oc::import_result imported = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S"));
        ASSERT_TRUE(imported.ok) << imported.message;
        dir.enter();
    }
    void TearDown() override { oc::set_writer_write_hook({}); }

    std::int16_t append(std::int32_t respondent, std::uint16_t sequence, const oc::coded_var& v,
                        bool by_respondent = false, oc::study_index* index = nullptr) {
        return oc::AppendCodedVariable(respondent, sequence, {v}, "S.DAT", "S.idx", by_respondent,
                                       [this](const std::string& text) { warnings.push_back(text); }, index);
    }

    octest::ScratchDir dir;
    std::vector<std::string> warnings;
};

// Codes for record `record` (from 1) of question `question` (index).
struct record_codes {
    std::size_t question;
    std::int32_t record;
    std::vector<std::int16_t> codes;
};

// Writes `file` into the current directory, codes the records named in
// `codes` through the cursor, and lists the file in `list_path` (alone).
inline void write_coded_file(const octest::built_file& file, const std::vector<record_codes>& codes,
                             const std::string& list_path) {
    ASSERT_TRUE(octest::build_coder_file(file.name, file));
    for (const record_codes& c : codes) {
        const octest::built_question& q = file.questions.at(c.question);
        oc::cursor_ptr cursor(oc::open_coder_cursor(file.name.c_str(), q.name.c_str()));
        ASSERT_TRUE(cursor);
        oc::resp_record record;
        ASSERT_EQ(0, oc::seek_question_record(*cursor, c.record, record));
        record.code_slots = static_cast<std::uint8_t>(q.max_codes);
        record.codes_count = static_cast<std::uint8_t>(c.codes.size());
        for (std::size_t i = 0; i < c.codes.size(); ++i) record.codes[i] = c.codes[i];
        ASSERT_EQ(0, oc::rewrite_current_record(*cursor, record));
    }
    oc::coder_spec spec = octest::spec_of(file);
    spec.question_count = static_cast<std::int16_t>(file.questions.size());
    for (const octest::built_question& q : file.questions) {
        std::array<char, 8> name{};
        std::memcpy(name.data(), q.name.data(), std::min<std::size_t>(q.name.size(), 8));
        spec.question_names.push_back(name);
    }
    std::FILE* list = std::fopen(list_path.c_str(), "wb");
    ASSERT_NE(nullptr, list);
    std::string count = le32(1);
    ASSERT_EQ(4u, std::fwrite(count.data(), 1, 4, list));
    ASSERT_TRUE(oc::write_coder_list_entry(list, spec));
    ASSERT_EQ(0, std::fclose(list));
}

}  // namespace mergetest
