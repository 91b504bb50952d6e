#include "engines/agree/agreement.h"

#include <algorithm>
#include <cstdio>

#include "coderfile/coder_types.h"
#include "coderfile/record_briefs.h"
#include "engines/frame/code_frame.h"

namespace oc {

bool read_coded_answers(const std::vector<std::string>& paths, const std::string& question, coded_answers& answers,
                        std::string& problem) {
    answers = {};
    answers.files = paths;
    for (std::size_t f = 0; f < paths.size(); ++f) {
        const bool read = for_each_record(paths[f], [&](const resp_record& record) {
            if (!question.empty() && question != record.qname) return;
            const answer_key key{record.qname, record.respondent, record.sequence, record.roster, record.list_no};
            auto& coded = answers.records[key];
            coded.resize(paths.size());
            if (record.codes_count > 0)
                coded[f] = code_set(record.codes.begin(), record.codes.begin() + std::min<int>(record.codes_count, kMaxCodes));
            answers.texts.try_emplace(key, record.text);
        });
        if (!read) {
            problem = "cannot read the coder data file " + paths[f];
            return false;
        }
    }
    return true;
}

double nominal_distance(const code_set& a, const code_set& b) { return a == b ? 0.0 : 1.0; }

double masi_distance(const code_set& a, const code_set& b) {
    if (a == b) return 0.0;
    std::size_t common = 0;
    for (std::int16_t code : a) common += b.count(code);
    if (common == 0) return 1.0;
    const double jaccard = static_cast<double>(common) / static_cast<double>(a.size() + b.size() - common);
    const double monotonicity = (common == a.size() || common == b.size()) ? 2.0 / 3.0 : 1.0 / 3.0;
    return 1.0 - jaccard * monotonicity;
}

std::optional<double> krippendorff_alpha(const std::vector<std::vector<std::optional<code_set>>>& units,
                                         double (*distance)(const code_set&, const code_set&)) {
    // The coincidence matrix over the values met in units with two values
    // or more: each ordered pair of a unit's values weighs 1 / (m - 1).
    std::vector<code_set> values;
    auto value_index = [&](const code_set& v) {
        auto at = std::find(values.begin(), values.end(), v);
        if (at != values.end()) return static_cast<std::size_t>(at - values.begin());
        values.push_back(v);
        return values.size() - 1;
    };
    std::map<std::pair<std::size_t, std::size_t>, double> coincidences;
    for (const auto& unit : units) {
        std::vector<std::size_t> in_unit;
        for (const auto& value : unit)
            if (value) in_unit.push_back(value_index(*value));
        const std::size_t m = in_unit.size();
        if (m < 2) continue;
        for (std::size_t i = 0; i < m; ++i)
            for (std::size_t j = 0; j < m; ++j)
                if (i != j) coincidences[{in_unit[i], in_unit[j]}] += 1.0 / static_cast<double>(m - 1);
    }
    std::vector<double> totals(values.size(), 0.0);
    double n = 0;
    for (const auto& [pair, weight] : coincidences) {
        totals[pair.first] += weight;
        n += weight;
    }
    if (n <= 1) return std::nullopt;
    double observed = 0, expected = 0;
    for (const auto& [pair, weight] : coincidences) observed += weight * distance(values[pair.first], values[pair.second]);
    for (std::size_t c = 0; c < values.size(); ++c)
        for (std::size_t k = 0; k < values.size(); ++k)
            if (c != k) expected += totals[c] * totals[k] * distance(values[c], values[k]);
    if (expected == 0) return std::nullopt;
    return 1.0 - (n - 1) * observed / expected;
}

std::optional<double> cohen_kappa(const std::vector<std::pair<bool, bool>>& judgements) {
    if (judgements.empty()) return std::nullopt;
    double agree = 0, first_yes = 0, second_yes = 0;
    for (auto [a, b] : judgements) {
        agree += a == b;
        first_yes += a;
        second_yes += b;
    }
    const double n = static_cast<double>(judgements.size());
    const double observed = agree / n;
    const double chance = (first_yes / n) * (second_yes / n) + (1 - first_yes / n) * (1 - second_yes / n);
    if (chance >= 1) return std::nullopt;
    return (observed - chance) / (1 - chance);
}

record_comparison compare_record(const std::vector<std::optional<code_set>>& codings) {
    record_comparison seen;
    const code_set* first = nullptr;
    for (const auto& value : codings) {
        if (!value) continue;
        ++seen.coded;
        if (!first) first = &*value;
        seen.same = seen.same && *value == *first;
    }
    return seen;
}

std::string coding_text(const code_frame& frame, const std::string& question, const std::optional<code_set>& codes) {
    if (!codes) return "";
    return describe_codes(frame, question, std::vector<int>(codes->begin(), codes->end()));
}

std::string figure_text(const std::optional<double>& value) {
    if (!value) return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *value);
    return text;
}

std::vector<question_agreement> measure_agreement(const coded_answers& answers) {
    std::map<std::string, std::vector<const std::vector<std::optional<code_set>>*>> by_question;
    for (const auto& [key, coded] : answers.records) by_question[key.question].push_back(&coded);
    std::vector<question_agreement> measured;
    for (const auto& [question, units] : by_question) {
        question_agreement q;
        q.question = question;
        std::vector<std::vector<std::optional<code_set>>> compared;
        for (const auto* unit : units) {
            const record_comparison seen = compare_record(*unit);
            if (seen.coded < 2) continue;
            ++q.compared;
            q.agreed += seen.same;
            for (const auto& value : *unit) q.nominal = q.nominal && (!value || value->size() <= 1);
            compared.push_back(*unit);
        }
        q.alpha = krippendorff_alpha(compared, q.nominal ? nominal_distance : masi_distance);
        if (answers.files.size() == 2) {
            code_set codes;
            for (const auto& unit : compared)
                for (const auto& value : unit) codes.insert(value->begin(), value->end());
            for (std::int16_t code : codes) {
                std::vector<std::pair<bool, bool>> judgements;
                for (const auto& unit : compared) judgements.emplace_back(unit[0]->count(code) != 0, unit[1]->count(code) != 0);
                q.kappas.push_back({code, cohen_kappa(judgements)});
            }
        }
        measured.push_back(std::move(q));
    }
    return measured;
}

}  // namespace oc
