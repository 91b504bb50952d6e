// The data-file writer over arbitrary .idx and .DAT bytes (input: the
// fuzz README). The same appends go one call at a time reading the .idx,
// through an index copy, and staged in one session: all three must give the
// same results and bytes; a call that does not append leaves both files as
// they were, one that does adds one version and one entry and changes no
// more of the .idx than one link.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "engines/merge/data_file_writer.h"
#include "engines/merge/study_index.h"
#include "suite/study_format.h"

namespace {

struct planned_append {
    std::int32_t respondent = 0;
    std::uint16_t sequence = 0;
    oc::coded_var var;
};

struct study {
    std::string idx, dat;
    bool operator==(const study& other) const { return idx == other.idx && dat == other.dat; }
};

study read_study(const std::string& base) { return {fuzz::read_file(base + ".idx"), fuzz::read_file(base + ".DAT")}; }

void write_study(const std::string& base, const study& files) {
    fuzz::write_file(base + ".idx", files.idx);
    fuzz::write_file(base + ".DAT", files.dat);
}

// What one call may have done to the files.
void check_one_append(const study& before, const study& after, std::int16_t result) {
    if (after == before) return;  // no match, a refusal, or a respondent without data
    FUZZ_CHECK(result == oc::kAppendDone);
    FUZZ_CHECK(after.idx.size() == before.idx.size() + oc::kIdxEntrySize);
    FUZZ_CHECK(after.dat.size() > before.dat.size());
    FUZZ_CHECK(after.dat.compare(0, before.dat.size(), before.dat) == 0);
    const auto* version = reinterpret_cast<const unsigned char*>(after.dat.data()) + before.dat.size();
    FUZZ_CHECK(oc::get_u32(version) == oc::kRecordMagic);
    FUZZ_CHECK(oc::get_u16(version + 4) == after.dat.size() - before.dat.size());
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.idx.size(); ++i) changed += before.idx[i] != after.idx[i];
    FUZZ_CHECK(changed <= 4);
    // The new entry points at the new version.
    const auto* entry = reinterpret_cast<const unsigned char*>(after.idx.data()) + before.idx.size();
    FUZZ_CHECK(oc::get_u32(entry + 12) == before.dat.size());
    FUZZ_CHECK(oc::get_u32(entry + 16) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::input in(data, size);
    std::uint8_t how = in.byte();
    bool by_respondent = (how & 1) != 0;
    std::vector<planned_append> plan(1 + (how >> 1 & 3));
    for (planned_append& p : plan) {
        p.respondent = static_cast<std::int32_t>(in.u16() | static_cast<std::uint32_t>(in.u16()) << 16);
        p.sequence = in.u16();
        int values = in.byte() % 4;
        std::size_t length = in.u16() % 1024;
        std::memcpy(p.var.name, "#Q1", 3);
        for (int v = 0; v < values; ++v) p.var.values.push_back(std::string(length, static_cast<char>('0' + v)));
    }
    const study original{std::string(in.part()), std::string(in.rest())};

    const std::string scan_base = fuzz::scratch_path("R"), indexed_base = fuzz::scratch_path("S"),
                      session_base = fuzz::scratch_path("T");
    for (const std::string& base : {scan_base, indexed_base, session_base}) write_study(base, original);

    // One call at a time, the .idx read from the file.
    std::vector<std::int16_t> results;
    for (const planned_append& p : plan) {
        study before = read_study(scan_base);
        results.push_back(oc::AppendCodedVariable(p.respondent, p.sequence, {p.var}, scan_base + ".DAT",
                                                  scan_base + ".idx", by_respondent, {}));
        FUZZ_CHECK(results.back() >= oc::kAppendFailed && results.back() <= oc::kAppendDone);
        check_one_append(before, read_study(scan_base), results.back());
    }
    const study expected = read_study(scan_base);

    // Through an index copy kept over the calls.
    oc::study_index index;
    index.load(indexed_base + ".idx");
    for (std::size_t i = 0; i < plan.size(); ++i)
        FUZZ_CHECK(oc::AppendCodedVariable(plan[i].respondent, plan[i].sequence, {plan[i].var}, indexed_base + ".DAT",
                                           indexed_base + ".idx", by_respondent, {}, &index) == results[i]);
    FUZZ_CHECK(read_study(indexed_base) == expected);

    // Staged in one session, old versions read from what is staged.
    oc::study_index session_index;
    session_index.load(session_base + ".idx");
    oc::study_writer writer;
    if (writer.open(session_base + ".DAT", session_base + ".idx", &session_index) == oc::kAppendDone) {
        for (std::size_t i = 0; i < plan.size(); ++i)
            FUZZ_CHECK(writer.append(plan[i].respondent, plan[i].sequence, {plan[i].var}, by_respondent, {}) ==
                       results[i]);
        FUZZ_CHECK(writer.commit());
        FUZZ_CHECK(writer.close());
    } else {
        for (std::int16_t result : results) FUZZ_CHECK(result == oc::kAppendFailed);
    }
    FUZZ_CHECK(read_study(session_base) == expected);
    return 0;
}
