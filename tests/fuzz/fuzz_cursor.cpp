// The coder cursor moving over an arbitrary file. The input's first bytes
// pick the question and a sequence of moves; the rest is the file. Every
// record the cursor returns is checked against a plain sequential read of
// the same file, and a rewrite may change nothing but the record's own
// fields and code columns.
#include <cstring>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/cursor.h"
#include "fuzz_support.h"

namespace {

constexpr int kMaxMoves = 24;
constexpr int kMaxModelRecords = 4000;
const char* const kQuestions[] = {"Q1", "Q2", "Q3", "Q5", "A", ""};

struct model_record {
    long position;
    oc::resp_record record;
};

// The question's first run of records, read one after another from the
// file's start: what record k must be. Stops at the first unreadable line.
std::vector<model_record> read_model(const std::string& path, const char* qname) {
    std::vector<model_record> run;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(file != nullptr);
    oc::coder_spec spec;
    std::int32_t trailer_offset = 0;
    if (oc::read_coder_header(file, spec, trailer_offset) == 0) {
        for (int i = 0; i < kMaxModelRecords; ++i) {
            long position = std::ftell(file);
            if (position >= trailer_offset) break;
            oc::resp_record record;
            if (oc::read_resp_record(file, record) != 0) break;
            bool mine = std::strcmp(record.qname, qname) == 0;
            if (!mine && !run.empty()) break;
            if (mine) run.push_back({position, record});
        }
    }
    std::fclose(file);
    return run;
}

bool same_record(const oc::resp_record& a, const oc::resp_record& b) {
    return a.sequence == b.sequence && a.respondent == b.respondent && std::strcmp(a.qname, b.qname) == 0 &&
           a.roster == b.roster && a.list_no == b.list_no && a.reserved == b.reserved &&
           a.codes_count == b.codes_count && a.codes == b.codes && a.text == b.text;
}

void check_seek(const std::string& path, const oc::coder_cursor& cursor, std::int32_t k, std::int16_t result,
                const oc::resp_record& record) {
    FUZZ_CHECK(result <= 0 && result >= -4);
    if (result != 0) return;
    std::vector<model_record> model = read_model(path, cursor.qname);
    FUZZ_CHECK(cursor.q_record_no == k);
    FUZZ_CHECK(static_cast<std::size_t>(k) <= model.size());
    const model_record& expected = model[static_cast<std::size_t>(k - 1)];
    FUZZ_CHECK(cursor.cur_pos == expected.position);
    FUZZ_CHECK(same_record(record, expected.record));
}

void check_step_back(std::FILE* file, const std::string& bytes, long before, long lowest, std::int16_t result) {
    long after = std::ftell(file);
    if (result != 0) {
        FUZZ_CHECK(after == before);
        return;
    }
    FUZZ_CHECK(after >= lowest && after <= before);
    // A line start: the start of the area allowed, or just after a line end.
    FUZZ_CHECK(after == lowest || bytes[static_cast<std::size_t>(after - 1)] == '\n');
}

void check_rewrite(const std::string& before, const std::string& after, long at, int code_slots,
                   std::int16_t result) {
    FUZZ_CHECK(after.size() == before.size());
    std::size_t from = static_cast<std::size_t>(at);
    std::size_t to = from + 38 + 5 * static_cast<std::size_t>(code_slots);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (result == 0 && i >= from && i < to) {
            FUZZ_CHECK(after[i] != '\r' && after[i] != '\n');
            continue;
        }
        FUZZ_CHECK(after[i] == before[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const char* qname = kQuestions[in.byte() % (sizeof kQuestions / sizeof kQuestions[0])];
    int moves = in.byte() % (kMaxMoves + 1);
    std::string_view script = in.take(static_cast<std::size_t>(moves) * 3);
    std::string path = fuzz::scratch_path("cursor.001");
    fuzz::write_file(path, in.rest());

    oc::cursor_ptr cursor(oc::open_coder_cursor(path.c_str(), qname));
    FUZZ_CHECK(cursor != nullptr);
    oc::resp_record record;
    bool have_record = false;
    for (std::size_t m = 0; m + 3 <= script.size(); m += 3) {
        auto op = static_cast<std::uint8_t>(script[m]);
        std::int32_t arg = static_cast<std::uint8_t>(script[m + 1]) | static_cast<std::uint8_t>(script[m + 2]) << 8;
        switch (op % 4) {
        case 0:
        case 1: {  // seek record k; small k most of the time
            std::int32_t k = op % 4 == 0 ? arg % 12 - 1 : arg;
            std::int16_t result = oc::seek_question_record(*cursor, k, record);
            check_seek(path, *cursor, k, result, record);
            have_record = result == 0 || (have_record && result == -3);
            break;
        }
        case 2: {  // step back some lines, never below a fuzzed floor
            std::string bytes = fuzz::read_file(path);
            long before = std::ftell(cursor->file);
            long lowest = static_cast<long>(arg >> 8) * 4;
            long n = -static_cast<long>(arg & 0xFF) % 8;
            std::int16_t result = oc::step_back_lines(cursor->file, n, lowest);
            check_step_back(cursor->file, bytes, before, lowest, result);
            FUZZ_CHECK(std::fseek(cursor->file, before, SEEK_SET) == 0);
            break;
        }
        case 3: {  // save codes into the record last read
            if (!have_record) break;
            oc::resp_record saved = record;
            saved.code_slots = static_cast<std::uint8_t>(arg % 33);
            saved.codes_count = static_cast<std::uint8_t>((arg >> 6) % 33);
            for (int i = 0; i < oc::kMaxCodes; ++i)
                saved.codes[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i < saved.codes_count ? (arg * (i + 1)) % 10000 : -1);
            std::string before = fuzz::read_file(path);
            long position = std::ftell(cursor->file);
            std::int16_t result = oc::rewrite_current_record(*cursor, saved);
            FUZZ_CHECK(result == 0 || result == -1);
            FUZZ_CHECK(std::ftell(cursor->file) == position);
            check_rewrite(before, fuzz::read_file(path), cursor->cur_pos, saved.code_slots, result);
            break;
        }
        }
    }
    return 0;
}
