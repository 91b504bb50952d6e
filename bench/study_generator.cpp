#include "study_generator.h"

#include <cctype>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <vector>

#include "coderfile/coder_file.h"
#include "coderfile/coder_list.h"
#include "suite/study_format.h"
#include "suite/label_file.h"
#include "suite/study_record.h"

namespace bench {

namespace {

const char* kWords[] = {"coffee", "taste", "price", "too", "strong", "bitter", "smooth", "morning", "shop",
                        "brand",  "value", "fresh", "aroma", "the",  "is",     "and",    "not",    "really",
                        "good",   "cheap", "milk",  "bag",   "roast", "beans", "like",  "would",  "change"};

std::string text(std::mt19937& random) {
    std::uniform_int_distribution<int> length(20, 120);
    std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
    std::string out;
    int target = length(random);
    while (static_cast<int>(out.size()) < target) {
        if (!out.empty()) out += ' ';
        out += kWords[word(random)];
    }
    return out;
}

void write_file(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

void generate_study(const std::string& base, int respondents, bool fourth) {
    std::vector<oc::study_label> labels{{"Q1", 7, false, "What do you like?"},
                                        {"Q2", 7, false, "What would you change?"},
                                        {"Q3", 7, false, "Why this brand?"}};
    if (fourth) labels.push_back({"Q4", 7, false, "Anything else?"});
    if (!oc::write_label_file(base + ".lbl", labels).ok) throw std::runtime_error("cannot write labels");

    std::mt19937 random(static_cast<unsigned>(respondents));
    std::uniform_int_distribution<int> percent(0, 99);
    std::string dat, idx;
    unsigned char magic[4];
    oc::put_u32(magic, oc::kIdxMagic);
    idx.append(reinterpret_cast<char*>(magic), 4);
    for (int r = 1; r <= respondents; ++r) {
        std::vector<std::string> texts;
        texts.reserve(5);
        oc::record_version version;
        version.header.respondent = r;
        version.header.generation = 1;
        version.header.b11 = percent(random) < 90 ? oc::kInterviewComplete : oc::kInterviewIncomplete;
        version.header.w16 = 1;
        texts.push_back(text(random));
        texts.push_back(text(random));
        int loops = percent(random) % 4;
        for (int l = 0; l < loops; ++l) texts.push_back(text(random));
        version.variables.push_back({"Q1", 0, {texts[0]}});
        if (percent(random) < 80) version.variables.push_back({"Q2", 0, {texts[1]}});
        for (int l = 0; l < loops; ++l)
            version.variables.push_back({"Q3", static_cast<std::uint8_t>(l + 1), {texts[2 + static_cast<std::size_t>(l)]}});
        // Drawn after the others, so that the first three stay as they were.
        std::vector<std::string> more;
        if (fourth && percent(random) < 50) {
            more.push_back(text(random));
            if (percent(random) < 30) more.push_back(text(random));
            version.variables.push_back({"Q4", 0, {more.begin(), more.end()}});
        }
        oc::idx_entry entry;
        entry.respondent = r;
        entry.generation = 1;
        entry.sequence = 1;
        entry.dat_offset = static_cast<std::uint32_t>(dat.size());
        if (!oc::encode_record_version(version, dat)) throw std::runtime_error("cannot encode a record");
        unsigned char bytes[oc::kIdxEntrySize];
        oc::encode_idx_entry(entry, bytes);
        idx.append(reinterpret_cast<char*>(bytes), sizeof bytes);
    }
    write_file(base + ".DAT", dat);
    write_file(base + ".idx", idx);
}

void generate_coder_file(const std::string& path, const char* question, int records, bool coded,
                         const std::string& list_path, int distinct) {
    std::mt19937 random(static_cast<unsigned>(records));
    std::vector<std::string> answers;
    for (int a = 0; a < distinct; ++a) answers.push_back(text(random));
    auto answer = [&](int r) {
        if (distinct <= 0) return text(random);
        std::string typed = answers[static_cast<std::size_t>(r % distinct)];
        if (r / distinct % 3 == 1)
            for (char& c : typed) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (r / distinct % 3 == 2) typed += "!";
        return typed;
    };
    std::string name = path.substr(path.find_last_of('/') + 1);
    std::string bytes = name + "\r\n" + "        0  0  0\r\n";
    oc::coder_spec spec;
    std::snprintf(spec.name, sizeof spec.name, "%s", name.c_str());
    char line[64];
    for (int r = 1; r <= records; ++r) {
        std::snprintf(line, sizeof line, "%5d %9d %8s %3d %3d %2d %2d", 1, r, question, 0, 1, 0, coded ? 1 : 0);
        bytes += line;
        char code[8];
        std::snprintf(code, sizeof code, "%5d", r % 900 + 1);  // three digits, the width below
        bytes += coded ? std::string(code) + std::string(10, ' ') : std::string(15, ' ');
        bytes += " " + answer(r) + "\r\n";
        spec.resp_ids.push_back({1, r});
    }
    spec.respondent_count = static_cast<std::int16_t>(records);
    spec.record_count = records;
    write_file(path, bytes);
    oc::quest_list questions(1);
    std::snprintf(questions[0].name, sizeof questions[0].name, "%s", question);
    questions[0].max_codes = 3;
    questions[0].code_width = 3;
    questions[0].record_count = records;
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    auto offset = static_cast<std::int32_t>(bytes.size());
    if (!file || oc::write_coder_trailer(file, spec, questions, offset) != 0 ||
        oc::write_coder_header(file, spec, offset) != 0 || std::fclose(file) != 0)
        throw std::runtime_error("cannot finish " + path);
    if (list_path.empty()) return;
    std::FILE* list = std::fopen(list_path.c_str(), "wb");
    unsigned char count[4];
    oc::put_u32(count, 1);
    spec.question_count = 1;
    spec.question_names.push_back({});
    std::snprintf(spec.question_names[0].data(), 8, "%s", question);
    if (!list || std::fwrite(count, 1, 4, list) != 4 || !oc::write_coder_list_entry(list, spec) || std::fclose(list) != 0)
        throw std::runtime_error("cannot write " + list_path);
}

}  // namespace bench
