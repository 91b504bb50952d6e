#include "engines/batch/batch_codes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/cursor.h"
#include "engines/frame/code_frame.h"
#include "engines/groups/answer_groups.h"
#include "suite/csv_rows.h"
#include "suite/path_parts.h"
#include "suite/whole_number.h"

namespace oc {

namespace {

// One record of the coder file, by its question and number within it.
struct record_place {
    std::size_t question = 0;  // index into the question list
    std::int32_t number = 0;   // within the question, from 1
    std::uint16_t sequence = 0;
};

using record_key = std::tuple<std::string, std::int32_t, int, int>;  // question, respondent, roster, list_no
// The records of each question by their normalised answer.
using answer_index = std::map<std::pair<std::string, std::string>, std::vector<record_place>>;

// Every record of the file, as the coder cursor numbers them; with
// `answers`, also by answer.
std::optional<std::multimap<record_key, record_place>> index_records(const std::string& path,
                                                                     const quest_list& questions,
                                                                     answer_index* answers = nullptr) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    coder_spec spec;
    std::int32_t trailer = 0;
    std::multimap<record_key, record_place> records;
    bool ok = read_coder_header(file, spec, trailer) == 0;
    std::map<std::string, std::int32_t> numbers;
    while (ok && std::ftell(file) < trailer) {
        resp_record record;
        if (read_resp_record(file, record) != 0) {
            ok = false;
            break;
        }
        auto q = std::find_if(questions.begin(), questions.end(),
                              [&](const quest_spec& s) { return std::strcmp(s.name, record.qname) == 0; });
        if (q == questions.end()) {
            ok = false;  // a record of a question the trailer does not list
            break;
        }
        const record_place place{static_cast<std::size_t>(q - questions.begin()), ++numbers[record.qname],
                                 record.sequence};
        records.emplace(record_key{record.qname, record.respondent, record.roster, record.list_no}, place);
        if (answers) (*answers)[{record.qname, normalise_answer(record.text)}].push_back(place);
    }
    std::fclose(file);
    if (!ok) return std::nullopt;
    return records;
}

struct planned_codes {
    record_place place;
    std::vector<std::int16_t> codes;
};

struct csv_columns {
    int question = -1, respondent = -1, roster = -1, list_no = -1, codes = -1, sequence = -1;
};

std::string where(const std::string& csv, int row, const char* column) {
    return file_name_of(csv) + " row " + std::to_string(row) + ", column " + column + ": ";
}

study_result read_header(const csv_row& row, csv_columns& columns, const std::string& csv) {
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        const std::string& name = row.cells[i];
        int* slot = name == "question"     ? &columns.question
                    : name == "respondent" ? &columns.respondent
                    : name == "roster"     ? &columns.roster
                    : name == "list_no"    ? &columns.list_no
                    : name == "codes"      ? &columns.codes
                    : name == "sequence"   ? &columns.sequence
                                           : nullptr;
        if (!slot) return study_result::failure(file_name_of(csv) + " row 1: unknown column \"" + name + "\"");
        if (*slot >= 0) return study_result::failure(file_name_of(csv) + " row 1: column \"" + name + "\" twice");
        *slot = static_cast<int>(i);
    }
    for (auto [slot, name] : {std::pair{columns.question, "question"}, {columns.respondent, "respondent"},
                              {columns.roster, "roster"}, {columns.list_no, "list_no"}, {columns.codes, "codes"}})
        if (slot < 0) return study_result::failure(file_name_of(csv) + " row 1: column \"" + name + "\" is missing");
    return study_result::success();
}

using record_index = std::multimap<record_key, record_place>;

// Rows read so far: the codes for each record and the row that named it.
struct batch_plan {
    std::vector<planned_codes> codes;
    std::map<std::pair<std::size_t, std::int32_t>, int> rows;  // record -> CSV row
};

// The codes of one cell, each 1-9999 in at most the question's code width
// and at most its number of codes.
study_result read_codes(const std::string& text, const quest_spec& q, const std::string& codes_csv, int row,
                        const code_frame* strict, std::vector<std::int16_t>& codes) {
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        std::string code = text.substr(start, end - start);
        start = end + 1;
        if (code.empty()) continue;
        auto value = parse_whole(code, 1, 9999);
        if (!value || code.size() > static_cast<std::size_t>(q.code_width))
            return study_result::failure(where(codes_csv, row, "codes") + "\"" + code +
                                         "\" is not a code from 1 to 9999 of at most " +
                                         std::to_string(q.code_width) + " digits");
        if (strict && !strict->find(q.name, static_cast<int>(*value)))
            return study_result::failure(where(codes_csv, row, "codes") + std::to_string(*value) +
                                         " is not a code of " + q.name + " in the code frame");
        codes.push_back(static_cast<std::int16_t>(*value));
    }
    if (codes.size() > static_cast<std::size_t>(q.max_codes))
        return study_result::failure(where(codes_csv, row, "codes") + "more than " + std::to_string(q.max_codes) +
                                     " codes");
    return study_result::success();
}

