// The index and data readers behind fextract over arbitrary .idx and .DAT
// bytes (the input split in two): idxread and headread walked over the
// files, then a whole question walk as the extraction engine makes it,
// through fextract and through an answer_walk side by side (the two must
// agree call by call), with the caller's 801-byte text buffer fenced by
// guard bytes on both sides.
#include <cstring>
#include <sstream>

#include "fuzz_support.h"
#include "suite/answer_walk.h"
#include "suite/data_library.h"
#include "suite/study_dump.h"
#include "suite/study_format.h"

namespace {

constexpr std::size_t kBufferSize = 801;
constexpr std::size_t kGuard = 64;
constexpr unsigned char kGuardByte = 0xA5;
constexpr long kMaxCalls = 20000;

// Questions of the label file beside the fuzzed .DAT: open ends, a closed
// question with OTHER answers, and names that do not stand in it.
const char* const kQuestions[] = {"Q1", "Q2", "Q3", "Q4", "Q5", "NONE", ""};
constexpr const char kLabels[] =
    "Q1\t7\t0\tfirst\r\nQ2\t7\t0\tsecond\r\nQ3\t7\t0\tlooped\r\nQ4\t1\t1\tclosed\r\nQ5\t2\t0\tmulti\r\n";

struct fenced_buffer {
    unsigned char bytes[kGuard + kBufferSize + kGuard];
    fenced_buffer() { std::memset(bytes, kGuardByte, sizeof bytes); }
    char* text() { return reinterpret_cast<char*>(bytes + kGuard); }
    bool guards_intact() const {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes[i] != kGuardByte || bytes[kGuard + kBufferSize + i] != kGuardByte) return false;
        return true;
    }
};

void walk_index(const std::string& idx_path) {
    std::FILE* idx = std::fopen(idx_path.c_str(), "rb");
    FUZZ_CHECK(idx != nullptr);
    oc::idx_entry entry;
    long expected = 0;
    for (;;) {
        int result = oc::idxread(&entry, idx);
        FUZZ_CHECK(result >= -1 && result <= 1);
        if (result != 0) break;
        expected += oc::kIdxEntrySize;
        FUZZ_CHECK(std::ftell(idx) == expected);
    }
    std::fclose(idx);
}

// Record by record, as far as the headers' lengths lead.
void walk_data(const std::string& dat_path) {
    std::FILE* dat = std::fopen(dat_path.c_str(), "rb");
    FUZZ_CHECK(dat != nullptr);
    oc::rec_header header;
    long at = 0;
    for (int i = 0; i < 1000; ++i) {
        int result = oc::headread(&header, dat);
        FUZZ_CHECK(result >= -1 && result <= 1);
        if (result != 0) break;
        FUZZ_CHECK(std::ftell(dat) == at + oc::kRecHeaderSize);
        if (header.length < oc::kRecHeaderSize) break;
        at += header.length;
        if (std::fseek(dat, at, SEEK_SET) != 0) break;
    }
    std::fclose(dat);
}

// One question's walk: first respondent, then every roster iteration of
// each respondent, as the extraction engine calls it.
void walk_question(const char* question, std::int16_t filter, const std::string& idx_path,
                   const std::string& dat_path) {
    fenced_buffer buffer, fast_buffer;
    oc::answer_walk fast;
    long calls = 0;
    std::int16_t mode = -1;
    for (;;) {
        std::uint32_t respondent = 0;
        std::int32_t sequence = 0;
        std::int16_t type = -7;
        std::int32_t roster = 0;
        for (;;) {
            std::uint32_t fast_respondent = respondent;
            std::int32_t fast_sequence = sequence, fast_roster = roster;
            std::int16_t fast_type = type;
            std::int16_t n = oc::fextract(mode, question, buffer.text(), idx_path.c_str(), dat_path.c_str(),
                                          &respondent, &sequence, &type, filter, 1, &roster, 0, 0);
            std::int16_t fast_n = fast.fetch(mode, question, fast_buffer.text(), idx_path.c_str(), dat_path.c_str(),
                                             &fast_respondent, &fast_sequence, &fast_type, filter, &fast_roster);
            FUZZ_CHECK(fast_n == n && fast_respondent == respondent && fast_sequence == sequence &&
                       fast_type == type && fast_roster == roster);
            FUZZ_CHECK(std::memcmp(buffer.bytes, fast_buffer.bytes, sizeof buffer.bytes) == 0);
            FUZZ_CHECK(++calls < kMaxCalls);
            FUZZ_CHECK(buffer.guards_intact());
            FUZZ_CHECK(n >= -4);
            if (n < 0) return;
            if (n > 0) {
                // n terminated texts, back to back, inside the buffer.
                std::size_t at = 0;
                for (int i = 0; i < n; ++i) {
                    const char* end = static_cast<const char*>(std::memchr(buffer.text() + at, '\0', kBufferSize - at));
                    FUZZ_CHECK(end != nullptr);
                    at = static_cast<std::size_t>(end - buffer.text()) + 1;
                    FUZZ_CHECK(i + 1 == n || at < kBufferSize);
                }
                FUZZ_CHECK(roster >= 0 && roster <= 255);
            }
            if (n == 0 || roster == 0) break;
            ++roster;
            mode = 0;
        }
        mode = 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    const char* question = kQuestions[in.byte() % (sizeof kQuestions / sizeof kQuestions[0])];
    auto filter = static_cast<std::int16_t>(in.byte() % 4);
    std::string base = fuzz::scratch_path("S");
    std::string idx_path = base + ".idx", dat_path = base + ".DAT";
    fuzz::write_file(idx_path, in.part());
    fuzz::write_file(dat_path, in.rest());
    static bool labels_written = false;
    if (!labels_written) {
        fuzz::write_file(base + ".lbl", kLabels);
        labels_written = true;
    }

    walk_index(idx_path);
    walk_data(dat_path);
    walk_question(question, filter, idx_path, dat_path);

    std::ostringstream dump;
    oc::dump_study(base, dump);
    return 0;
}
