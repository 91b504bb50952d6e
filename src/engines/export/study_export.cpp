#include "engines/export/study_export.h"

#include <readstat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "engines/export/respondent_walk.h"
#include "engines/extract/output_paths.h"
#include "suite/csv_rows.h"
#include "suite/durable_file.h"
#include "suite/study_reader.h"

namespace oc {

namespace {

// One value of a row: a number (or missing), or a text.
struct cell {
    std::optional<double> number;
    std::string text;
};

// The output file's bytes gathered into large writes: ReadStat hands its
// data over a few bytes at a time.
class buffered_output {
public:
    explicit buffered_output(int fd) : fd_(fd) { buffer_.reserve(kSize); }
    bool put(std::string_view bytes) {
        buffer_.append(bytes);
        return buffer_.size() < kSize || flush();
    }
    bool flush() {
        if (!failed_ && !write_whole(fd_, buffer_)) {
            failed_ = true;
            error_ = errno;
        }
        buffer_.clear();
        return !failed_;
    }
    bool failed() const { return failed_; }
    int error() const { return error_; }

private:
    static constexpr std::size_t kSize = 1 << 20;
    int fd_;
    std::string buffer_;
    bool failed_ = false;
    int error_ = 0;
};

// The bytes of `text` up to `limit`, not splitting a UTF-8 character.
std::string_view cut_utf8(std::string_view text, std::size_t limit) {
    if (limit == 0 || text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

bool has_non_ascii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

// `text` with every character outside printable ASCII as one '?'.
std::string ascii_only(std::string_view text, bool& changed) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(text[i]);
            continue;
        }
        changed = true;
        out.push_back('?');
        while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) ++i;
    }
    return out;
}

// What one kind of value a format could not carry, counted per variable.
class carried_notes {
public:
    void note(const std::string& variable, const std::string& what, std::int32_t respondent) {
        auto [at, fresh] = seen_.try_emplace(variable + "\n" + what, entry{variable, what, respondent, 0});
        if (fresh) order_.push_back(at->first);
        ++at->second.count;
    }
    void append_to(std::vector<std::string>& warnings) const {
        for (const std::string& key : order_) {
            const entry& e = seen_.at(key);
            warnings.push_back(e.variable + ": " + e.what + " (" + std::to_string(e.count) +
                               (e.count == 1 ? " value" : " values") + ", first of respondent " +
                               std::to_string(e.first) + ")");
        }
    }

private:
    struct entry {
        std::string variable, what;
        std::int32_t first;
        long count;
    };
    std::map<std::string, entry> seen_;
    std::vector<std::string> order_;
};

// A text or label as a format can hold it, and what had to change.
struct fitted {
    std::string text;
    bool made_ascii = false;  // characters outside ASCII became '?'
    bool undeclared = false;  // UTF-8 bytes written where no encoding is named
    bool cut = false;         // cut to `limit` bytes
};

fitted fit(std::string_view text, const format_rules& rules, std::size_t limit) {
    fitted out;
    if (rules.text == text_bytes::ascii) {
        out.text = ascii_only(text, out.made_ascii);
    } else {
        out.text = text;
        out.undeclared = rules.text == text_bytes::undeclared && has_non_ascii(text);
    }
    if (limit && out.text.size() > limit) {
        out.text = std::string(cut_utf8(out.text, limit));
        out.cut = true;
    }
    return out;
}

constexpr const char* kMadeAscii = "characters outside ASCII written as '?'";
constexpr const char* kUndeclared = "non-ASCII text written as UTF-8 bytes; the format names no encoding";

// A value of a row, what changed noted per variable.
std::string fit_text(std::string_view text, const format_rules& rules, const std::string& variable,
                     std::int32_t respondent, carried_notes& notes) {
    fitted out = fit(text, rules, rules.string_bytes);
    if (out.made_ascii) notes.note(variable, kMadeAscii, respondent);
    if (out.undeclared) notes.note(variable, kUndeclared, respondent);
    if (out.cut) notes.note(variable, "texts cut to " + std::to_string(rules.string_bytes) + " bytes", respondent);
    return std::move(out.text);
}

// A label, what changed said in `warnings`.
std::string fit_label(const std::string& label, std::size_t limit, const format_rules& rules, const std::string& what,
                      std::vector<std::string>& warnings) {
    fitted out = fit(label, rules, limit);
    if (out.made_ascii) warnings.push_back(what + ": " + kMadeAscii);
    if (out.undeclared) warnings.push_back(what + ": " + kUndeclared);
    if (out.cut) warnings.push_back(what + " cut to " + std::to_string(limit) + " bytes");
    return std::move(out.text);
}

class table_writer {
public:
    virtual ~table_writer() = default;
    virtual failure begin(const export_plan& plan, std::vector<std::string>& warnings) = 0;
    virtual failure row(const std::vector<cell>& cells, std::int32_t respondent) = 0;
    virtual failure finish() = 0;
};

