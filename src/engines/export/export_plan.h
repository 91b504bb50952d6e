// What an export writes: the formats and what each can carry, and the
// variables planned from the study's label file, .add file, merged coder
// files and code frame, with names valid for the format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engines/frame/code_frame.h"
#include "suite/failure.h"

namespace oc {

enum class export_format { sav, zsav, dta, por, xpt, csv };

// "sav", "zsav", "dta", "por", "xpt" (also "xport") or "csv", any case.
std::optional<export_format> export_format_named(std::string_view name);
// The format of `path`'s extension, if it names one.
std::optional<export_format> export_format_of(const std::string& path);
const char* export_format_name(export_format format);

// How texts reach a format that holds no UTF-8.
enum class text_bytes {
    utf8,       // declared UTF-8 (sav, zsav, dta 118) or plain UTF-8 (csv)
    ascii,      // only ASCII can be written (por): other characters become '?'
    undeclared  // bytes written as they are, with no encoding named (xpt)
};

// What a format can carry; 0 for no limit (or, for labels, none at all
// when the field says so).
struct format_rules {
    std::size_t name_length;     // bytes of a variable name
    bool upper_case_names;       // por reads back only upper-case names
    std::size_t string_bytes;    // longest string value
    std::size_t variable_label;  // longest variable label; 0: no labels
    std::size_t value_label;     // longest value label; 0: no value labels
    text_bytes text;
};
const format_rules& rules_of(export_format format);

enum class column_kind { respondent, sequence, complete, text, replaced, code };

// One variable of the export.
struct export_column {
    column_kind kind = column_kind::text;
    std::string source;  // the format-free name: respondent, Q1, Q1_R2, Q1_C3, Q1_R2_C3
    std::string name;    // the name written, valid and unique in the format
    std::string label;   // variable label as planned, before any cut for the format
    std::string question;
    int roster = 0;
    int code_slot = 0;    // code variables: 1.. within the question and roster
    bool numeric = false;
    std::size_t width = 1;        // strings: the longest value in bytes (at least 1)
    bool has_value_labels = false;  // the frame labels the question's codes
};

// How one merged Append question lays out in its data: the variable of
// list number L is data_names[L - 1]; each holds up to max_codes codes.
struct append_layout {
    int max_codes = 1;
    std::vector<std::string> data_names;
};

struct export_choice {
    std::vector<std::string> questions;  // empty: every question of the label file
    bool codes_only = false;
};

struct export_plan {
    export_format format = export_format::csv;
    std::vector<export_column> columns;
    long respondents = 0;
    std::map<std::string, append_layout> appended;  // by question name
    code_frame frame;
    std::vector<std::string> notes;  // what the plan could not carry, or passed over
    bool cancelled = false;          // the walk was told to stop
};

// The joined texts of one answer: texts in stored order, " | " between.
inline constexpr std::string_view kTextJoiner = " | ";

// A variable's format-free name: Q, Q_Rn for roster n, then _Ck for code
// variable k (roster 0 and slot 0 add nothing).
std::string source_name(const std::string& question, int roster, int slot);

// A code value as the merge writes it: a whole number in plain decimal
// (no sign, no leading zero); none otherwise.
std::optional<int> plain_code(std::string_view text);

// Plans the export of the study DIR/NAME at `base`: reads the label file,
// the .add file, the coder list with its merged coder files, the code frame
// and, once through, the study's data (to learn rosters, widths and which
// replaced values are all numbers). A failure names the file and where.
// `walked`, when given, hears of each respondent read and may stop the
// walk (false), which leaves the plan cancelled.
failure plan_export(const std::string& base, export_format format, const export_choice& choice, export_plan& plan,
                    const std::function<bool(long respondents)>& walked = {});

// Gives every column a name valid and unique in `format`, in column order,
// so that the same plan always gets the same names.
void name_columns(std::vector<export_column>& columns, export_format format);

}  // namespace oc
