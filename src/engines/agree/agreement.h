// How far coders agree who coded the same answers in different coder data
// files: exact agreement, Cohen's kappa per code for two files, and
// Krippendorff's alpha per question for any number of files, with records
// some files did not code. docs/agreement.md gives the formulas.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace oc {

class code_frame;

// A record as every coder file of the same answers names it.
struct answer_key {
    std::string question;
    std::int32_t respondent = 0;
    std::uint16_t sequence = 0;
    int roster = 0;
    int list_no = 0;
    friend auto operator<=>(const answer_key&, const answer_key&) = default;
};

using code_set = std::set<std::int16_t>;

// Per record, what each file gave it: none where the file does not hold the
// record or left it without codes.
struct coded_answers {
    std::vector<std::string> files;
    std::map<answer_key, std::vector<std::optional<code_set>>> records;
    std::map<answer_key, std::string> texts;  // the answer, from the first file holding it
};

// Reads the coder files (paths as given); `question` empty takes all. False
// with `problem` naming the file that cannot be read.
bool read_coded_answers(const std::vector<std::string>& paths, const std::string& question, coded_answers& answers,
                        std::string& problem);

// How the files' codings of one record compare: how many files coded it,
// and whether they all gave it the same code set.
struct record_comparison {
    int coded = 0;
    bool same = true;
};
record_comparison compare_record(const std::vector<std::optional<code_set>>& codings);
// A record two files or more coded, not all alike: a disagreement to list.
inline bool files_disagree(const std::vector<std::optional<code_set>>& codings) {
    const record_comparison seen = compare_record(codings);
    return seen.coded >= 2 && !seen.same;
}

// One file's codes of a record with their labels from `frame` ("5 price;
// 41 (not in the code frame)"), "" when the file did not code it.
std::string coding_text(const code_frame& frame, const std::string& question, const std::optional<code_set>& codes);

// A figure as the agreement table shows it: three decimals, "n/a" for none.
std::string figure_text(const std::optional<double>& value);

// The MASI distance between two code sets: 1 - Jaccard x monotonicity
// (1 equal, 2/3 one inside the other, 1/3 overlapping, 0 disjoint).
double masi_distance(const code_set& a, const code_set& b);

// Krippendorff's alpha over units of values (none: not coded by that
// coder), with the distance between two values; none when no unit has two
// values or every value is the same (the expected disagreement is 0).
std::optional<double> krippendorff_alpha(const std::vector<std::vector<std::optional<code_set>>>& units,
                                         double (*distance)(const code_set&, const code_set&));
double nominal_distance(const code_set& a, const code_set& b);

// Cohen's kappa of two coders' yes/no judgements; none when chance
// agreement is total.
std::optional<double> cohen_kappa(const std::vector<std::pair<bool, bool>>& judgements);

struct code_kappa {
    std::int16_t code = 0;
    std::optional<double> kappa;
};

struct question_agreement {
    std::string question;
    int compared = 0;  // records coded by two files or more
    int agreed = 0;    // of them, records every file gave the same code set
    std::optional<double> exact_agreement() const {
        return compared ? std::optional<double>(double(agreed) / compared) : std::nullopt;
    }
    std::optional<double> alpha;
    bool nominal = true;  // at most one code a record: alpha nominal, else with the MASI distance
    std::vector<code_kappa> kappas;  // with exactly two files, for each code either gave
};

std::vector<question_agreement> measure_agreement(const coded_answers& answers);

}  // namespace oc
