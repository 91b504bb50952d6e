#include "merge/merge_engine.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <set>
#include <strings.h>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "coderfile/cursor.h"
#include "suite/study_format.h"

namespace oc {

namespace {

constexpr int kAddEntrySize = 24;

// The first seven characters of a question name, zero-filled.
std::array<char, 7> add_name(const char* name) {
    std::array<char, 7> out{};
    std::memcpy(out.data(), name, strnlen(name, 7));
    return out;
}

bool same_add_name(const unsigned char* entry, const std::array<char, 7>& name) {
    for (int i = 0; i < 7; ++i)
        if (std::tolower(entry[1 + i]) != std::tolower(static_cast<unsigned char>(name[static_cast<std::size_t>(i)])))
            return false;
    return true;
}

void encode_add_entry(unsigned char (&entry)[kAddEntrySize], const std::array<char, 7>& name, std::uint32_t word8,
                      std::int32_t roster, std::int16_t width, std::int16_t max_codes, std::int32_t list_no) {
    entry[0] = '#';
    std::memcpy(entry + 1, name.data(), 7);
    put_u32(entry + 8, word8);
    put_u32(entry + 12, static_cast<std::uint32_t>(roster));
    put_u16(entry + 16, static_cast<std::uint16_t>(width));
    put_u16(entry + 18, static_cast<std::uint16_t>(max_codes));
    put_u32(entry + 20, static_cast<std::uint32_t>(list_no));
}

// Largest roster in record_count, largest list number in last_record_coded.
bool update_add_file(const std::string& add_path, const quest_list& questions) {
    std::FILE* add = std::fopen(add_path.c_str(), "rb+");
    if (!add) add = std::fopen(add_path.c_str(), "wb+");
    if (!add) return false;
    bool ok = true;
    for (const quest_spec& q : questions) {
        if (q.action != 0 || !ok) continue;
        std::array<char, 7> name = add_name(q.name);
        ok = std::fseek(add, 0, SEEK_SET) == 0;
        unsigned char entry[kAddEntrySize];
        bool found = false;
        while (ok && std::fread(entry, 1, kAddEntrySize, add) == kAddEntrySize) {
            if (!same_add_name(entry, name)) continue;
            found = true;
            auto roster = static_cast<std::int32_t>(get_u32(entry + 12));
            auto width = static_cast<std::int16_t>(get_u16(entry + 16));
            auto codes = static_cast<std::int16_t>(get_u16(entry + 18));
            auto list_no = static_cast<std::int32_t>(get_u32(entry + 20));
            if (roster == q.record_count && width == q.code_width && codes == q.max_codes &&
                list_no == q.last_record_coded)
                break;
            std::array<char, 7> stored{};
            std::memcpy(stored.data(), entry + 1, 7);
            encode_add_entry(entry, stored, get_u32(entry + 8), std::max(roster, q.record_count),
                             std::max(width, q.code_width), std::max(codes, q.max_codes),
                             std::max(list_no, q.last_record_coded));
            ok = std::fseek(add, -kAddEntrySize, SEEK_CUR) == 0 &&
                 std::fwrite(entry, 1, kAddEntrySize, add) == kAddEntrySize && std::fflush(add) == 0;
            break;
        }
        if (ok && !found) {
            encode_add_entry(entry, name, 0, q.record_count, q.code_width, q.max_codes, q.last_record_coded);
            ok = std::fseek(add, 0, SEEK_END) == 0 && std::fwrite(entry, 1, kAddEntrySize, add) == kAddEntrySize &&
                 std::fflush(add) == 0;
        }
    }
    return std::fclose(add) == 0 && ok;
}

std::string file_name_part(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool mark_listed_merged(const std::string& list_path, const std::string& coder_path) {
    std::FILE* list = std::fopen(list_path.c_str(), "rb+");
    if (!list) return false;
    std::string key = file_name_part(coder_path);
    unsigned char count_bytes[4];
    bool ok = false;
    if (std::fread(count_bytes, 1, 4, list) == 4) {
        auto count = static_cast<std::int32_t>(get_u32(count_bytes));
        for (std::int32_t e = 0; e < count; ++e) {
            long at = std::ftell(list);
            coder_spec spec;
            if (at < 0 || read_coder_list_entry(list, true, spec) != 0) break;
            if (strcasecmp(spec.name, key.c_str()) != 0) continue;
            unsigned char status[2];
            put_u16(status, status_merged);
            ok = std::fseek(list, at + 256, SEEK_SET) == 0 && std::fwrite(status, 1, 2, list) == 2 &&
                 std::fflush(list) == 0;
            break;
        }
    }
    return std::fclose(list) == 0 && ok;
}

// " 3" over the status field of line 2.
bool mark_file_merged(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    for (int c = std::fgetc(file); c != '\n'; c = std::fgetc(file))
        if (c == EOF) return false;
    long status_field = std::ftell(file) + 10;
    return std::fseek(file, status_field, SEEK_SET) == 0 && std::fputs(" 3", file) >= 0 && std::fflush(file) == 0;
}

}  // namespace

coded_var coded_variable(const resp_record& record, bool replace) {
    coded_var var;
    if (replace) {
        std::memcpy(var.name, record.qname, strnlen(record.qname, 8));
        var.values.assign(record.list_no > 0 ? record.list_no - 1 : 0, std::string());
        var.values.push_back(std::to_string(record.codes[0]));
    } else {
        std::string name = record.list_no > 1 ? "#" + std::to_string(record.list_no) : "#";
        name += std::string(record.qname, strnlen(record.qname, 8));
        std::memcpy(var.name, name.data(), std::min<std::size_t>(name.size(), 8));
        for (int i = 0; i < record.codes_count; ++i) var.values.push_back(std::to_string(record.codes[static_cast<std::size_t>(i)]));
    }
    var.roster = record.roster;
    return var;
}

std::int16_t MergeCoderFile(const std::string& dat_path, const std::string& idx_path, const std::string& list_path,
                            const std::string& coder_path, const std::string& add_path, bool by_respondent,
                            const missing_record_warning& warn, const merge_progress& progress) {
    cursor_ptr cursor(open_coder_cursor(coder_path.c_str(), ""));
    if (!cursor) return kMergeFailed;
    std::FILE* file = cursor->file;
    coder_spec spec;
    quest_list questions;
    std::int16_t question_count = 0;
    std::int32_t trailer = 0;
    if (read_coder_header(file, spec, trailer) != 0 ||
        read_coder_trailer(file, spec, questions, question_count, trailer) != 0)
        return kMergeFailed;
    for (quest_spec& q : questions) q.record_count = q.last_record_coded = 0;  // now the running maxima
    spec.resp_ids.clear();
    if (read_coder_header(file, spec, trailer) != 0) return kMergeFailed;

    respondent_index index;
    bool indexed = index.load(idx_path);
    long records = 0;
    for (;;) {
        long at = std::ftell(file);
        if (at < 0 || at >= trailer) break;
        resp_record record;
        // A line the reader refuses before the trailer is damage, not the end.
        if (read_resp_record(file, record) != 0) return kMergeFailed;
        if (progress) progress(++records);
        auto spec_of = std::find_if(questions.begin(), questions.end(),
                                    [&](const quest_spec& q) { return strcasecmp(q.name, record.qname) == 0; });
        if (spec_of == questions.end()) continue;  // not a question of this file
        record.action = static_cast<std::uint8_t>(spec_of->action);
        spec_of->record_count = std::max<std::int32_t>(spec_of->record_count, record.roster);
        spec_of->last_record_coded = std::max<std::int32_t>(spec_of->last_record_coded, record.list_no);
        if (record.codes_count == 0) continue;
        std::int16_t result =
            AppendCodedVariable(record.respondent, record.sequence, {coded_variable(record, spec_of->action != 0)},
                                dat_path, idx_path, by_respondent, warn, indexed ? &index : nullptr);
        if (result != kAppendDone) return result;
    }
    if (!mark_file_merged(file)) return kMergeFailed;
    if (!update_add_file(add_path, questions)) return kMergeAddFailed;
    if (!mark_listed_merged(list_path, coder_path)) return kMergeFailed;
    return kMergeDone;
}

int check_unique_respondents(const std::string& idx_path) {
    std::FILE* idx = std::fopen(idx_path.c_str(), "rb");
    if (!idx) return -1;
    if (std::fseek(idx, 0, SEEK_END) != 0) {
        std::fclose(idx);
        return -1;
    }
    long size = std::ftell(idx);
    if (size < 4 || std::fseek(idx, 4, SEEK_SET) != 0) {
        std::fclose(idx);
        return -1;
    }
    long count = (size - 4) / kIdxEntrySize;
    std::set<std::int32_t> seen;
    int result = 1;
    for (long i = 0; i < count && result == 1; ++i) {
        unsigned char bytes[kIdxEntrySize];
        if (std::fread(bytes, 1, kIdxEntrySize, idx) != kIdxEntrySize) {
            result = -1;
            break;
        }
        if (bytes[4] != 1) continue;
        if (!seen.insert(static_cast<std::int32_t>(get_u32(bytes))).second) result = 0;
    }
    std::fclose(idx);
    return result;
}

}  // namespace oc
