// A study imported from CSV text into a scratch directory, and runs of the
// extraction engine over it.
#pragma once

#include <string>

#include "engines/extract/extract_engine.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace extracttest {

class StudyTest : public ::testing::Test {
protected:
    // Imports study "S" and makes its directory current.
    void import(const std::string& labels_csv, const std::string& data_csv) {
        octest::write_bytes(dir.file("labels.csv"), labels_csv);
        octest::write_bytes(dir.file("data.csv"), data_csv);
        oc::import_result imported = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"), dir.file("S"));
        ASSERT_TRUE(imported.ok) << imported.message;
        dir.enter();
    }

    std::int16_t run(oc::extract_request& request, bool check = false) {
        return oc::extract_responses(request, check, "S.DAT", "S.idx", "S.cdl", "S.cdb");
    }

    static oc::quest_spec question(const char* name, std::int16_t action = 0, std::int16_t width = 1,
                                   std::int16_t max_codes = 1) {
        oc::quest_spec q;
        std::snprintf(q.name, sizeof q.name, "%s", name);
        q.action = action;
        q.code_width = width;
        q.max_codes = max_codes;
        return q;
    }

    // A coder-file request for `questions` into `path`, every answer admitted.
    oc::extract_request coder_request(const std::string& path, oc::quest_list& questions) {
        oc::extract_request request;
        request.coder_path = path;
        request.include_data = oc::data_all;
        request.questions = &questions;
        request.question_count = static_cast<std::int16_t>(questions.size());
        return request;
    }

    oc::extract_request listing_request(const std::string& path, oc::quest_list& questions) {
        oc::extract_request request = coder_request("", questions);
        request.listing_path = path;
        request.one_line = request.show_respondent = request.show_numbers = true;
        return request;
    }

    octest::ScratchDir dir;
};

}  // namespace extracttest
