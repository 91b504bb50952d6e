// Coder data files and coder list files for widget tests, written byte by
// byte in the fixed-width format (CR LF line ends).
#pragma once

#include <string>
#include <vector>

#include "coderfile/coder_types.h"

namespace octest {

struct fixture_question {
    std::string name;
    int action = 0;
    int code_width = 1;
    int max_codes = 1;
    int records = 1;
    int last_coded = 0;
};

struct fixture_file {
    std::string name;  // e.g. "ABC.001"
    int status = 0;
    int interviews = 0;
    std::vector<fixture_question> questions;
    std::vector<oc::resp_id> respondents;
};

// Writes `file` as `directory`/name.
void write_coder_file(const std::string& directory, const fixture_file& file);

// A coder list file with one entry per file, fixed parts taken from the
// fixtures (the status as given, not recomputed).
void write_coder_list(const std::string& path, const std::vector<fixture_file>& files);

// A simple file: `questions` questions of 2 records each, 3 respondents.
fixture_file simple_file(const std::string& name, int status, int interviews);

// A question of coder file S.001: name, action (0 append, 1 replace),
// number of codes and code width.
struct coder_question {
    const char* name;
    int action = 0;
    int max_codes = 1;
    int code_width = 1;
};

// Extracts every answer of `questions` from study S in the current
// directory into the new coder file S.001. Failure is fatal.
void extract_s001(const std::vector<coder_question>& questions);

}  // namespace octest
