#include "engines/export/export_plan.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <unordered_set>

#include "coderfile/discovery.h"
#include "engines/export/respondent_walk.h"
#include "engines/frame/frame_job.h"
#include "engines/merge/add_file.h"
#include "engines/merge/merge_engine.h"
#include "suite/label_file.h"
#include "suite/path_parts.h"
#include "suite/whole_number.h"

namespace oc {

namespace {

struct named_format {
    const char* name;
    export_format format;
};
constexpr named_format kFormatNames[] = {
    {"sav", export_format::sav}, {"zsav", export_format::zsav}, {"dta", export_format::dta},
    {"por", export_format::por}, {"xpt", export_format::xpt},   {"xport", export_format::xpt},
    {"csv", export_format::csv},
};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Words a format's own syntax keeps for itself; never a variable's name.
bool reserved_in(export_format format, const std::string& name) {
    static const std::set<std::string> spss = {"all", "and", "by", "eq", "ge", "gt", "le",
                                               "lt",  "ne",  "not", "or", "to", "with"};
    static const std::set<std::string> stata = {"_all", "_b",   "byte",  "_coef", "_cons", "double", "float",
                                                "if",   "in",   "int",   "long",  "_n",    "_pi",    "_pred",
                                                "_rc",  "_skip", "strl", "using", "with"};
    const std::string key = lower(name);
    switch (format) {
    case export_format::sav:
    case export_format::zsav:
    case export_format::por: return spss.count(key) > 0;
    case export_format::dta:
        if (key.size() > 3 && key.compare(0, 3, "str") == 0 &&
            std::all_of(key.begin() + 3, key.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
            return true;
        return stata.count(key) > 0;
    case export_format::xpt:
    case export_format::csv: return false;
    }
    return false;
}

// `source` with only letters, digits and '_', starting with a letter.
std::string valid_characters(const std::string& source, bool upper) {
    std::string name;
    for (char c : source) {
        auto byte = static_cast<unsigned char>(c);
        char kept = std::isalnum(byte) && byte < 0x80 ? c : '_';
        name.push_back(upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(kept))) : kept);
    }
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) name.insert(0, upper ? "V" : "v");
    return name;
}

// The name for a length limit: the question part cut so that the roster and
// code part (without its underscores when short of room) still fits.
std::string shortened(const std::string& stem, const std::string& tail, std::size_t limit) {
    if (limit == 0 || stem.size() + tail.size() <= limit) return stem + tail;
    std::string compact = tail;
    compact.erase(std::remove(compact.begin(), compact.end(), '_'), compact.end());
    if (compact.size() >= limit) return (stem.substr(0, 1) + compact).substr(0, limit);
    return stem.substr(0, limit - compact.size()) + compact;
}

// Where a column's source name splits into the question's part and the
// roster and code part ("_R2_C3").
std::size_t tail_start(const export_column& column) {
    switch (column.kind) {
    case column_kind::respondent:
    case column_kind::sequence:
    case column_kind::complete: return column.source.size();
    case column_kind::text:
    case column_kind::replaced:
    case column_kind::code: break;
    }
    return std::min(column.source.size(), column.question.size());
}

}  // namespace

std::string source_name(const std::string& question, int roster, int slot) {
    std::string name = question;
    if (roster > 0) name += "_R" + std::to_string(roster);
    if (slot > 0) name += "_C" + std::to_string(slot);
    return name;
}

namespace {

// What the walk through the data learns of one question.
struct question_seen {
    std::set<int> rosters;                 // of its answers
    std::set<int> code_rosters;            // of its merged Append codes
    std::map<int, std::size_t> width;      // longest joined value, by roster
    bool all_codes = true;                 // every replaced value a plain code
};

std::size_t joined_size(const std::vector<std::string>& values) {
    std::size_t size = 0;
    for (const std::string& value : values) size += value.size();
    if (values.size() > 1) size += (values.size() - 1) * kTextJoiner.size();
    return size;
}

bool is_one_code(const std::vector<std::string>& values) {
    int given = 0;
    for (const std::string& value : values) {
        if (value.empty()) continue;
        if (++given > 1 || !plain_code(value)) return false;
    }
    return true;
}

// The Replace questions of the study's merged coder files.
failure replaced_questions(const std::string& base, std::set<std::string>& replaced) {
    const std::string list_path = base + ".cdl";
    std::error_code absent;
    if (!std::filesystem::exists(list_path, absent)) return {};  // nothing prepared, nothing merged
    std::optional<std::vector<std::string>> names = read_coder_list(list_path);
    if (!names) return {"cannot read the coder list " + list_path, list_path, {}};
    for (const std::string& name : *names) {
        loaded_coder_file loaded;
        const std::string path = beside(base, name);
        if (!load_coder_questions(path, loaded)) continue;  // a file that is gone merged nothing now
        if (loaded.spec.status != status_merged) continue;
        for (const quest_spec& q : loaded.questions)
            if (q.action == 1) replaced.insert(q.name);
    }
    return {};
}

}  // namespace

