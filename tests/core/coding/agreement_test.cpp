// Agreement between coders against published worked examples, to three
// decimals, and small cases worked by hand.
#include <cmath>
#include <optional>
#include <vector>

#include "engines/agree/agreement.h"
#include "test_support.h"

namespace {

using unit = std::vector<std::optional<oc::code_set>>;
constexpr int _ = 0;  // not coded

std::vector<unit> units_of(const std::vector<std::vector<int>>& rows) {
    std::vector<unit> units;
    for (const auto& row : rows) {
        unit u;
        for (int v : row) u.push_back(v == _ ? std::nullopt : std::optional<oc::code_set>(oc::code_set{static_cast<std::int16_t>(v)}));
        units.push_back(u);
    }
    return units;
}

double rounded(std::optional<double> value) { return value ? std::round(*value * 1000) / 1000 : -99; }

// Krippendorff (2011), "Computing Krippendorff's alpha-reliability": four
// observers, twelve units, values 1 to 5 with missing data; nominal alpha
// 0.743.
TEST(Agreement, KrippendorffsNominalExampleWithMissingValues) {
    const auto units = units_of({{1, 1, _, 1}, {2, 2, 3, 2}, {3, 3, 3, 3}, {3, 3, 3, 3}, {2, 2, 2, 2}, {1, 2, 3, 4},
                                 {4, 4, 4, 4}, {1, 1, 2, 1}, {2, 2, 2, 2}, {_, 5, 5, 5}, {_, _, 1, 1}, {_, _, 3, _}});
    EXPECT_EQ(0.743, rounded(oc::krippendorff_alpha(units, oc::nominal_distance)));
}

// The two-rater example of Cohen's kappa: 50 items, 20 both yes, 15 both
// no, 5 yes and no, 10 no and yes; kappa 0.4.
TEST(Agreement, CohensKappaExample) {
    std::vector<std::pair<bool, bool>> judgements;
    for (auto [count, a, b] : {std::tuple{20, true, true}, {5, true, false}, {10, false, true}, {15, false, false}})
        for (int i = 0; i < count; ++i) judgements.emplace_back(a, b);
    EXPECT_EQ(0.4, rounded(oc::cohen_kappa(judgements)));
}

TEST(Agreement, HandWorkedCases) {
    // Perfect agreement on varied codes; systematic disagreement; one code only.
    EXPECT_EQ(1.0, rounded(oc::krippendorff_alpha(units_of({{1, 1}, {2, 2}, {3, 3}}), oc::nominal_distance)));
    // Two coders who always differ over two values: alpha = 1 - 5 * 6 / 18 = -0.667.
    EXPECT_EQ(-0.667, rounded(oc::krippendorff_alpha(units_of({{1, 2}, {2, 1}, {1, 2}}), oc::nominal_distance)));
    EXPECT_FALSE(oc::krippendorff_alpha(units_of({{4, 4}, {4, 4}}), oc::nominal_distance));
    EXPECT_FALSE(oc::cohen_kappa({{true, true}, {true, true}}));
    EXPECT_EQ(1.0, rounded(oc::cohen_kappa({{true, true}, {false, false}})));
    EXPECT_EQ(-1.0, rounded(oc::cohen_kappa({{true, false}, {false, true}})));
    // MASI: equal 0, nested 1 - 1/2 * 2/3, overlapping 1 - 1/3 * 1/3, disjoint 1.
    EXPECT_EQ(0.0, oc::masi_distance({1, 2}, {1, 2}));
    EXPECT_EQ(0.667, std::round(oc::masi_distance({1}, {1, 2}) * 1000) / 1000);
    EXPECT_EQ(0.889, std::round(oc::masi_distance({1, 2}, {2, 3}) * 1000) / 1000);
    EXPECT_EQ(1.0, oc::masi_distance({1}, {2}));
}

}  // namespace
