// Helpers of the fault tests: a small study built through the tool,
// snapshots of a whole study directory, and the fault shim's environment.
#pragma once

#include <map>
#include <string>

#include "test_support.h"

namespace octest {

// Every file of a directory but the lock files (left behind on purpose,
// holding who locked last), by name; the coding journal without its lines'
// times. Leftovers show up as extra names.
using dir_state = std::map<std::string, std::string>;
dir_state snapshot(const fs::path& dir);

// "" when equal; otherwise the first file that differs and how.
std::string state_difference(const dir_state& expected, const dir_state& actual);

// LD_PRELOAD of the fault shim plus `more`.
environment shim(environment more);

// How far make_study takes the study.
enum class study_stage {
    inputs,       // the CSV files alone: no study yet
    imported,     // S.lbl, S.DAT, S.idx
    prepared,     // + S.001 (Q1 append, 2 codes of width 2), not coded
    coded,        // + S.001 partly coded, S.002 (Q3 append) prepared and partly coded
    one_merged,   // + S.002 merged: the study has an .add file and a .cdb
};

// The study `study_dir`/S from tests/data/fault: 30 respondents, Q1 and Q3
// open ends, Q2 a closed question with OTHER answers. The CSV files of the
// import and of the codes (codes1.csv for S.001, codes2.csv for S.002,
// more_codes1.csv with other records of S.001) go to the parent directory.
// Fatal failure when a step fails.
void make_study(const fs::path& study_dir, study_stage stage);

// The study directory replaced by a copy of `from`.
void copy_study(const fs::path& from, const fs::path& to);

}  // namespace octest
