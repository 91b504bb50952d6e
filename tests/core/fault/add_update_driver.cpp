// The .add file update on its own, for the write-fault tests:
//   add_update_driver ADD_PATH NAME:ROSTER:CODE_WIDTH:MAX_CODES:LIST_NO ...
// registers each question as a merge of an Append question would. Exit 0
// when the update succeeded, 1 when it failed, 2 on bad arguments.
#include <cstdio>

#include "engines/merge/add_file.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    oc::quest_list questions;
    for (int i = 2; i < argc; ++i) {
        oc::quest_list::value_type q;
        int roster = 0, width = 0, codes = 0, list_no = 0;
        if (std::sscanf(argv[i], "%9[^:]:%d:%d:%d:%d", q.name, &roster, &width, &codes, &list_no) != 5) return 2;
        q.record_count = roster;
        q.code_width = static_cast<std::int16_t>(width);
        q.max_codes = static_cast<std::int16_t>(codes);
        q.last_record_coded = list_no;
        questions.push_back(q);
    }
    return oc::update_add_file(argv[1], questions) ? 0 : 1;
}
