// Studies and coder files of a given size for the benchmarks, written
// directly with the project's encoders (an import of 100,000 CSV rows would
// measure the CSV reader instead).
#pragma once

#include <string>

namespace bench {

// DIR/NAME.lbl, .DAT and .idx: `respondents` respondents, three open ends
// (Q1, Q2 and Q3 in a loop of 3), texts of 20 to 120 characters, about one
// interview in ten incomplete. Deterministic for a given size. With
// `fourth` a fourth open end Q4, answered by one in two with one or two texts.
void generate_study(const std::string& base, int respondents, bool fourth = false);

// A coder data file of one question with `records` records (respondents
// 1..records), written as the extraction writes it; with `coded` each
// record holds one code, as after coding. Also lists it in `list_path`
// when that is not empty. With `distinct` above 0 the answers repeat: record
// r gives answer r % distinct, written in one of three ways that are the
// same answer (as typed, in capitals, with a trailing "!").
void generate_coder_file(const std::string& path, const char* question, int records, bool coded = false,
                         const std::string& list_path = {}, int distinct = 0);

}  // namespace bench