std::optional<export_format> export_format_named(std::string_view name) {
    const std::string key = lower(name);
    for (const named_format& known : kFormatNames)
        if (key == known.name) return known.format;
    return std::nullopt;
}

std::optional<export_format> export_format_of(const std::string& path) {
    const std::string file = file_name_of(path);
    std::size_t dot = file.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    return export_format_named(std::string_view(file).substr(dot + 1));
}

const char* export_format_name(export_format format) {
    for (const named_format& known : kFormatNames)
        if (known.format == format) return known.name;
    return "?";
}

const format_rules& rules_of(export_format format) {
    // sav: names of 64 bytes, variable labels of 256, value labels of 120,
    // strings split into segments past 255 bytes by the library. dta 118:
    // names of 32, str# up to 2045 bytes, labels of 80 characters (320 bytes).
    // por and SAS transport version 5: the old 8-character names; transport
    // strings of 200 bytes, labels of 40 and no value labels at all.
    static const format_rules sav{64, false, 32767, 256, 120, text_bytes::utf8};
    static const format_rules dta{32, false, 2045, 320, 32000, text_bytes::utf8};
    static const format_rules por{8, true, 255, 255, 120, text_bytes::ascii};
    static const format_rules xpt{8, false, 200, 40, 0, text_bytes::undeclared};
    static const format_rules csv{0, false, 0, 0, 0, text_bytes::utf8};
    switch (format) {
    case export_format::sav:
    case export_format::zsav: return sav;
    case export_format::dta: return dta;
    case export_format::por: return por;
    case export_format::xpt: return xpt;
    case export_format::csv: return csv;
    }
    return csv;
}

std::optional<int> plain_code(std::string_view text) {
    if (text.size() > 1 && text[0] == '0') return std::nullopt;
    std::optional<std::int64_t> value = parse_whole(text, 0, 999999999);
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
}

void name_columns(std::vector<export_column>& columns, export_format format) {
    const format_rules& rules = rules_of(format);
    std::unordered_set<std::string> taken;  // lower case: no format tells names apart by case
    for (export_column& column : columns) {
        if (format == export_format::csv) {
            column.name = column.source;
        } else {
            std::string whole = valid_characters(column.source, rules.upper_case_names);
            std::size_t split = std::min(tail_start(column), whole.size());
            // valid_characters may have put a letter in front.
            if (whole.size() > column.source.size()) split += whole.size() - column.source.size();
            std::string stem = whole.substr(0, split), tail = whole.substr(split);
            column.name = shortened(stem, tail, rules.name_length);
            if (reserved_in(format, column.name)) column.name = shortened(stem + "_", tail, rules.name_length);
        }
        std::string base_name = column.name;
        for (int n = 2; taken.count(lower(column.name)) || reserved_in(format, column.name); ++n) {
            std::string number = std::to_string(n);
            if (format == export_format::csv || rules.name_length == 0 ||
                base_name.size() + 1 + number.size() <= rules.name_length)
                column.name = base_name + "_" + number;
            else
                column.name = base_name.substr(0, rules.name_length - number.size()) + number;
        }
        taken.insert(lower(column.name));
    }
}

