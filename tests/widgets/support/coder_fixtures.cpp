#include "coder_fixtures.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "coderfile/coder_list.h"
#include "engines/extract/extract_engine.h"
#include "test_support.h"

namespace octest {

namespace {

std::string format(const char* pattern, auto... values) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, values...);
    return std::string(buffer, std::size_t(n));
}

int total_records(const fixture_file& file) {
    int total = 0;
    for (const fixture_question& q : file.questions) total += q.records;
    return total;
}

// The whole coder data file, trailer offset included.
std::string coder_file_text(const fixture_file& file) {
    std::string records;
    int k = 0;
    for (const fixture_question& q : file.questions) {
        for (int r = 0; r < q.records; ++r, ++k) {
            const oc::resp_id id = file.respondents.empty() ? oc::resp_id{std::uint16_t(k + 1), 1000 + k}
                                                            : file.respondents[std::size_t(k) % file.respondents.size()];
            records += format("%5d %9ld %8s %3d %3d %2d %2d ", int(id.sequence), long(id.respondent), q.name.c_str(), 0,
                              1, 0, 0);
            records += std::string(std::size_t(q.max_codes) * 5, ' ');
            records += "answer " + std::to_string(k + 1) + "\r\n";
        }
    }
    const std::string line1 = file.name + "\r\n";
    const long line2_size = 15 + 2;  // "%9ld %2d %2d" and CR LF
    const long trailer_offset = long(line1.size()) + line2_size + long(records.size());
    std::string text = line1 + format("%9ld %2d %2d\r\n", trailer_offset, file.status, file.interviews) + records;
    text += file.name + "\r\n";
    text += format("%9ld %5d", long(total_records(file)), int(file.respondents.size()));
    for (std::size_t i = 0; i < file.respondents.size(); ++i) {
        if (i % 5 == 0) text += "\r\n";
        text += format("%5d %9ld ", int(file.respondents[i].sequence), long(file.respondents[i].respondent));
    }
    text += format("\r\n%5d\r\n", int(file.questions.size()));
    for (const fixture_question& q : file.questions)
        text += format("%8s %9ld %1d %4d %2d %9ld\r\n", q.name.c_str(), long(q.records), q.action, q.code_width,
                       q.max_codes, long(q.last_coded));
    return text;
}

}  // namespace

void write_coder_file(const std::string& directory, const fixture_file& file) {
    write_bytes(directory + "/" + file.name, coder_file_text(file));
}

void write_coder_list(const std::string& path, const std::vector<fixture_file>& files) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) throw std::runtime_error("cannot create " + path);
    const std::uint32_t count = std::uint32_t(files.size());
    const unsigned char count_bytes[4] = {std::uint8_t(count), std::uint8_t(count >> 8), std::uint8_t(count >> 16),
                                          std::uint8_t(count >> 24)};
    std::fwrite(count_bytes, 1, 4, out);
    for (const fixture_file& file : files) {
        oc::coder_spec spec;
        std::strncpy(spec.name, file.name.c_str(), sizeof spec.name - 1);
        spec.status = std::int16_t(file.status);
        spec.respondent_count = std::int16_t(file.respondents.size());
        spec.interviews = std::int16_t(file.interviews);
        spec.question_count = std::int16_t(file.questions.size());
        spec.record_count = total_records(file);
        spec.resp_ids = file.respondents;
        for (const fixture_question& q : file.questions) {
            std::array<char, 8> name{};
            std::memcpy(name.data(), q.name.data(), std::min<std::size_t>(8, q.name.size()));
            spec.question_names.push_back(name);
        }
        if (!oc::write_coder_list_entry(out, spec)) {
            std::fclose(out);
            throw std::runtime_error("cannot write " + path);
        }
    }
    std::fclose(out);
}

fixture_file simple_file(const std::string& name, int status, int interviews) {
    fixture_file file;
    file.name = name;
    file.status = status;
    file.interviews = interviews;
    file.questions = {{"Q1", 0, 2, 3, 2, 0}, {"Q2", 1, 1, 1, 2, 2}};
    file.respondents = {{11, 1001}, {12, 1002}, {13, 1003}};
    return file;
}

void extract_s001(const std::vector<coder_question>& questions) {
    oc::quest_list list(questions.size());
    for (std::size_t i = 0; i < questions.size(); ++i) {
        std::snprintf(list[i].name, sizeof list[i].name, "%s", questions[i].name);
        list[i].action = static_cast<std::int16_t>(questions[i].action);
        list[i].max_codes = static_cast<std::int16_t>(questions[i].max_codes);
        list[i].code_width = static_cast<std::int16_t>(questions[i].code_width);
    }
    oc::extract_request request;
    request.coder_path = "S.001";
    request.questions = &list;
    request.question_count = static_cast<std::int16_t>(list.size());
    ASSERT_EQ(oc::kExtractWritten, oc::extract_responses(request, false, "S.DAT", "S.idx", "S.cdl", "S.cdb"));
}

}  // namespace octest
