// The record lines of a coder data file as the merge takes them: every line
// read and checked against the file's own layout before anything is written.
#pragma once

#include <string>
#include <vector>

#include "coderfile/coder_types.h"

namespace oc {

struct coded_lines {
    std::vector<resp_record> records;  // every record line in file order, texts dropped, action set
    quest_list maxima;                 // the questions, record_count and last_record_coded holding
                                       // each one's largest roster and list number
    long total = 0;                    // record lines, as line 2's header counts them
    long status_at = -1;               // offset of line 2's status field, 10 characters into it
};

// "" when every line reads back exactly as the format lays it out: fixed
// fields and code columns at their widths, a question of the trailer whose
// lines stand together in trailer order and number as the trailer says,
// codes 1 to 9999 of at most the question's width and count, a respondent
// of the trailer's list, rosters all 0 or all above 0 within a question,
// list numbers from 1, and one respondent's answers to a question standing
// together with (roster, list number) rising, as the extraction wrote them.
// Otherwise what is wrong, naming the file and the line.
std::string read_coded_lines(const std::string& coder_path, coded_lines& lines);

}  // namespace oc
