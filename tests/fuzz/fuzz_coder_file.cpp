// Coder data file readers over arbitrary bytes: header, trailer, the
// record lines in between, and the whole load.
#include <cstring>

#include "coderfile/coder_file.h"
#include "fuzz_support.h"

namespace {

constexpr int kMaxRecordsRead = 2000;

void check_record(const oc::resp_record& record) {
    FUZZ_CHECK(record.codes_count <= oc::kMaxCodes);
    FUZZ_CHECK(record.text.size() <= static_cast<std::size_t>(oc::kMaxTextLength));
    FUZZ_CHECK(std::memchr(record.qname, '\0', sizeof record.qname) != nullptr);
    for (int i = 0; i < oc::kMaxCodes; ++i) {
        std::int16_t code = record.codes[static_cast<std::size_t>(i)];
        if (i >= record.codes_count) FUZZ_CHECK(code == -1);
        else FUZZ_CHECK(code >= -1 && code <= 9999);
    }
}

// A record written back as coding writes it must read back the same.
void check_rewrite_reads_back(const oc::resp_record& record) {
    oc::resp_record written = record;
    written.code_slots = record.codes_count;
    std::string path = fuzz::scratch_path("rewrite");
    std::FILE* file = std::fopen(path.c_str(), "w+b");
    FUZZ_CHECK(file != nullptr);
    if (oc::write_resp_record(file, written) == 0) {
        std::string tail = " " + record.text + "\r\n";
        FUZZ_CHECK(std::fwrite(tail.data(), 1, tail.size(), file) == tail.size());
        FUZZ_CHECK(std::fseek(file, 0, SEEK_SET) == 0);
        oc::resp_record again;
        FUZZ_CHECK(oc::read_resp_record(file, again) == 0);
        FUZZ_CHECK(again.sequence == record.sequence && again.respondent == record.respondent);
        FUZZ_CHECK(std::strcmp(again.qname, record.qname) == 0);
        FUZZ_CHECK(again.roster == record.roster && again.list_no == record.list_no);
        FUZZ_CHECK(again.reserved == record.reserved && again.codes_count == record.codes_count);
        FUZZ_CHECK(again.codes == record.codes);
        FUZZ_CHECK(again.text == record.text);
    }
    std::fclose(file);
}

void check_trailer(const oc::coder_spec& spec, const oc::quest_list& questions, std::int16_t question_count) {
    FUZZ_CHECK(spec.respondent_count >= 0);
    FUZZ_CHECK(spec.resp_ids.size() == static_cast<std::size_t>(spec.respondent_count));
    FUZZ_CHECK(question_count >= 0);
    if (question_count > 0) FUZZ_CHECK(questions.size() == static_cast<std::size_t>(question_count));
    for (const oc::quest_spec& q : questions) {
        FUZZ_CHECK(std::memchr(q.name, '\0', sizeof q.name) != nullptr);
        FUZZ_CHECK(q.max_codes >= 0 && q.max_codes <= oc::kMaxCodes);
        FUZZ_CHECK(oc::question_status(q) <= oc::status_complete);
    }
    oc::coder_spec status_spec = spec;
    oc::compute_file_status(status_spec, questions);
    FUZZ_CHECK(status_spec.status >= oc::status_not_coded && status_spec.status <= oc::status_merged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = fuzz::scratch_path("coder.001");
    fuzz::write_file(path, std::string_view(reinterpret_cast<const char*>(data), size));

    std::FILE* file = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    oc::coder_spec spec;
    std::int32_t trailer_offset = 0;
    std::int16_t header = oc::read_coder_header(file, spec, trailer_offset);
    FUZZ_CHECK(header == 0 || header == -1);
    if (header == 0) {
        FUZZ_CHECK(spec.status >= oc::status_not_coded && spec.status <= oc::status_merged);
        FUZZ_CHECK(std::memchr(spec.name, '\0', sizeof spec.name) != nullptr);

        // The record area, as the merge walks it: until a line is refused.
        for (int i = 0; i < kMaxRecordsRead; ++i) {
            long before = std::ftell(file);
            oc::resp_record record;
            record.code_slots = 7;
            record.action = 3;
            if (oc::read_resp_record(file, record) != 0) break;
            FUZZ_CHECK(std::ftell(file) > before);  // a record always moves on
            FUZZ_CHECK(record.code_slots == 7 && record.action == 3);
            check_record(record);
            check_rewrite_reads_back(record);
        }

        oc::quest_list questions(1);  // a count of 0 must leave this alone
        std::int16_t question_count = -5;
        std::int16_t trailer = oc::read_coder_trailer(file, spec, questions, question_count, trailer_offset);
        FUZZ_CHECK(trailer == 0 || trailer == -1 || trailer == -3);
        if (trailer == 0) {
            check_trailer(spec, questions, question_count);
            if (question_count == 0) FUZZ_CHECK(questions.size() == 1);
        } else {
            FUZZ_CHECK(spec.resp_ids.empty());
            FUZZ_CHECK(questions.size() == 1);
        }
    }
    std::fclose(file);

    oc::coder_spec loaded;
    oc::quest_list questions;
    std::int16_t question_count = 0;
    std::int16_t load = oc::load_coder_file(path.c_str(), loaded, questions, question_count);
    FUZZ_CHECK(load == 0 || load == -1 || load == -3);
    if (load == 0) check_trailer(loaded, questions, question_count);
    return 0;
}
