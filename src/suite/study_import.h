// Builds a study's label, data and index files from two CSV files.
//
// LABELS.csv: header row name,type,other,text; one row per question.
// DATA.csv: header row respondent,sequence,complete, then one column per
// variable: NAME for an answer outside loops, NAME[r] for roster iteration
// r (1..255). A cell holds the answer's texts separated by '|', kept
// exactly as written; an empty cell is no answer. An empty sequence cell
// takes the data row's number (the first data row is 1).
#pragma once

#include <string>
#include <vector>

#include "suite/study_result.h"

namespace oc {

using import_result = study_result;

// Writes OUT_BASE.lbl, OUT_BASE.DAT and OUT_BASE.idx (replacing existing
// ones): one generation-1 index entry and record version per data row, in
// row order. Bad input is refused with a message naming the file, the row
// (as a spreadsheet numbers it) and the column header; files that cannot be
// read or written are named. On refusal or failure no new file is left: the
// three are written under temporary names beside OUT_BASE and renamed only
// when all are complete. On success the message says what was imported:
// "imported N questions and M respondents into OUT_BASE".
import_result import_study(const std::string& labels_csv_path, const std::string& data_csv_path,
                          const std::string& out_base);

// Names the renames of an import that has written its three files: lines
// "TEMPORARY<TAB>FINAL" of names in the study's directory.
inline std::string import_journal_path(const std::string& base) { return base + ".imj"; }

// Finishes the renames of an import that a crash stopped between them, so
// that the study is wholly the new one. The caller holds the study's
// writers' lock. `done` gets a line per rename; false when the journal
// cannot be read or a rename fails.
bool finish_import(const std::string& base, std::vector<std::string>& done, std::string& problem);

}  // namespace oc
