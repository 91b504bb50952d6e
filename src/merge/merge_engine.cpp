#include "merge/merge_engine.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "coderfile/cursor.h"
#include "merge/add_file.h"
#include "merge/study_index.h"
#include "suite/study_format.h"

namespace oc {

namespace {

std::string file_name_part(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A two-byte status field overwritten by the merge, and what it held, so
// that a later failure can put it back.
struct status_field {
    long at = -1;
    char was[2] = {};
};

bool put_back(std::FILE* file, const status_field& field) {
    std::clearerr(file);
    return field.at >= 0 && std::fseek(file, field.at, SEEK_SET) == 0 && std::fwrite(field.was, 1, 2, file) == 2 &&
           std::fflush(file) == 0;
}

// Reads the field at `at`, then writes `value` over it.
bool overwrite(std::FILE* file, long at, const char (&value)[2], status_field& field) {
    if (std::fseek(file, at, SEEK_SET) != 0 || std::fread(field.was, 1, 2, file) != 2) return false;
    field.at = at;
    return std::fseek(file, at, SEEK_SET) == 0 && std::fwrite(value, 1, 2, file) == 2 && std::fflush(file) == 0;
}

// Status 3 into the first entry named like the coder file (any case).
// False when the list cannot be opened or read, holds no such entry, or the
// write fails; `field` then says what to put back, if anything was touched.
bool mark_listed_merged(const std::string& list_path, const std::string& coder_path, status_field& field) {
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
            ok = overwrite(list, at + 256, {static_cast<char>(status[0]), static_cast<char>(status[1])}, field);
            break;
        }
    }
    if (!ok && field.at >= 0) put_back(list, field);
    field.at = ok ? field.at : -1;
    return std::fclose(list) == 0 && ok;
}

bool put_back_listed(const std::string& list_path, const status_field& field) {
    std::FILE* list = std::fopen(list_path.c_str(), "rb+");
    if (!list) return false;
    bool ok = put_back(list, field);
    return std::fclose(list) == 0 && ok;
}

// " 3" over the status field of line 2, 10 characters past its start.
bool mark_file_merged(std::FILE* file, status_field& field) {
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    char line[258];
    if (!std::fgets(line, sizeof line, file) || !std::strchr(line, '\n')) return false;
    long status_field_at = std::ftell(file) + 10;
    return status_field_at >= 10 && overwrite(file, status_field_at, {' ', '3'}, field);
}

}  // namespace

coded_var coded_variable(const resp_record& record, bool replace) {
    coded_var var;
    if (replace) {
        std::memcpy(var.name, record.qname, strnlen(record.qname, sizeof var.name));
        var.values.assign(record.list_no > 0 ? record.list_no - 1 : 0, std::string());
        var.values.push_back(std::to_string(record.codes[0]));
    } else {
        std::string name = record.list_no > 1 ? "#" + std::to_string(record.list_no) : "#";
        name.append(record.qname, strnlen(record.qname, sizeof record.qname));
        std::memcpy(var.name, name.data(), std::min(name.size(), sizeof var.name));
        for (int i = 0; i < record.codes_count; ++i)
            var.values.push_back(std::to_string(record.codes[static_cast<std::size_t>(i)]));
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
    // From here on the two counters hold each question's largest roster and
    // largest list number.
    for (quest_spec& q : questions) q.record_count = q.last_record_coded = 0;
    long record_total = spec.record_count;
    spec.resp_ids.clear();
    if (read_coder_header(file, spec, trailer) != 0) return kMergeFailed;

    // The study files are opened at the first coded record, as a merge
    // with nothing coded leaves them alone.
    study_index index;
    study_writer writer;
    bool writing = false;
    // A record that stops the merge keeps the ones before it merged.
    auto stop = [&](std::int16_t result) -> std::int16_t {
        if (writing && !writer.failed() && (!writer.commit() || !writer.close())) return kMergeFailed;
        return result;
    };
    long records = 0;
    // Kept across records, so that their buffers are reused.
    resp_record record;
    std::vector<coded_var> vars(1);
    for (;;) {
        long at = std::ftell(file);
        if (at < 0 || at >= trailer) break;
        // A line refused before the trailer is damage, not the end: stopping
        // there quietly would report a partial merge as a whole one.
        if (read_resp_record(file, record) != 0) return stop(kMergeFailed);
        if (progress) progress(++records, record_total);
        auto spec_of = std::find_if(questions.begin(), questions.end(),
                                    [&](const quest_spec& q) { return strcasecmp(q.name, record.qname) == 0; });
        if (spec_of == questions.end()) continue;  // no coding action to apply
        record.action = static_cast<std::uint8_t>(spec_of->action);
        spec_of->record_count = std::max<std::int32_t>(spec_of->record_count, record.roster);
        spec_of->last_record_coded = std::max<std::int32_t>(spec_of->last_record_coded, record.list_no);
        if (record.codes_count == 0) continue;
        if (!writing) {
            index.load(idx_path);  // when it cannot be loaded, the writer reads the .idx itself
            if (writer.open(dat_path, idx_path, &index) != kAppendDone) return kMergeFailed;
            writing = true;
        }
        vars[0] = coded_variable(record, record.action != 0);
        std::int16_t result = writer.append(record.respondent, record.sequence, vars, by_respondent, warn);
        if (result != kAppendDone) return writer.failed() ? kMergeFailed : stop(result);
    }
    if (writing && !writer.commit()) return kMergeFailed;

    // Every record is in. From here a failure puts back what this merge
    // wrote, so that the same merge run again gives what an undisturbed one
    // gives; the .add file goes last, as it is replaced whole.
    auto undo_data = [&] {
        if (writing) writer.roll_back();
    };
    status_field line2, listed;
    if (!mark_file_merged(file, line2)) {
        put_back(file, line2);
        undo_data();
        return kMergeFailed;
    }
    if (!mark_listed_merged(list_path, coder_path, listed)) {
        put_back(file, line2);
        undo_data();
        return kMergeFailed;
    }
    if (!update_add_file(add_path, questions)) {
        put_back_listed(list_path, listed);
        put_back(file, line2);
        undo_data();
        return kMergeAddFailed;
    }
    if (writing && !writer.close()) return kMergeFailed;
    return kMergeDone;
}

}  // namespace oc