class csv_writer final : public table_writer {
public:
    csv_writer(buffered_output& out, std::string path) : out_(out), path_(std::move(path)) {}

    failure begin(const export_plan& plan, std::vector<std::string>& warnings) override {
        bool labelled = false;
        std::string header;
        for (const export_column& column : plan.columns) {
            if (!header.empty()) header += ',';
            header += csv_cell(column.name);
            labelled = labelled || column.has_value_labels;
        }
        warnings.push_back(labelled ? "csv carries no variable labels and no value labels: the code frame's are not written"
                                    : "csv carries no variable labels");
        return put(header + "\r\n");
    }

    failure row(const std::vector<cell>& cells, std::int32_t) override {
        line_.clear();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i) line_ += ',';
            if (cells[i].number) {
                char number[32];
                std::snprintf(number, sizeof number, "%.15g", *cells[i].number);
                line_ += number;
            } else {
                line_ += csv_cell(cells[i].text);
            }
        }
        line_ += "\r\n";
        return put(line_);
    }

    failure finish() override { return {}; }

private:
    failure put(std::string_view bytes) {
        if (out_.put(bytes)) return {};
        return {"cannot write " + path_ + ": " + std::strerror(out_.error()), path_, {}};
    }

    buffered_output& out_;
    std::string path_;
    std::string line_;
};

class readstat_table final : public table_writer {
public:
    readstat_table(buffered_output& out, std::string path, export_format format)
        : out_(out), path_(std::move(path)), format_(format), writer_(readstat_writer_init()) {}
    ~readstat_table() override {
        if (writer_) readstat_writer_free(writer_);
    }

    failure begin(const export_plan& plan, std::vector<std::string>& warnings) override {
        if (!writer_) return {"out of memory for " + path_, path_, {}};
        const format_rules& rules = rules_of(format_);
        readstat_set_data_writer(writer_, [](const void* data, size_t length, void* context) -> ssize_t {
            auto* out = static_cast<buffered_output*>(context);
            return out->put(std::string_view(static_cast<const char*>(data), length)) ? static_cast<ssize_t>(length)
                                                                                      : -1;
        });
        // Version 5: the transport files every SAS reads without conversion.
        if (format_ == export_format::xpt) readstat_writer_set_file_format_version(writer_, 5);
        if (format_ == export_format::zsav) readstat_writer_set_compression(writer_, READSTAT_COMPRESS_BINARY);

        std::map<std::string, readstat_label_set_t*> label_sets;  // by question
        std::vector<std::string> unlabelled;
        for (const export_column& column : plan.columns) {
            readstat_variable_t* variable =
                column.numeric ? readstat_add_variable(writer_, column.name.c_str(), READSTAT_TYPE_DOUBLE, 0)
                               : readstat_add_variable(writer_, column.name.c_str(), READSTAT_TYPE_STRING,
                                                       rules.string_bytes ? std::min(column.width, rules.string_bytes)
                                                                          : column.width);
            if (!variable) return {"out of memory for " + path_, path_, {}};
            variables_.push_back(variable);
            readstat_variable_set_label(
                variable, fit_label(column.label, rules.variable_label, rules, "the label of " + column.name, warnings)
                              .c_str());
            if (!column.has_value_labels) continue;
            if (!rules.value_label) {
                if (unlabelled.empty() || unlabelled.back() != column.question) unlabelled.push_back(column.question);
                continue;
            }
            auto& set = label_sets[column.question];
            if (!set) {
                set = readstat_add_label_set(writer_, READSTAT_TYPE_INT32, column.name.c_str());
                for (const frame_code* code : plan.frame.codes_of(column.question))
                    readstat_label_int32_value(set, code->code,
                                               fit_label(code->label, rules.value_label, rules,
                                                         "the label of " + column.question + " code " +
                                                             std::to_string(code->code),
                                                         warnings)
                                                   .c_str());
            }
            readstat_variable_set_label_set(variable, set);
        }
        if (!unlabelled.empty()) {
            std::string questions;
            for (const std::string& q : unlabelled) questions += (questions.empty() ? "" : ", ") + q;
            warnings.push_back(std::string(export_format_name(format_)) +
                               " carries no value labels: the code frame's labels of " + questions + " are not written");
        }

        readstat_error_t error = READSTAT_OK;
        const long rows = plan.respondents;
        switch (format_) {
        case export_format::sav:
        case export_format::zsav: error = readstat_begin_writing_sav(writer_, &out_, rows); break;
        case export_format::dta: error = readstat_begin_writing_dta(writer_, &out_, rows); break;
        case export_format::por: error = readstat_begin_writing_por(writer_, &out_, rows); break;
        case export_format::xpt: error = readstat_begin_writing_xport(writer_, &out_, rows); break;
        case export_format::csv: break;
        }
        if (error == READSTAT_OK) error = readstat_validate_metadata(writer_);
        for (std::size_t i = 0; error == READSTAT_OK && i < variables_.size(); ++i) {
            error = readstat_validate_variable(writer_, variables_[i]);
            if (error != READSTAT_OK) return refused(error, "variable " + plan.columns[i].name);
        }
        return error == READSTAT_OK ? failure{} : refused(error, "the file's header");
    }

