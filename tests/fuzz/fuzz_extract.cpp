// The extraction engine over an arbitrary coder list file: the coded
// lookup (checked against the plain file-reading test), the duplicate
// check, a run that writes a coder data file and stores its entry, and the
// list update on its own. The study is a small fixed one.
#include <cstring>
#include <filesystem>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "coderfile/discovery.h"
#include "engines/extract/coded_lookup.h"
#include "engines/extract/coder_list_update.h"
#include "engines/extract/extract_engine.h"
#include "fuzz_support.h"
#include "suite/error_library.h"
#include "suite/study_import.h"

namespace {

constexpr const char kLabelsCsv[] =
    "name,type,other,text\r\nQ1,7,0,liked\r\nQ2,7,0,change\r\nQ3,7,0,brand\r\nQ4,1,1,where\r\n";
constexpr const char kDataCsv[] =
    "respondent,sequence,complete,Q1,Q2,Q3[1],Q3[2],Q4\r\n"
    "1001,,1,fresh taste,less plastic,on offer,,3\r\n"
    "1002,,1,goes with milk|strong,,only one left,cheap one,4 corner shop\r\n"
    "1003,,0,caffeine,a bigger bag,,,\r\n"
    "1004,7,1,,,habit,,1\r\n";
const char* const kQuestions[] = {"Q1", "Q2", "Q3", "Q4", "q1", "NONE"};
const std::uint32_t kRespondents[] = {0, 1001, 1002, 1003, 1004, 5};

const std::string& study_base() {
    static const std::string base = [] {
        std::string labels = fuzz::scratch_path("labels.csv"), data = fuzz::scratch_path("data.csv");
        fuzz::write_file(labels, kLabelsCsv);
        fuzz::write_file(data, kDataCsv);
        std::string b = fuzz::scratch_path("S");
        FUZZ_CHECK(oc::import_study(labels, data, b).ok);
        return b;
    }();
    return base;
}

oc::quest_spec question(const char* name, std::int16_t max_codes) {
    oc::quest_spec q;
    std::snprintf(q.name, sizeof q.name, "%s", name);
    q.max_codes = max_codes;
    return q;
}

void check_lookup(const std::string& list, fuzz::input& in) {
    oc::coded_lookup lookup(list);
    for (int i = 0; i < 4; ++i) {
        std::uint32_t respondent = kRespondents[in.byte() % 6];
        const char* name = kQuestions[in.byte() % 6];
        std::int16_t cached = lookup.is_response_coded(respondent, name);
        FUZZ_CHECK(cached >= -1 && cached <= 1);
        FUZZ_CHECK(cached == oc::is_response_coded(list, respondent, name));
    }
}

// The entry named `name` as stored in the list, or false.
bool stored_entry(const std::string& list, const char* name, oc::coder_spec& spec) {
    return oc::find_coder_list_entry(list, name, spec) == 0;
}

void check_update(const std::string& list, const std::string& backup, const std::string& before) {
    oc::coder_spec spec;
    std::snprintf(spec.name, sizeof spec.name, "%s", "s.002");
    spec.respondent_count = 1;
    spec.resp_ids = {{3, 1003}};
    spec.question_count = 1;
    spec.question_names = {{'Q', '2'}};
    spec.record_count = 1;
    fuzz::remove_file(backup);
    if (!oc::update_coder_list(spec, list, backup)) {
        FUZZ_CHECK(fuzz::read_file(list) == before);
        return;
    }
    FUZZ_CHECK(fuzz::read_file(backup) == before);
    std::optional<std::vector<std::string>> names = oc::read_coder_list(list);
    FUZZ_CHECK(names.has_value());
    oc::coder_spec stored;
    FUZZ_CHECK(stored_entry(list, "S.002", stored));
    FUZZ_CHECK(stored.record_count == 1 && stored.respondent_count == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& base = study_base();
    fuzz::input in(data, size);
    std::uint8_t choice = in.byte();
    std::string script(in.take(8));
    std::string list_bytes(in.rest());
    std::string list = base + ".cdl", backup = base + ".cdb", coder = base + ".001";
    fuzz::write_file(list, list_bytes);
    fuzz::remove_file(coder);

    fuzz::input lookups(reinterpret_cast<const std::uint8_t*>(script.data()), script.size());
    check_lookup(list, lookups);

    oc::quest_list questions = {question("Q1", 3), question("Q3", 1), question("Q4", 2)};
    oc::extract_request request;
    request.coder_path = coder;
    request.include_data = static_cast<std::uint16_t>(choice % 3);
    request.interviews = static_cast<std::int16_t>(choice / 3 % 3);
    if (choice & 0x40) {
        request.min_respondent = 1002;
        request.max_respondent = 1003;
    }
    request.question_count = static_cast<std::int16_t>(questions.size());
    request.questions = &questions;
    std::int16_t duplicates = oc::find_coded_questions(list, request);
    FUZZ_CHECK(duplicates >= -1 && duplicates <= 1);

    std::optional<std::vector<std::string>> names_before = oc::read_coder_list(list);
    fuzz::remove_file(backup);
    std::int16_t result = 0;
    try {
        result = oc::extract_responses(request, (choice & 0x80) != 0, base + ".DAT", base + ".idx", list, backup);
    } catch (const oc::CHalvexException&) {
        FUZZ_CHECK(!"the fixed study reads without data-library errors");
    }
    FUZZ_CHECK(result == 0 || result == 1 || result == -1 || result == -4);
    if (result == 0) {
        // The coder file loads, and its entry stands in the list in place
        // of the old one of its name or after the others.
        oc::coder_spec loaded;
        oc::quest_list loaded_questions;
        std::int16_t count = 0;
        FUZZ_CHECK(oc::load_coder_file(coder.c_str(), loaded, loaded_questions, count) == 0);
        FUZZ_CHECK(fuzz::read_file(backup) == list_bytes);
        std::optional<std::vector<std::string>> names_after = oc::read_coder_list(list);
        FUZZ_CHECK(names_after.has_value());
        oc::coder_spec stored;
        FUZZ_CHECK(stored_entry(list, "S.001", stored));
        FUZZ_CHECK(stored.record_count == loaded.record_count && stored.respondent_count == loaded.respondent_count);
        if (names_before) FUZZ_CHECK(names_after->size() == names_before->size() || names_after->size() == names_before->size() + 1);
    } else {
        // A failed run leaves the list as it was; its coder file is gone,
        // unless only the list update failed: then it stays, complete.
        FUZZ_CHECK(fuzz::read_file(list) == list_bytes);
        if (std::filesystem::exists(coder)) {
            FUZZ_CHECK(result == -1);
            oc::coder_spec loaded;
            oc::quest_list loaded_questions;
            std::int16_t count = 0;
            FUZZ_CHECK(oc::load_coder_file(coder.c_str(), loaded, loaded_questions, count) == 0);
        }
    }
    if (result != 0) check_update(list, backup, list_bytes);
    return 0;
}
