// Library calls run alone under the fault shim:
//   fault_driver add ADD_PATH NAME:ROSTER:CODE_WIDTH:MAX_CODES:LIST_NO ...
//     registers each question as a merge of an Append question would;
//   fault_driver append BASE MODE RESPONDENT ...
//     appends a Q5 value for each respondent (sequence 1) to study BASE:
//     MODE single (one call each), session (one writer session with the
//     index copy, committed at the end), twice (the same, committed after
//     each half) or big (values of about 64 KiB each, in turn, 40 times).
// Exit 0 when all of it succeeded, 1 when something failed, 2 on bad arguments.
#include <cstdio>
#include <cstring>
#include <string>

#include "engines/merge/add_file.h"
#include "engines/merge/data_file_writer.h"
#include "engines/merge/study_index.h"

namespace {

int add(int argc, char** argv) {
    oc::quest_list questions;
    for (int i = 3; i < argc; ++i) {
        oc::quest_list::value_type q;
        int roster = 0, width = 0, codes = 0, list_no = 0;
        if (std::sscanf(argv[i], "%9[^:]:%d:%d:%d:%d", q.name, &roster, &width, &codes, &list_no) != 5) return 2;
        q.record_count = roster;
        q.code_width = static_cast<std::int16_t>(width);
        q.max_codes = static_cast<std::int16_t>(codes);
        q.last_record_coded = list_no;
        questions.push_back(q);
    }
    return oc::update_add_file(argv[2], questions) ? 0 : 1;
}

int append(int argc, char** argv) {
    const std::string base = argv[2], mode = argv[3], dat = base + ".DAT", idx = base + ".idx";
    oc::coded_var v;
    std::memcpy(v.name, "Q5", 2);
    v.values = mode == "big" ? std::vector<std::string>(80, std::string(800, 'y')) : std::vector<std::string>{"1"};
    if (mode == "single") {
        for (int i = 4; i < argc; ++i)
            if (oc::AppendCodedVariable(std::atoi(argv[i]), 1, {v}, dat, idx, false, {}) != oc::kAppendDone) return 1;
        return 0;
    }
    oc::study_index index;
    oc::study_writer writer;
    if (!index.load(idx) || writer.open(dat, idx, &index) != oc::kAppendDone) return 1;
    const int rounds = mode == "big" ? 40 : 1;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 4; i < argc; ++i) {
            if (writer.append(std::atoi(argv[i]), 1, {v}, false, {}) != oc::kAppendDone) return 1;
            if (mode == "twice" && i == 3 + (argc - 3) / 2 && !writer.commit()) return 1;
        }
    }
    return writer.commit() && writer.close() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "add") == 0) return add(argc, argv);
    if (argc >= 5 && std::strcmp(argv[1], "append") == 0) return append(argc, argv);
    return 2;
}