    failure row(const std::vector<cell>& cells, std::int32_t respondent) override {
        readstat_error_t error = readstat_begin_row(writer_);
        for (std::size_t i = 0; error == READSTAT_OK && i < cells.size(); ++i) {
            const cell& value = cells[i];
            if (readstat_variable_get_type(variables_[i]) == READSTAT_TYPE_STRING)
                error = readstat_insert_string_value(writer_, variables_[i], value.text.c_str());
            else if (value.number)
                error = readstat_insert_double_value(writer_, variables_[i], *value.number);
            else
                error = readstat_insert_missing_value(writer_, variables_[i]);
            if (error != READSTAT_OK)
                return refused(error, "respondent " + std::to_string(respondent) + ", variable " +
                                          readstat_variable_get_name(variables_[i]));
        }
        if (error == READSTAT_OK) error = readstat_end_row(writer_);
        return error == READSTAT_OK ? failure{} : refused(error, "respondent " + std::to_string(respondent));
    }

    failure finish() override {
        readstat_error_t error = readstat_end_writing(writer_);
        return error == READSTAT_OK ? failure{} : refused(error, "the end of the file");
    }

private:
    failure refused(readstat_error_t error, const std::string& where) {
        if (out_.failed())
            return {"cannot write " + path_ + ": " + std::strerror(out_.error()), path_, {}};
        return {"cannot write " + path_ + " at " + where + ": " + readstat_error_message(error), path_, {}};
    }

    buffered_output& out_;
    std::string path_;
    export_format format_;
    readstat_writer_t* writer_;
    std::vector<readstat_variable_t*> variables_;
};

// Where each variable of the data goes among the plan's columns.
class row_builder {
public:
    row_builder(const export_plan& plan) : plan_(plan), rules_(rules_of(plan.format)), cells_(plan.columns.size()) {
        for (std::size_t i = 0; i < plan.columns.size(); ++i) {
            const export_column& column = plan.columns[i];
            switch (column.kind) {
            case column_kind::respondent:
            case column_kind::sequence:
            case column_kind::complete: break;
            case column_kind::text:
            case column_kind::replaced: texts_[key(column.question, column.roster)] = i; break;
            case column_kind::code: codes_[key(column.question, column.roster) + std::to_string(column.code_slot)] = i; break;
            }
        }
        for (const auto& [question, layout] : plan.appended)
            for (std::size_t list = 0; list < layout.data_names.size(); ++list)
                code_names_.emplace(layout.data_names[list], std::make_pair(question, static_cast<int>(list)));
    }

    const std::vector<cell>& build(const walked_respondent& r) {
        for (cell& c : cells_) {
            c.number.reset();
            c.text.clear();
        }
        for (std::size_t i = 0; i < plan_.columns.size(); ++i) {
            switch (plan_.columns[i].kind) {
            case column_kind::respondent: cells_[i].number = r.respondent; break;
            case column_kind::sequence: cells_[i].number = r.sequence; break;
            case column_kind::complete: cells_[i].number = r.complete ? 1 : 0; break;
            case column_kind::text:
            case column_kind::replaced:
            case column_kind::code: break;
            }
        }
        for (const walked_variable& variable : r.variables) {
            if (auto text = texts_.find(key(variable.name, variable.roster)); text != texts_.end()) {
                put_text(text->second, variable.values, r.respondent);
            } else if (auto codes = code_names_.find(variable.name); codes != code_names_.end()) {
                put_codes(codes->second.first, codes->second.second, variable, r.respondent);
            }
        }
        return cells_;
    }

    carried_notes notes;

private:
    static std::string key(const std::string& name, int roster) { return name + '\n' + std::to_string(roster) + '\n'; }

    void put_text(std::size_t index, const std::vector<std::string>& values, std::int32_t respondent) {
        const export_column& column = plan_.columns[index];
        if (column.numeric) {
            for (const std::string& value : values)
                if (std::optional<int> code = plain_code(value)) cells_[index].number = *code;
            return;
        }
        std::string joined;
        for (std::size_t v = 0; v < values.size(); ++v) {
            if (v) joined += kTextJoiner;
            joined += values[v];
        }
        cells_[index].text = fit_text(joined, rules_, column.name, respondent, notes);
    }