failure plan_export(const std::string& base, export_format format, const export_choice& choice, export_plan& plan,
                    const std::function<bool(long respondents)>& walked_to) {
    plan = export_plan{};
    plan.format = format;
    std::vector<study_label> labels;
    const std::string label_path = base + ".lbl";
    if (study_result read = read_label_file(label_path, labels); !read.ok)
        return {read.message, label_path, {}};

    std::vector<const study_label*> chosen;
    if (choice.questions.empty()) {
        for (const study_label& label : labels) chosen.push_back(&label);
    } else {
        for (const study_label& label : labels)
            if (std::find(choice.questions.begin(), choice.questions.end(), label.name) != choice.questions.end())
                chosen.push_back(&label);
        for (const std::string& asked : choice.questions)
            if (std::none_of(labels.begin(), labels.end(), [&](const study_label& l) { return l.name == asked; }))
                return {"no question " + asked + " in " + label_path, label_path, {}};
    }

    // Append questions the .add file registers.
    std::vector<add_entry> entries;
    std::string problem;
    const std::string add_path = base + ".add";
    if (!read_add_file(add_path, entries, problem)) return {problem, add_path, {}};
    for (const add_entry& entry : entries) {
        const study_label* match = nullptr;
        for (const study_label& label : labels) {
            if (!registers(entry, label.name)) continue;
            if (match) {
                plan.notes.push_back(add_path + ": the codes of " + entry.name + " could be " + match->name + "'s or " +
                                     label.name + "'s; exported as " + match->name + "'s");
                break;
            }
            match = &label;
        }
        if (!match) {
            plan.notes.push_back(add_path + ": no question of the study is named " + entry.name +
                                 "; its codes are not exported");
            continue;
        }
        if (std::find(chosen.begin(), chosen.end(), match) == chosen.end()) continue;  // not asked for
        append_layout layout;
        layout.max_codes = std::max<int>(1, entry.max_codes);
        for (int list = 1; list <= std::max(1, entry.list_no); ++list)
            layout.data_names.push_back(append_variable_name(match->name, list));
        plan.appended.emplace(match->name, std::move(layout));
    }
    std::set<std::string> replaced;
    if (failure not_read = replaced_questions(base, replaced)) return not_read;
    if (failure not_read = load_frame(base, plan.frame)) return not_read;

    // Which question each variable of the data belongs to.
    std::map<std::string, std::string> text_of, codes_of;
    for (const study_label* label : chosen) {
        text_of[label->name] = label->name;
        if (auto found = plan.appended.find(label->name); found != plan.appended.end())
            for (const std::string& data_name : found->second.data_names) codes_of[data_name] = label->name;
    }
    std::map<std::string, question_seen> seen;
    failure walked = walk_respondents(base, [&](const walked_respondent& respondent) {
        ++plan.respondents;
        if (walked_to && !walked_to(plan.respondents)) {
            plan.cancelled = true;
            return false;
        }
        for (const walked_variable& variable : respondent.variables) {
            if (auto text = text_of.find(variable.name); text != text_of.end()) {
                question_seen& q = seen[text->second];
                q.rosters.insert(variable.roster);
                std::size_t& width = q.width[variable.roster];
                width = std::max(width, joined_size(variable.values));
                if (q.all_codes && !is_one_code(variable.values)) q.all_codes = false;
            } else if (auto codes = codes_of.find(variable.name); codes != codes_of.end()) {
                seen[codes->second].code_rosters.insert(variable.roster);
            }
        }
        return true;
    });
    if (walked || plan.cancelled) return walked;

    auto add_column = [&](column_kind kind, const std::string& source, const std::string& label) {
        export_column& column = plan.columns.emplace_back();
        column.kind = kind;
        column.source = source;
        column.label = label;
        column.numeric = true;
        return &column;
    };
    add_column(column_kind::respondent, "respondent", "respondent number");
    add_column(column_kind::sequence, "sequence", "sequence number");
    add_column(column_kind::complete, "complete", "interview complete (1) or not (0)");
    for (const study_label* label : chosen) {
        const std::string& q = label->name;
        question_seen& s = seen[q];
        const std::string text = label->text.empty() ? q : label->text;
        const bool labelled = plan.frame.has_question(q);
        std::set<int> rosters = s.rosters;
        if (rosters.empty()) rosters.insert(0);
        const bool is_replaced = replaced.count(q) > 0;
        if (is_replaced || !choice.codes_only) {
            for (int roster : rosters) {
                export_column* column =
                    add_column(is_replaced ? column_kind::replaced : column_kind::text, source_name(q, roster, 0), text);
                column->question = q;
                column->roster = roster;
                column->numeric = is_replaced && s.all_codes;
                column->width = std::max<std::size_t>(1, s.width[roster]);
                column->has_value_labels = column->numeric && labelled;
            }
        }
        auto layout = plan.appended.find(q);
        if (layout == plan.appended.end()) continue;
        std::set<int> code_rosters = s.code_rosters;
        code_rosters.insert(s.rosters.begin(), s.rosters.end());
        if (code_rosters.empty()) code_rosters.insert(0);
        const int slots = layout->second.max_codes * static_cast<int>(layout->second.data_names.size());
        for (int roster : code_rosters) {
            for (int slot = 1; slot <= slots; ++slot) {
                export_column* column = add_column(column_kind::code, source_name(q, roster, slot), "codes of " + text);
                column->question = q;
                column->roster = roster;
                column->code_slot = slot;
                column->has_value_labels = labelled;
            }
        }
    }
    name_columns(plan.columns, format);
    return {};
}

}  // namespace oc
