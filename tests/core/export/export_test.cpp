// The export read back by ReadStat's own `readstat` and `extract_metadata`
// commands: every format carries the rows of the CSV export (whose bytes the
// export scenario pins), under the names the export reports, with the code
// frame's value labels where the format has them.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engines/export/study_export.h"
#include "suite/csv_rows.h"
#include "test_support.h"

namespace {

using octest::ScratchDir;

using table = std::vector<std::vector<std::string>>;

table read_csv(const std::string& path) {
    table rows;
    oc::study_result read = oc::read_csv_rows(path, [&](const oc::csv_row& row) {
        rows.push_back(row.cells);
        return oc::study_result::success();
    });
    EXPECT_TRUE(read.ok) << read.message;
    return rows;
}

// readstat prints numbers with six decimals; the CSV export as integers.
std::string plain_number(const std::string& cell) {
    const std::string zeros = ".000000";
    if (cell.size() > zeros.size() && cell.compare(cell.size() - zeros.size(), zeros.size(), zeros) == 0)
        return cell.substr(0, cell.size() - zeros.size());
    return cell;
}

// Non-ASCII characters as por holds them.
std::string as_ascii(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out += text[i];
            continue;
        }
        out += '?';
        while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
    }
    return out;
}

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        octest::import_study_s(dir,
                               "name,type,other,text\r\nQ1,7,0,Why did you choose it?\r\nQ2,1,1,Brand (other)\r\n"
                               "Q3,7,0,What else? (each product)\r\nCOMMENTS,7,0,Anything to add?\r\n",
                               "respondent,sequence,complete,Q1,Q2,Q3[1],Q3[2],COMMENTS\r\n"
                               "1,1,1,cheaper|less plastic,3,fast,good taste,Grüße aus Köln\r\n"
                               "2,1,0,café,other brand,,slow,\"comma, \"\"quoted\"\"\"\r\n"
                               "3,1,1,,4,nice,,\r\n");
        ASSERT_FALSE(HasFatalFailure());
        octest::write_bytes("f.csv", "question,code,label,net\r\nQ1,5,plastic,\r\nQ1,6,price,\r\n"
                                     "Q1,7,\"taste \"\"café\"\"\",\r\nQ2,9,Other brand,\r\n");
        octest::write_bytes("c.csv", "question,respondent,roster,list_no,codes\r\nQ1,1,0,1,5 6\r\nQ1,1,0,2,6\r\n"
                                     "Q1,2,0,1,7\r\nQ2,2,0,1,9\r\nQ3,1,1,1,11\r\nQ3,2,2,1,12 13\r\n");
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"frame", "import", "--study", "S", "--csv", "f.csv"},
              {"prepare", "--study", "S", "--question", "Q1:append:3:2", "--question", "Q2:replace:1:2", "--question",
               "Q3:append:2:2"},
              {"code", "--study", "S", "--file", "S.001", "--codes", "c.csv"},
              {"merge", "--study", "S", "--file", "S.001"}}) {
            octest::RunResult run = octest::run_cli(args);
            ASSERT_EQ(0, run.exit_code) << args[0] << ": " << run.err;
        }
    }

    oc::export_result run(oc::export_format format, const std::string& out) {
        oc::export_request request;
        request.base = dir.file("S");
        request.out = dir.file(out);
        request.format = format;
        return oc::export_study(request);
    }

    ScratchDir dir;
};

TEST_F(Export, EveryFormatReadsBackAsTheCsvExport) {
    ASSERT_FALSE(run(oc::export_format::csv, "study.csv").problem);
    const table expected = read_csv(dir.file("study.csv"));
    ASSERT_EQ(4u, expected.size());

    struct case_ {
        oc::export_format format;
        const char* file;
        bool ascii;                   // characters outside ASCII come back as '?'
        std::vector<std::string> said;  // what the export must report it could not carry
    };
    const case_ cases[] = {
        {oc::export_format::sav, "study.sav", false, {}},
        {oc::export_format::zsav, "study.zsav", false, {}},
        {oc::export_format::dta, "study.dta", false, {}},
        {oc::export_format::xpt, "study.xpt", false,
         {"xpt carries no value labels: the code frame's labels of Q1, Q2 are not written",
          "COMMENTS: non-ASCII text written as UTF-8 bytes; the format names no encoding (1 value, first of "
          "respondent 1)",
          "Q1: non-ASCII text written as UTF-8 bytes; the format names no encoding (1 value, first of respondent 2)"}},
        {oc::export_format::por, "study.por", true,
         {"COMMENTS: characters outside ASCII written as '?' (1 value, first of respondent 1)",
          "the label of Q1 code 7: characters outside ASCII written as '?'"}},
    };
    for (const case_& c : cases) {
        SCOPED_TRACE(c.file);
        oc::export_result result = run(c.format, c.file);
        ASSERT_FALSE(result.problem) << result.problem.text();
        EXPECT_EQ(3, result.respondents);
        for (const std::string& said : c.said)
            EXPECT_NE(result.warnings.end(), std::find(result.warnings.begin(), result.warnings.end(), said)) << said;
        octest::RunResult back = octest::run_program(READSTAT_PROGRAM, {dir.file(c.file), dir.file("back.csv")});
        ASSERT_EQ(0, back.exit_code) << back.err;
        const table read = read_csv(dir.file("back.csv"));
        ASSERT_EQ(expected.size(), read.size());
        ASSERT_EQ(expected[0].size(), read[0].size());
        for (std::size_t column = 0; column < read[0].size(); ++column)
            EXPECT_EQ(result.names[column].second, read[0][column]);
        for (std::size_t row = 1; row < read.size(); ++row)
            for (std::size_t column = 0; column < read[row].size(); ++column)
                EXPECT_EQ(c.ascii ? as_ascii(expected[row][column]) : expected[row][column],
                          plain_number(read[row][column]))
                    << "row " << row << ", " << expected[0][column];
        std::remove(dir.file("back.csv").c_str());
    }
}

