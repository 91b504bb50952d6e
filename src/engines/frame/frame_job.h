// The study's code frame as the commands use it: read beside the study,
// imported, grown one code at a time, saved whole. The callers that write
// hold the study's writers' lock (suite/study_session.h) around the read
// and the save, so that two coders adding codes at once lose neither.
#pragma once

#include <optional>
#include <string>

#include "engines/frame/code_frame.h"
#include "suite/failure.h"

namespace oc {

// NAME.cfr beside the study DIR/NAME.
inline std::string frame_path(const std::string& base) { return base + ".cfr"; }

// The study's frame into `frame`, its question names checked against the
// study's label file. A study without a frame file has an empty frame.
failure load_frame(const std::string& base, code_frame& frame);

// `frame` as the whole of NAME.cfr, through a temporary file and a rename.
failure save_frame(const std::string& base, const code_frame& frame);

// Reads and checks the CSV file `csv` whole, then makes it the study's
// frame. Without `replace` a study that has a frame refuses.
failure import_frame(const std::string& base, const std::string& csv, bool replace);

// Adds one code to the study's frame as it is on disk now: `code.code` 0
// takes the lowest code the question does not use. The code added, or the
// failure.
struct frame_addition {
    int code = 0;
    failure problem;
};
frame_addition add_frame_code(const std::string& base, frame_code code);

// How many records of the study's coder data files (named in its coder
// list, found in the list's directory) hold `code` for `question`. Files
// that do not open are passed over.
long count_records_using(const std::string& coder_list, const std::string& question, int code);

}  // namespace oc