// One data row: the record it names, found exactly once, and its codes.
study_result plan_row(const csv_row& row, const csv_columns& columns, const record_index& records,
                      const quest_list& questions, const std::string& codes_csv, const code_frame* strict,
                      batch_plan& plan) {
    if (row.cells.size() != std::max({columns.question, columns.respondent, columns.roster, columns.list_no,
                                      columns.codes, columns.sequence}) + 1u)
        return study_result::failure(file_name_of(codes_csv) + " row " + std::to_string(row.number) +
                                     ": the row does not have one cell per column");
    auto cell = [&](int column) -> const std::string& { return row.cells[static_cast<std::size_t>(column)]; };
    auto respondent = parse_whole(cell(columns.respondent), 0, 2147483647);
    if (!respondent) return study_result::failure(where(codes_csv, row.number, "respondent") + "not a respondent number");
    auto roster = parse_whole(cell(columns.roster), 0, 255);
    if (!roster) return study_result::failure(where(codes_csv, row.number, "roster") + "not a number from 0 to 255");
    auto list_no = parse_whole(cell(columns.list_no), 0, 255);
    if (!list_no) return study_result::failure(where(codes_csv, row.number, "list_no") + "not a number from 0 to 255");
    std::optional<std::int64_t> sequence;
    if (columns.sequence >= 0 && !cell(columns.sequence).empty()) {
        sequence = parse_whole(cell(columns.sequence), 0, 65535);
        if (!sequence) return study_result::failure(where(codes_csv, row.number, "sequence") + "not a number from 0 to 65535");
    }

    auto [first, last] = records.equal_range(record_key{cell(columns.question), static_cast<std::int32_t>(*respondent),
                                                        static_cast<int>(*roster), static_cast<int>(*list_no)});
    std::vector<record_place> matches;
    for (auto it = first; it != last; ++it)
        if (!sequence || it->second.sequence == *sequence) matches.push_back(it->second);
    if (matches.empty())
        return study_result::failure(file_name_of(codes_csv) + " row " + std::to_string(row.number) +
                                     ": no record of the coder file matches");
    if (matches.size() > 1)
        return study_result::failure(file_name_of(codes_csv) + " row " + std::to_string(row.number) + ": " +
                                     std::to_string(matches.size()) +
                                     " records match; add a sequence column to choose one");
    planned_codes planned{matches[0], {}};
    study_result codes = read_codes(cell(columns.codes), questions[matches[0].question], codes_csv, row.number,
                                    strict, planned.codes);
    if (!codes.ok) return codes;
    auto [earlier, fresh] = plan.rows.emplace(std::pair{planned.place.question, planned.place.number}, row.number);
    if (!fresh)
        return study_result::failure(file_name_of(codes_csv) + " row " + std::to_string(row.number) +
                                     ": the same record as row " + std::to_string(earlier->second));
    plan.codes.push_back(std::move(planned));
    return study_result::success();
}

// Writes the planned codes in file order (questions in list order, records
// forward within each), raising each question's last_record_coded, and then
// the status, line 2 and the trailer.
batch_result write_plan(const std::string& coder_path, coder_spec& spec, quest_list& questions,
                        std::vector<planned_codes>& plan) {
    std::sort(plan.begin(), plan.end(), [](const planned_codes& a, const planned_codes& b) {
        return std::tie(a.place.question, a.place.number) < std::tie(b.place.question, b.place.number);
    });
    int coded = 0;
    std::vector<journal_change> changes;
    for (std::size_t start = 0; start < plan.size();) {
        quest_spec& q = questions[plan[start].place.question];
        cursor_ptr cursor(open_coder_cursor(coder_path.c_str(), q.name));
        if (!cursor) return {false, coded, "cannot open the coder data file " + coder_path + " for writing", changes};
        for (; start < plan.size() && &questions[plan[start].place.question] == &q; ++start) {
            resp_record record;
            if (seek_question_record(*cursor, plan[start].place.number, record) != 0)
                return {false, coded, "cannot read record " + std::to_string(plan[start].place.number) + " of " +
                                          q.name + " in " + coder_path, changes};
            std::vector<std::int16_t> old_codes(record.codes.begin(),
                                                record.codes.begin() + std::min<int>(record.codes_count, kMaxCodes));
            record.code_slots = static_cast<std::uint8_t>(q.max_codes);
            record.codes.fill(-1);
            record.codes_count = static_cast<std::uint8_t>(plan[start].codes.size());
            std::copy(plan[start].codes.begin(), plan[start].codes.end(), record.codes.begin());
            if (rewrite_current_record(*cursor, record) != 0)
                return {false, coded, "cannot write the codes of " + std::string(q.name) + " into " + coder_path, changes};
            if (record.codes_count != 0 && plan[start].place.number > q.last_record_coded)
                q.last_record_coded = plan[start].place.number;
            ++coded;
            if (old_codes != plan[start].codes)
                changes.push_back(record_change(file_name_of(coder_path), q.name, record.respondent, record.sequence,
                                                record.roster, record.list_no, std::move(old_codes),
                                                plan[start].codes, "batch"));
        }
    }
    compute_file_status(spec, questions);
    cursor_ptr cursor(open_coder_cursor(coder_path.c_str(), ""));
    if (!cursor || write_coder_header(*cursor, spec) != 0 || write_coder_trailer(*cursor, spec, questions) != 0)
        return {false, coded, "cannot rewrite the status and trailer of " + coder_path, changes};
    return {true, coded, {}, changes};
}