// Progress counts the plan's read, then the rows, two steps a respondent; a
// stop at any step leaves neither the file nor a temporary beside it.
TEST_F(Export, ProgressCountsBothReadsAndAStopAnywhereWritesNothing) {
    for (int stop = 1; stop <= 7; ++stop) {
        SCOPED_TRACE(stop);
        oc::export_request request;
        request.base = dir.file("S");
        request.out = dir.file("p.sav");
        request.format = oc::export_format::sav;
        std::vector<std::pair<long, long>> steps;
        oc::export_result result = oc::export_study(request, [&](long done, long total) {
            steps.emplace_back(done, total);
            return done != stop;
        });
        const bool stopped = stop <= 6;
        EXPECT_EQ(stopped, result.cancelled);
        EXPECT_FALSE(result.problem);
        ASSERT_EQ(static_cast<std::size_t>(stopped ? stop : 6), steps.size());
        for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(std::make_pair(long(i) + 1, 6L), steps[i]);
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            if (entry.path().filename().string().rfind("p.sav", 0) == 0) files.push_back(entry.path().filename());
        EXPECT_EQ(stopped ? std::vector<std::string>{} : std::vector<std::string>{"p.sav"}, files);
    }
}

// A file someone makes at the output while the export runs is replaced only
// when replacing was asked for; otherwise it stays as it is and the export fails.
TEST_F(Export, AFileMadeAtTheOutputMeanwhileIsReplacedOnlyWhenAsked) {
    for (bool replace : {false, true}) {
        SCOPED_TRACE(replace);
        oc::export_request request;
        request.base = dir.file("S");
        request.out = dir.file("m.csv");
        request.replace = replace;
        oc::export_result result = oc::export_study(request, [&](long done, long total) {
            if (done == total) octest::write_bytes(request.out, "someone else's\n");
            return true;
        });
        EXPECT_EQ(!replace, bool(result.problem)) << result.problem.text();
        const std::string kept = octest::read_bytes(request.out);
        EXPECT_EQ(replace, kept.rfind("respondent,", 0) == 0) << kept;
        std::size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files += entry.path().filename().string().rfind("m.csv", 0) == 0;
        EXPECT_EQ(1u, files);  // no temporary left beside it
        std::filesystem::remove(request.out);
    }
}