    void put_codes(const std::string& question, int list, const walked_variable& variable, std::int32_t respondent) {
        const int max_codes = plan_.appended.at(question).max_codes;
        const std::string at = key(question, variable.roster);
        for (std::size_t k = 0; k < variable.values.size(); ++k) {
            std::optional<int> code = plain_code(variable.values[k]);
            auto column = codes_.find(at + std::to_string(list * max_codes + static_cast<int>(k) + 1));
            if (!code || static_cast<int>(k) >= max_codes || column == codes_.end()) {
                notes.note(source_name(question, variable.roster, 0),
                           !code ? "a merged value that is not a code is not exported"
                                 : "more codes than the .add file registers; the rest are not exported",
                           respondent);
                continue;
            }
            cells_[column->second].number = *code;
        }
    }

    const export_plan& plan_;
    const format_rules& rules_;
    std::vector<cell> cells_;
    std::unordered_map<std::string, std::size_t> texts_, codes_;
    std::unordered_map<std::string, std::pair<std::string, int>> code_names_;
};

// The temporary file beside the output: renamed over it when whole,
// removed otherwise.
class temporary_output {
public:
    ~temporary_output() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    int create(const std::string& out) {
        fd_ = create_temporary_beside(out, default_file_mode(), path_);
        if (fd_ < 0) path_.clear();
        return fd_;
    }
    // Over `out` only when it may be replaced: a file that appeared there
    // while the export ran was not asked to be replaced.
    bool commit(const std::string& out, bool replace) {
        bool synced = sync_file(fd_);
        bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!synced || !closed) return false;
        bool renamed = replace ? commit_temporary(path_, out) : commit_temporary_as_new(path_, out);
        path_.clear();  // both remove it when they fail
        return renamed;
    }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace

export_result export_study(const export_request& request, const export_progress& progress) {
    export_result result;
    if (output_refusal refused = output_path_refusal(request.base, request.out, output_kind::listing, request.replace)) {
        result.problem = {refused.text, request.out, {}};
        return result;
    }
    long total = 0;
    if (progress) {
        std::optional<long> counted = count_respondents(request.base + ".idx", request.base + ".DAT");
        total = 2 * counted.value_or(0);
    }
    auto step = [&](long done) { return !progress || progress(done, std::max(total, done)); };

    export_plan plan;
    result.problem = plan_export(request.base, request.format, request.choice, plan, step);
    if (plan.cancelled) result.cancelled = true;
    if (result.problem || result.cancelled) return result;
    result.warnings = plan.notes;
    for (const export_column& column : plan.columns) result.names.emplace_back(column.source, column.name);

    temporary_output temporary;
    int fd = temporary.create(request.out);
    if (fd < 0) {
        result.problem = {"cannot create a file beside " + request.out + ": " + std::strerror(errno), request.out, {}};
        return result;
    }
    buffered_output out(fd);
    std::unique_ptr<table_writer> writer;
    if (request.format == export_format::csv)
        writer = std::make_unique<csv_writer>(out, request.out);
    else
        writer = std::make_unique<readstat_table>(out, request.out, request.format);
    if ((result.problem = writer->begin(plan, result.warnings))) return result;

    row_builder rows(plan);
    long written = 0;
    failure walked = walk_respondents(request.base, [&](const walked_respondent& r) {
        if (written == plan.respondents) return false;  // a respondent more than planned: refused below
        result.problem = writer->row(rows.build(r), r.respondent);
        ++written;
        if (!result.problem && !step(plan.respondents + written)) result.cancelled = true;
        return !result.problem && !result.cancelled;
    });
    if (walked) result.problem = walked;
    if (result.problem || result.cancelled) return result;
    if (written != plan.respondents || count_respondents(request.base + ".idx", request.base + ".DAT") != written) {
        result.problem = {"the study changed while it was exported; nothing was written to " + request.out,
                          request.base + ".idx", {}};
        return result;
    }
    if ((result.problem = writer->finish())) return result;
    if (!out.flush()) {
        result.problem = {"cannot write " + request.out + ": " + std::strerror(out.error()), request.out, {}};
        return result;
    }
    if (!temporary.commit(request.out, request.replace)) {
        result.problem = {errno == EEXIST ? request.out + " was made by someone else while the export ran; it is "
                                                          "left as it is and nothing was written"
                                          : "cannot write " + request.out + ": " + std::strerror(errno),
                          request.out, {}};
        return result;
    }
    rows.notes.append_to(result.warnings);
    result.respondents = written;
    return result;
}

std::string describe_export(const export_request& request, const export_result& result) {
    return request.out + ": " + std::to_string(result.respondents) +
           (result.respondents == 1 ? " respondent, " : " respondents, ") + std::to_string(result.names.size()) +
           (result.names.size() == 1 ? " variable (" : " variables (") + export_format_name(request.format) + ")";
}

}  // namespace oc