// One row of a by-answer file: every record of its question whose answer
// normalises as the row's does, each given the row's codes.
study_result plan_answer_row(const csv_row& row, const answer_index& answers, const quest_list& questions,
                             const std::string& codes_csv, const code_frame* strict, batch_plan& plan) {
    if (row.cells.size() != 3)
        return study_result::failure(file_name_of(codes_csv) + " row " + std::to_string(row.number) +
                                     ": the row does not have one cell per column");
    const std::string& question = row.cells[0];
    auto q = std::find_if(questions.begin(), questions.end(),
                          [&](const quest_spec& s) { return question == s.name; });
    if (q == questions.end())
        return study_result::failure(where(codes_csv, row.number, "question") + "no question \"" + question +
                                     "\" in the coder file");
    auto found = answers.find({question, normalise_answer(row.cells[1])});
    if (found == answers.end())
        return study_result::failure(where(codes_csv, row.number, "answer") + "no record of " + question +
                                     " has this answer");
    std::vector<std::int16_t> codes;
    study_result read = read_codes(row.cells[2], *q, codes_csv, row.number, strict, codes);
    if (!read.ok) return read;
    for (const record_place& place : found->second) {
        auto [earlier, fresh] = plan.rows.emplace(std::pair{place.question, place.number}, row.number);
        if (!fresh)
            return study_result::failure(file_name_of(codes_csv) + " row " + std::to_string(row.number) +
                                         ": the same answer as row " + std::to_string(earlier->second));
        plan.codes.push_back({place, codes});
    }
    return study_result::success();
}

}  // namespace

batch_result apply_answer_codes(const std::string& coder_path, const std::string& codes_csv, const code_frame* strict) {
    coder_spec spec;
    quest_list questions;
    std::int16_t question_count = 0;
    if (load_coder_file(coder_path.c_str(), spec, questions, question_count) != 0)
        return {false, 0, "cannot read the coder data file " + coder_path, {}};
    answer_index answers;
    if (!index_records(coder_path, questions, &answers))
        return {false, 0, "cannot read the records of the coder data file " + coder_path, {}};
    batch_plan plan;
    bool header = false;
    study_result read = read_csv_rows(codes_csv, [&](const csv_row& row) -> study_result {
        if (row.number == 1) {
            header = row.cells == std::vector<std::string>{"question", "answer", "codes"};
            if (!header)
                return study_result::failure(file_name_of(codes_csv) + " row 1: the header is not question,answer,codes");
            return study_result::success();
        }
        if (row.cells.empty()) return study_result::success();
        return plan_answer_row(row, answers, questions, codes_csv, strict, plan);
    });
    if (!read.ok) return {false, 0, read.message, {}};
    if (!header) return {false, 0, file_name_of(codes_csv) + ": no header row", {}};
    return write_plan(coder_path, spec, questions, plan.codes);
}

batch_result apply_batch_codes(const std::string& coder_path, const std::string& codes_csv,
                               const code_frame* strict) {
    coder_spec spec;
    quest_list questions;
    std::int16_t question_count = 0;
    if (load_coder_file(coder_path.c_str(), spec, questions, question_count) != 0)
        return {false, 0, "cannot read the coder data file " + coder_path, {}};
    auto records = index_records(coder_path, questions);
    if (!records) return {false, 0, "cannot read the records of the coder data file " + coder_path, {}};

    csv_columns columns;
    batch_plan plan;
    study_result read = read_csv_rows(codes_csv, [&](const csv_row& row) -> study_result {
        if (row.number == 1) return read_header(row, columns, codes_csv);
        if (row.cells.empty()) return study_result::success();
        return plan_row(row, columns, *records, questions, codes_csv, strict, plan);
    });
    if (!read.ok) return {false, 0, read.message, {}};
    if (columns.codes < 0) return {false, 0, file_name_of(codes_csv) + ": no header row", {}};
    return write_plan(coder_path, spec, questions, plan.codes);
}

}  // namespace oc