// Variable labels from the label file, value labels from the code frame, on
// every code variable of the two formats extract_metadata reads.
TEST_F(Export, LabelsReachSavAndDta) {
    const struct {
        oc::export_format format;
        const char* file;
        const char* code_five;  // how the format's metadata writes code 5
    } cases[] = {{oc::export_format::sav, "study.sav", "5.000000"}, {oc::export_format::dta, "study.dta", "5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_FALSE(run(c.format, c.file).problem);
        octest::RunResult meta = octest::run_program(EXTRACT_METADATA_PROGRAM, {dir.file(c.file), dir.file("meta.json")});
        ASSERT_EQ(0, meta.exit_code) << meta.err;
        std::map<std::string, std::string> by_name;  // one line per variable
        std::string json = octest::read_bytes(dir.file("meta.json"));
        for (std::size_t at = json.find("{\"type\""); at != std::string::npos; at = json.find("{\"type\"", at + 1)) {
            std::size_t name = json.find("\"name\": \"", at);
            if (name == std::string::npos) break;
            name += 9;
            by_name[json.substr(name, json.find('"', name) - name)] = json.substr(at, json.find('\n', at) - at);
        }
        EXPECT_NE(std::string::npos, by_name["Q1"].find("\"label\": \"Why did you choose it?\""));
        for (const char* code : {"Q1_C1", "Q1_C6"}) {
            const std::string& line = by_name[code];
            EXPECT_NE(std::string::npos, line.find("\"label\": \"codes of Why did you choose it?\"")) << code;
            EXPECT_NE(std::string::npos, line.find(std::string("{ \"code\": ") + c.code_five + ", \"label\": \"plastic\"}"))
                << code << ": " << line;
            EXPECT_NE(std::string::npos, line.find("taste \\\"café\\\"")) << code << ": " << line;
        }
        EXPECT_NE(std::string::npos, by_name["Q2"].find("\"label\": \"Other brand\"")) << by_name["Q2"];
        EXPECT_EQ(std::string::npos, by_name["Q3_R1_C1"].find("categories")) << "Q3 has no frame";
    }
}

// Texts at each format's string limit: one byte under, at and over it, and
// a two-byte character across it, which is cut whole.
TEST(ExportLimits, TextsAreCutAtTheFormatsLimitAndSaidSo) {
    ScratchDir dir;
    const std::string long_text(800, 'x');
    const std::vector<std::string> texts = {
        std::string(199, 'a'), std::string(200, 'a'), std::string(201, 'a'), std::string(255, 'a'),
        std::string(256, 'a'), long_text + "|" + long_text + "|" + std::string(439, 'a'),
        long_text + "|" + long_text + "|" + std::string(440, 'a'), std::string(199, 'a') + "\xC3\xA9"};
    std::string data = "respondent,sequence,complete,Q1\r\n";
    for (std::size_t r = 0; r < texts.size(); ++r) data += std::to_string(r + 1) + ",1,1," + texts[r] + "\r\n";
    octest::import_study_s(dir, "name,type,other,text\r\nQ1,7,0,Why?\r\n", data);
    ASSERT_FALSE(::testing::Test::HasFatalFailure());
    const struct {
        oc::export_format format;
        const char* file;
        std::vector<std::size_t> lengths;  // of Q1, respondent by respondent, read back
        std::string said;
    } cases[] = {
        {oc::export_format::xpt, "t.xpt", {199, 200, 200, 200, 200, 200, 200, 199},
         "Q1: texts cut to 200 bytes (6 values, first of respondent 3)"},
        {oc::export_format::por, "t.por", {199, 200, 201, 255, 255, 255, 255, 200},
         "Q1: texts cut to 255 bytes (3 values, first of respondent 5)"},
        {oc::export_format::dta, "t.dta", {199, 200, 201, 255, 256, 2045, 2045, 201},
         "Q1: texts cut to 2045 bytes (1 value, first of respondent 7)"},
        {oc::export_format::sav, "t.sav", {199, 200, 201, 255, 256, 2045, 2046, 201}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        oc::export_request request;
        request.base = dir.file("S");
        request.out = dir.file(c.file);
        request.format = c.format;
        oc::export_result result = oc::export_study(request);
        ASSERT_FALSE(result.problem) << result.problem.text();
        std::vector<std::string> cuts;
        for (const std::string& warning : result.warnings)
            if (warning.find("cut to") != std::string::npos) cuts.push_back(warning);
        EXPECT_EQ(c.said.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.said}, cuts);
        ASSERT_EQ(0, octest::run_program(READSTAT_PROGRAM, {dir.file(c.file), dir.file("back.csv")}).exit_code);
        const table read = read_csv(dir.file("back.csv"));
        std::vector<std::size_t> lengths;
        for (std::size_t row = 1; row < read.size(); ++row) lengths.push_back(read[row][3].size());
        EXPECT_EQ(c.lengths, lengths);
        std::remove(dir.file("back.csv").c_str());
    }
}

// Names valid in each format, and the same names on every run.
TEST(ExportNames, FitEachFormatAndStayTheSame) {
    std::vector<oc::export_column> columns(4);
    const char* sources[] = {"respondent", "LONGNAME_R12_C10", "LONGNAME_R12_C11", "Q-1.x"};
    const char* questions[] = {"", "LONGNAME", "LONGNAME", "Q-1.x"};
    for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i].kind = i ? oc::column_kind::code : oc::column_kind::respondent;
        columns[i].source = sources[i];
        columns[i].question = questions[i];
    }
    const struct {
        oc::export_format format;
        std::vector<std::string> names;
    } cases[] = {
        {oc::export_format::sav, {"respondent", "LONGNAME_R12_C10", "LONGNAME_R12_C11", "Q_1_x"}},
        {oc::export_format::dta, {"respondent", "LONGNAME_R12_C10", "LONGNAME_R12_C11", "Q_1_x"}},
        {oc::export_format::por, {"RESPONDE", "LOR12C10", "LOR12C11", "Q_1_X"}},
        {oc::export_format::xpt, {"responde", "LOR12C10", "LOR12C11", "Q_1_x"}},
        {oc::export_format::csv, {"respondent", "LONGNAME_R12_C10", "LONGNAME_R12_C11", "Q-1.x"}},
    };
    for (const auto& c : cases) {
        oc::name_columns(columns, c.format);
        std::vector<std::string> names;
        for (const oc::export_column& column : columns) names.push_back(column.name);
        EXPECT_EQ(c.names, names) << oc::export_format_name(c.format);
    }
}

}  // namespace
