// Readers of files the tool does not control, over damaged and odd inputs,
// and the rules of writers and small functions, as tables in tests/data/
// readers: NAME.cases holds a case a line, "what<TAB>bytes" for a reader
// ("what<TAB>labels<TAB>data[<TAB>target]" for the import), "what<TAB>
// argument..." for the others (escapes: tests/README.md), NAME.expect what
// came of each. OPENCODER_UPDATE_EXPECT=1 writes the .expect files.
#include <cstdlib>
#include <optional>
#include <sstream>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "coderfile/discovery.h"
#include "coderfile/naming.h"
#include "engines/extract/extract_engine.h"
#include "engines/merge/merge_engine.h"
#include "engines/merge/unique_respondents.h"
#include "suite/data_library.h"
#include "suite/label_file.h"
#include "suite/study_import.h"
#include "test_support.h"

namespace {

using namespace octest;

// Bytes shown on one line; of long ones, the length and both ends.
std::string shown(const std::string& bytes) {
    if (bytes.size() > 60)
        return std::to_string(bytes.size()) + " bytes " + shown(bytes.substr(0, 20)) + "..." + shown(bytes.substr(bytes.size() - 10));
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

std::string codes_of(const oc::resp_record& r) {
    std::string out;
    for (std::int16_t code : r.codes)
        if (code != -1) out += " " + std::to_string(code);
    return out;
}

std::string spec_text(const oc::coder_spec& spec) {
    std::string out = std::string(spec.name) + " status " + std::to_string(spec.status) + " interviews " +
                      std::to_string(spec.interviews) + " records " + std::to_string(spec.record_count) +
                      " respondents " + std::to_string(spec.respondent_count) + " questions " +
                      std::to_string(spec.question_count) + " reserved " + std::to_string(spec.reserved) + " ids";
    // At most three of each array.
    for (std::size_t i = 0; i < spec.resp_ids.size() && i < 3; ++i)
        out += " " + std::to_string(spec.resp_ids[i].sequence) + "/" + std::to_string(spec.resp_ids[i].respondent);
    out += " (" + std::to_string(spec.resp_ids.size()) + ") names";
    for (std::size_t i = 0; i < spec.question_names.size() && i < 3; ++i)
        out += " " + shown(std::string(spec.question_names[i].data(), 8));
    return out + " (" + std::to_string(spec.question_names.size()) + ")";
}


// What the reader `reader` makes of the file `path` (holding the case's bytes).
std::string read_case(const std::string& reader, const std::string& path) {
    std::ostringstream out;
    if (reader == "record") {
        // Two reads: the second must start on the next line.
        file_ptr file(std::fopen(path.c_str(), "rb"));
        for (int i = 0; i < 2; ++i) {
            oc::resp_record r;
            r.code_slots = 3;
            r.action = 1;
            int result = oc::read_resp_record(file.get(), r);
            out << (i ? " | " : "") << result;
            if (result != 0) break;
            out << " " << r.sequence << "/" << r.respondent << " " << r.qname << " roster " << int{r.roster}
                << " list " << int{r.list_no} << " reserved " << int{r.reserved} << " count " << int{r.codes_count}
                << " codes" << codes_of(r) << " text " << shown(r.text) << " slots " << int{r.code_slots}
                << " action " << int{r.action} << " at " << std::ftell(file.get());
        }
    } else if (reader == "header") {
        file_ptr file(std::fopen(path.c_str(), "rb"));
        oc::coder_spec spec;
        spec.respondent_count = 7;
        spec.resp_ids.resize(7);
        spec.question_names.resize(2);
        std::int32_t offset = -5;
        out << oc::read_coder_header(file.get(), spec, offset) << " offset " << offset << " " << spec_text(spec);
    } else if (reader == "coder_file") {
        oc::coder_spec spec;
        oc::quest_list questions(1);
        std::snprintf(questions[0].name, sizeof questions[0].name, "KEEP");
        std::int16_t count = -1;
        out << oc::load_coder_file(path.c_str(), spec, questions, count) << " count " << count << " "
            << spec_text(spec);
        for (const oc::quest_spec& q : questions)
            out << " | " << q.name << " " << q.record_count << " " << q.action << " " << q.code_width << " "
                << q.max_codes << " " << q.last_record_coded;
    } else if (reader == "coder_list") {
        for (bool skip : {false, true}) {
            file_ptr file(std::fopen(path.c_str(), "rb"));
            out << (skip ? " || skipping:" : "reading:");
            for (int i = 0; i < 3; ++i) {
                oc::coder_spec spec;
                int result = oc::read_coder_list_entry(file.get(), skip, spec);
                out << " " << result;
                if (result != 0) break;
                out << " " << spec_text(spec) << " at " << std::ftell(file.get()) << ";";
            }
        }
    } else if (reader == "list_find") {
        for (const char* name : {"ABC.002", "abc.002", "A.001", "ABC.003", "ABC.00"}) {
            oc::coder_spec spec;
            int result = oc::find_coder_list_entry(path, name, spec);
            out << name << ": " << result << (result == 0 ? " " + spec_text(spec) : "") << "; ";
        }
        oc::list_figures f = oc::collect_list_figures(path, {"ABC.002", "GONE.001", "a.001"});
        out << "figures";
        for (std::size_t i = 0; i < f.records.size(); ++i)
            out << " " << f.respondents[i] << "/" << f.questions[i] << "/" << f.records[i] << "/" << int{f.interviews[i]};
    } else if (reader == "label") {
        std::vector<oc::study_label> labels{{"OLD", 7, false, "kept?"}};
        oc::study_result r = oc::read_label_file(path, labels);
        std::string message = r.message;
        if (std::size_t at = message.find(path); at != std::string::npos) message.replace(at, path.size(), "FILE");
        out << (r.ok ? "ok" : "refused: " + message);
        for (const oc::study_label& l : labels) out << " | " << l.name << " " << int{l.type} << " " << l.other << " " << shown(l.text);
        // The data library's reader agrees.
        std::int32_t unused2 = -1, unused4 = -1;
        std::int16_t count = -1;
        char** names = nullptr;
        std::uint8_t *types = nullptr, *others = nullptr;
        std::uint16_t status = oc::read_label(path.c_str(), &unused2, &count, &unused4, &names, &types, &others, 0, 1, 1);
        out << " || read_label " << status;
        if (status == 0) {
            out << " unused " << unused2 << " " << unused4 << " count " << count;
            for (int i = 0; i < count; ++i) {
                out << " " << names[i] << "/" << int{types[i]} << "/" << int{others[i]};
                std::free(names[i]);
            }
            std::free(names);
            std::free(types);
            std::free(others);
        } else if (names != nullptr) {
            out << " names handed out";
        }
    }
    return out.str();
}


// The example coder file ABC.001 with `write` applied to it: the result, and
// the file's size or "unchanged".
template <typename Write>
std::string on_example(const std::string& path, Write write) {
    const std::string golden = read_bytes(test_data("coderfiles/ABC.001"));
    write_bytes(path, golden);
    file_ptr file(std::fopen(path.c_str(), "r+b"));
    int result = write(file.get());
    file.reset();
    std::string now = read_bytes(path);
    return std::to_string(result) + (now == golden ? " unchanged" : " size " + std::to_string(now.size()));
}

// The other tables: `a` holds the case's arguments.
std::string call_case(const std::string& table, const std::vector<std::string>& a, const std::string& path) {
    auto n = [&](std::size_t i) { return std::stol(a.at(i)); };
    if (table == "trailer_write") {  // name spec_records q_records action width max_codes last_coded respondents
        oc::coder_spec spec;
        oc::quest_list questions;
        std::int16_t count = 0;
        oc::load_coder_file(test_data("coderfiles/ABC.001").c_str(), spec, questions, count);
        std::snprintf(questions[0].name, sizeof questions[0].name, "%s", a.at(0).c_str());
        spec.record_count = static_cast<std::int32_t>(n(1));
        questions[0].record_count = static_cast<std::int32_t>(n(2));
        questions[0].action = static_cast<std::int16_t>(n(3));
        questions[0].code_width = static_cast<std::int16_t>(n(4));
        questions[0].max_codes = static_cast<std::int16_t>(n(5));
        questions[0].last_record_coded = static_cast<std::int32_t>(n(6));
        spec.respondent_count = static_cast<std::int16_t>(n(7));
        return on_example(path, [&](std::FILE* f) { return oc::write_coder_trailer(f, spec, questions, 156); });
    }
    if (table == "header_write") {  // offset status interviews
        oc::coder_spec spec;
        std::snprintf(spec.name, sizeof spec.name, "ABC.001");
        spec.status = static_cast<std::int16_t>(n(1));
        spec.interviews = static_cast<std::int16_t>(n(2));
        return on_example(path, [&](std::FILE* f) {
            return oc::write_coder_header(f, spec, static_cast<std::int32_t>(n(0)));
        });
    }
    if (table == "record_write") {  // slots count qname respondent code
        oc::resp_record r;
        r.sequence = 12;
        r.code_slots = static_cast<std::uint8_t>(n(0));
        r.codes_count = static_cast<std::uint8_t>(n(1));
        std::snprintf(r.qname, sizeof r.qname, "%s", unescape(a.at(2)).c_str());
        r.respondent = static_cast<std::int32_t>(n(3));
        r.codes.fill(static_cast<std::int16_t>(n(4)));
        file_ptr file(std::fopen(path.c_str(), "wb"));
        int result = oc::write_resp_record(file.get(), r);
        file.reset();
        return std::to_string(result) + " " + shown(read_bytes(path));
    }
    if (table == "status") {  // status before, then last coded/records of each question
        oc::coder_spec spec;
        spec.status = static_cast<std::int16_t>(n(0));
        oc::quest_list questions;
        for (std::size_t i = 1; i < a.size(); ++i) {
            oc::quest_spec q;
            std::sscanf(a[i].c_str(), "%d/%d", &q.last_record_coded, &q.record_count);
            questions.push_back(q);
        }
        oc::compute_file_status(spec, questions);
        return std::to_string(spec.status);
    }
    if (table == "trim") {  // mode text
        std::string text = unescape(a.at(1));
        std::vector<char> chars(text.begin(), text.end());
        chars.push_back('\0');
        oc::trim_text(text, static_cast<int>(n(0)));
        oc::trim_text(chars.data(), static_cast<int>(n(0)));
        return shown(text) + (text == chars.data() ? "" : " but " + shown(chars.data()) + " in place");
    }
    if (table == "clean") {  // type strip text
        std::optional<std::string> cleaned =
            oc::clean_response_text(unescape(a.at(2)), static_cast<std::int16_t>(n(0)), n(1) != 0);
        return cleaned ? shown(*cleaned) : "dropped";
    }
    if (table == "coded_var") {  // qname replace list_no codes...
        oc::resp_record r;
        std::snprintf(r.qname, sizeof r.qname, "%s", a.at(0).c_str());
        r.list_no = static_cast<std::uint8_t>(n(2));
        r.roster = 4;
        for (std::size_t i = 3; i < a.size(); ++i) r.codes[r.codes_count++] = static_cast<std::int16_t>(n(i));
        oc::coded_var v = oc::coded_variable(r, n(1) != 0);
        std::string out = shown(std::string(v.name, 8)) + " roster " + std::to_string(v.roster);
        for (const std::string& value : v.values) out += " " + shown(value);
        return out;
    }
    if (table == "naming") {  // ext N | split PATH | label PATH | type N | free listing NAME...
        if (a.at(0) == "label") return oc::label_path_for(a.at(1));
        if (a[0] == "type") return oc::logic_type_name(static_cast<int>(n(1)));
        if (a.at(0) == "ext") return oc::coder_extension(static_cast<int>(n(1))) + " " + oc::listing_extension(static_cast<int>(n(1)));
        if (a[0] == "split") {
            oc::base_path_parts parts = oc::split_base_path(a.at(1));
            return shown(parts.directory) + " " + shown(parts.study);
        }
        const fs::path dir = fs::path(path).parent_path();
        for (std::size_t i = 2; i < a.size(); ++i) write_bytes((dir / a[i]).string(), "x");
        return oc::next_free_extension((dir / "ABC").string(), n(1) != 0);
    }
    if (table == "unique") {  // the .idx bytes
        write_bytes(path, unescape(a.at(0)));
        return std::to_string(oc::check_unique_respondents(path));
    }
    return "no such table";
}

class ReaderCases : public ::testing::TestWithParam<std::string> {};

TEST_P(ReaderCases, MatchWhatIsExpected) {
    const std::string reader = GetParam(), folder = test_data("readers/");
    std::istringstream cases(read_bytes(folder + reader + ".cases"));
    std::string result;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> cells;
        for (std::size_t at = 0, tab; at <= line.size(); at = tab + 1) {
            tab = line.find('\t', at);
            if (tab == std::string::npos) tab = line.size();
            cells.push_back(line.substr(at, tab - at));
        }
        ScratchDir dir;
        std::string got;
        if (reader == "import") {
            write_bytes(dir.file("labels.csv"), unescape(cells.at(1)));
            write_bytes(dir.file("data.csv"), unescape(cells.at(2)));
            oc::study_result r = oc::import_study(dir.file("labels.csv"), dir.file("data.csv"),
                                                  dir.file(cells.size() > 3 ? cells[3] : "S"));  // optional target
            got = r.ok ? "ok" : r.message;
            if (std::size_t at = got.find(dir.path().string()); at != std::string::npos)
                got.replace(at, dir.path().string().size(), "DIR");
            for (const auto& entry : fs::directory_iterator(dir.path()))
                if (entry.path().filename().string().rfind("S", 0) == 0 && !r.ok)
                    got += " (" + entry.path().filename().string() + " left)";
        } else if (std::string("record header coder_file coder_list list_find label").find(reader) != std::string::npos) {
            write_bytes(dir.file("f"), unescape(cells.at(1)));
            got = read_case(reader, dir.file("f"));
        } else {
            got = call_case(reader, std::vector<std::string>(cells.begin() + 1, cells.end()), dir.file("f"));
        }
        result += cells[0] + ": " + got + "\n";
    }
    const std::string expect = folder + reader + ".expect";
    if (std::getenv("OPENCODER_UPDATE_EXPECT")) write_bytes(expect, result);
    EXPECT_SAME_BYTES(read_bytes(expect), result);
}

INSTANTIATE_TEST_SUITE_P(Readers, ReaderCases,
                         ::testing::Values("import", "label", "header", "coder_file", "record", "coder_list", "list_find",
                                           "trailer_write", "header_write", "record_write", "status", "trim",
                                           "clean", "coded_var", "naming", "unique"));

}  // namespace
