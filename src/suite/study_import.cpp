#include "suite/study_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "suite/csv_rows.h"
#include "suite/durable_file.h"
#include "suite/label_file.h"
#include "suite/path_parts.h"
#include "suite/study_format.h"
#include "suite/study_record.h"

namespace oc {

namespace {

constexpr std::uint64_t kMaxRespondent = 2147483647;
constexpr std::uint64_t kMaxSequence = 65535;
constexpr std::uint64_t kMaxDatSize = 0xFFFFFFFFull;  // .idx offsets are 32-bit
constexpr std::size_t kShownValue = 40;

// A cell's value for a message, quoted and cut short.
std::string shown(const std::string& value) {
    if (value.size() <= kShownValue) return "\"" + value + "\"";
    return "\"" + value.substr(0, kShownValue) + "...\"";
}

study_result row_error(const std::string& file, int row, const std::string& problem) {
    return study_result::failure(file + " row " + std::to_string(row) + ": " + problem);
}

study_result cell_error(const std::string& file, int row, const std::string& column, const std::string& problem) {
    return study_result::failure(file + " row " + std::to_string(row) + ", column \"" + column + "\": " + problem);
}

study_result shape_error(const std::string& file, const csv_row& row, std::size_t expected) {
    if (row.cells.empty()) return row_error(file, row.number, "the row is empty");
    return row_error(file, row.number,
                     std::to_string(row.cells.size()) + " cells where the header has " + std::to_string(expected));
}

// Decimal digits only, at most `max`.
std::optional<std::uint64_t> parse_number(const std::string& text, std::uint64_t max) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > max) return std::nullopt;
    }
    return value;
}

// Empty when `name` may be a question name, else the problem.
std::string name_problem(const std::string& name) {
    if (name.empty()) return "the name is empty";
    if (name.size() > kMaxLabelName) return shown(name) + " is longer than 8 characters";
    if (!is_valid_question_name(name)) return shown(name) + " holds a character not allowed in a question name";
    return {};
}

// ---- LABELS.csv ----------------------------------------------------------

class labels_reader {
public:
    explicit labels_reader(std::string file) : file_(std::move(file)) {}

    study_result take(const csv_row& row) {
        static const std::vector<std::string> header = {"name", "type", "other", "text"};
        if (row.number == 1) {
            if (row.cells != header) return row_error(file_, 1, "the header must be name,type,other,text");
            return study_result::success();
        }
        if (row.cells.size() != header.size()) return shape_error(file_, row, header.size());
        if (labels.size() == static_cast<std::size_t>(kMaxLabels))
            return row_error(file_, row.number, "more than 32767 questions");

        study_label label;
        const std::string& name = row.cells[0];
        if (std::string problem = name_problem(name); !problem.empty())
            return cell_error(file_, row.number, "name", problem);
        auto [at, added] = rows_by_name.emplace(name, row.number);
        if (!added)
            return cell_error(file_, row.number, "name", shown(name) + " already stands in row " + std::to_string(at->second));
        label.name = name;

        std::optional<std::uint64_t> type = parse_number(row.cells[1], kMaxLogicType);
        if (!type) return cell_error(file_, row.number, "type", shown(row.cells[1]) + " is not a question type from 0 to 7");
        label.type = static_cast<std::uint8_t>(*type);

        if (row.cells[2] != "0" && row.cells[2] != "1")
            return cell_error(file_, row.number, "other", shown(row.cells[2]) + " is not 0 or 1");
        label.other = row.cells[2] == "1";

        if (row.cells[3].find('\0') != std::string::npos)
            return cell_error(file_, row.number, "text", "the text holds a NUL byte");
        label.text = row.cells[3];
        labels.push_back(std::move(label));
        return study_result::success();
    }

    study_result finish(bool saw_header) const {
        if (!saw_header) return study_result::failure(file_ + ": the file is empty");
        return study_result::success();
    }

    std::vector<study_label> labels;
    std::map<std::string, int> rows_by_name;

private:
    std::string file_;
};

// ---- Output files --------------------------------------------------------

// A file written under a temporary name beside its final name and removed
// unless committed.
class staged_file {
public:
    ~staged_file() {
        if (file_) std::fclose(file_);
        if (!temp_path_.empty() && !kept_) std::remove(temp_path_.c_str());
    }

    bool create(const std::string& final_path, std::string& error) {
        final_path_ = final_path;
        int fd = create_temporary_beside(final_path, default_file_mode(), temp_path_);
        if (fd >= 0 && (file_ = ::fdopen(fd, "wb"))) return true;
        if (fd >= 0) ::close(fd);
        error = "cannot create \"" + final_path + "\": " + std::strerror(errno);
        return false;
    }

    bool write(const void* bytes, std::size_t size) {
        return std::fwrite(bytes, 1, size, file_) == size;
    }

    // Closes the stream (the label writer reopens by path).
    bool close() {
        bool ok = std::fflush(file_) == 0 && !std::ferror(file_) && sync_file(fileno(file_));
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        return ok;
    }

    // The label file is written again by path, through its temporary name.
    bool sync_by_path() const {
        int fd = ::open(temp_path_.c_str(), O_RDONLY | O_CLOEXEC);
        bool ok = fd >= 0 && sync_file(fd);
        if (fd >= 0) ::close(fd);
        return ok;
    }

    // Not removed when the object goes.
    void keep() { kept_ = true; }

    const std::string& temp_path() const { return temp_path_; }
    const std::string& final_path() const { return final_path_; }

private:
    std::FILE* file_ = nullptr;
    std::string temp_path_;
    std::string final_path_;
    bool kept_ = false;
};

// ---- DATA.csv ------------------------------------------------------------

struct data_column {
    std::string header;
    std::string name;
    std::uint8_t roster = 0;
};

class data_importer {
public:
    data_importer(std::string file, const std::map<std::string, int>& questions, staged_file& dat, staged_file& idx)
        : file_(std::move(file)), questions_(questions), dat_(dat), idx_(idx) {}

    study_result take(const csv_row& row) {
        if (row.number == 1) return take_header(row);
        return take_respondent(row);
    }

    study_result finish() const {
        if (columns_.empty()) return study_result::failure(file_ + ": the file is empty");
        return study_result::success();
    }

    std::size_t respondents() const { return rows_by_key_.size(); }

private:
    study_result take_header(const csv_row& row) {
        static const std::vector<std::string> fixed = {"respondent", "sequence", "complete"};
        if (row.cells.size() < fixed.size() || !std::equal(fixed.begin(), fixed.end(), row.cells.begin()))
            return row_error(file_, 1, "the header must start with respondent,sequence,complete");
        for (std::size_t i = 0; i < fixed.size(); ++i) columns_.push_back({fixed[i], {}, 0});

        std::set<std::pair<std::string, int>> seen;
        std::map<std::string, bool> has_roster;
        for (std::size_t i = fixed.size(); i < row.cells.size(); ++i) {
            data_column column;
            if (study_result parsed = parse_column(row.cells[i], column); !parsed.ok) return parsed;
            if (!seen.emplace(column.name, column.roster).second)
                return cell_error(file_, 1, column.header, "the column appears twice");
            auto [at, added] = has_roster.emplace(column.name, column.roster != 0);
            if (!added && at->second != (column.roster != 0))
                return cell_error(file_, 1, column.header, column.name + " is used both with and without a roster");
            columns_.push_back(std::move(column));
        }
        return study_result::success();
    }

    study_result parse_column(const std::string& header, data_column& column) {
        column.header = header;
        std::size_t open = header.find('[');
        column.name = header.substr(0, open);
        std::string roster_text;
        if (open != std::string::npos) {
            if (header.back() != ']' || open + 1 > header.size() - 1)
                return cell_error(file_, 1, header, "not a question column (NAME or NAME[roster])");
            roster_text = header.substr(open + 1, header.size() - open - 2);
        }
        if (column.name.size() > kMaxLabelName)
            return cell_error(file_, 1, header, shown(column.name) + " is longer than 8 characters");
        if (!is_valid_question_name(column.name))
            return cell_error(file_, 1, header, "not a question column (NAME or NAME[roster])");
        if (open != std::string::npos) {
            std::optional<std::uint64_t> roster = parse_number(roster_text, 255);
            if (!roster || *roster == 0)
                return cell_error(file_, 1, header, "roster " + shown(roster_text) + " is not from 1 to 255");
            column.roster = static_cast<std::uint8_t>(*roster);
        }
        if (questions_.find(column.name) == questions_.end())
            return cell_error(file_, 1, header, "no question " + column.name + " in the labels");
        return study_result::success();
    }

    study_result take_respondent(const csv_row& row) {
        if (row.cells.size() != columns_.size()) return shape_error(file_, row, columns_.size());
        int data_row = row.number - 1;

        record_version version;
        version.header.generation = 1;
        std::optional<std::uint64_t> respondent = parse_number(row.cells[0], kMaxRespondent);
        if (!respondent)
            return cell_error(file_, row.number, "respondent",
                              shown(row.cells[0]) + " is not a number from 0 to 2147483647");
        version.header.respondent = static_cast<std::int32_t>(*respondent);

        std::uint64_t sequence = static_cast<std::uint64_t>(data_row);
        if (!row.cells[1].empty()) {
            std::optional<std::uint64_t> given = parse_number(row.cells[1], kMaxSequence);
            if (!given)
                return cell_error(file_, row.number, "sequence", shown(row.cells[1]) + " is not a number from 0 to 65535");
            sequence = *given;
        } else if (sequence > kMaxSequence) {
            return cell_error(file_, row.number, "sequence",
                              "empty, and the row's number " + std::to_string(data_row) + " is over 65535");
        }
        version.header.w16 = static_cast<std::uint16_t>(sequence);

        if (row.cells[2] != "0" && row.cells[2] != "1")
            return cell_error(file_, row.number, "complete", shown(row.cells[2]) + " is not 0 or 1");
        version.header.b11 = row.cells[2] == "1" ? kInterviewComplete : kInterviewIncomplete;

        std::uint64_t key = (*respondent << 16) | sequence;
        auto [earlier, added] = rows_by_key_.emplace(key, row.number);
        if (!added)
            return cell_error(file_, row.number, "sequence",
                              "respondent " + std::to_string(*respondent) + " with sequence " +
                                  std::to_string(sequence) + " already stands in row " + std::to_string(earlier->second));

        for (std::size_t i = 3; i < columns_.size(); ++i) {
            const std::string& cell = row.cells[i];
            if (cell.empty()) continue;
            record_variable variable;
            variable.name = columns_[i].name;
            variable.roster = columns_[i].roster;
            if (study_result split = split_texts(row.number, columns_[i].header, cell, variable.values); !split.ok)
                return split;
            version.variables.push_back(std::move(variable));
        }
        return append_version(row.number, version);
    }

    study_result split_texts(int row, const std::string& column, const std::string& cell,
                             std::vector<std::string_view>& texts) {
        std::string_view rest = cell;
        for (;;) {
            std::size_t bar = rest.find('|');
            std::string_view text = rest.substr(0, bar);
            std::string which = "text " + std::to_string(texts.size() + 1);
            if (text.size() > kMaxValueLength)
                return cell_error(file_, row, column,
                                  which + " is " + std::to_string(text.size()) + " bytes long (at most 800)");
            if (text.find('\0') != std::string_view::npos)
                return cell_error(file_, row, column, which + " holds a NUL byte");
            texts.push_back(text);
            if (bar == std::string_view::npos) return study_result::success();
            rest.remove_prefix(bar + 1);
        }
    }

    study_result append_version(int row, const record_version& version) {
        std::size_t size = encoded_version_size(version.variables, version.flags);
        if (size > kMaxRecordLength)
            return row_error(file_, row,
                             "the record would be " + std::to_string(size) + " bytes long (at most 65535)");
        if (dat_offset_ + size > kMaxDatSize) return row_error(file_, row, "the .DAT file would exceed 4 GiB");

        std::string bytes;
        if (!encode_record_version(version, bytes))
            return row_error(file_, row, "the record cannot be encoded");
        idx_entry entry;
        entry.respondent = version.header.respondent;
        entry.generation = 1;
        entry.sequence = version.header.w16;
        entry.dat_offset = static_cast<std::uint32_t>(dat_offset_);
        unsigned char entry_bytes[kIdxEntrySize];
        encode_idx_entry(entry, entry_bytes);

        if (!dat_.write(bytes.data(), bytes.size()))
            return study_result::failure("cannot write \"" + dat_.final_path() + "\"");
        if (!idx_.write(entry_bytes, kIdxEntrySize))
            return study_result::failure("cannot write \"" + idx_.final_path() + "\"");
        dat_offset_ += bytes.size();
        return study_result::success();
    }

    std::string file_;
    const std::map<std::string, int>& questions_;
    staged_file& dat_;
    staged_file& idx_;
    std::vector<data_column> columns_;
    std::unordered_map<std::uint64_t, int> rows_by_key_;
    std::uint64_t dat_offset_ = 0;
};

study_result read_labels_csv(const std::string& path, labels_reader& reader) {
    bool saw_header = false;
    study_result read = read_csv_rows(path, [&](const csv_row& row) {
        saw_header = true;
        return reader.take(row);
    });
    if (!read.ok) return read;
    return reader.finish(saw_header);
}

}  // namespace

import_result import_study(const std::string& labels_csv_path, const std::string& data_csv_path,
                          const std::string& out_base) {
    labels_reader labels(file_name_of(labels_csv_path));
    if (study_result read = read_labels_csv(labels_csv_path, labels); !read.ok) return read;

    staged_file lbl, dat, idx;
    std::string error;
    if (!lbl.create(out_base + ".lbl", error) || !dat.create(out_base + ".DAT", error) ||
        !idx.create(out_base + ".idx", error))
        return study_result::failure(error);

    unsigned char magic[4];
    put_u32(magic, kIdxMagic);
    if (!idx.write(magic, sizeof magic)) return study_result::failure("cannot write \"" + idx.final_path() + "\"");

    data_importer importer(file_name_of(data_csv_path), labels.rows_by_name, dat, idx);
    study_result imported = read_csv_rows(data_csv_path, [&](const csv_row& row) { return importer.take(row); });
    if (!imported.ok) return imported;
    if (study_result finished = importer.finish(); !finished.ok) return finished;

    if (!dat.close()) return study_result::failure("cannot write \"" + dat.final_path() + "\"");
    if (!idx.close()) return study_result::failure("cannot write \"" + idx.final_path() + "\"");
    if (!lbl.close()) return study_result::failure("cannot write \"" + lbl.final_path() + "\"");
    if (study_result written = write_label_file(lbl.temp_path(), labels.labels); !written.ok)
        return study_result::failure("cannot write \"" + lbl.final_path() + "\"");

    if (!lbl.sync_by_path()) return study_result::failure("cannot write \"" + lbl.final_path() + "\"");

    // The three renames are made all or none across a crash: the journal
    // names them, and a writer that finds it finishes them.
    std::string renames;
    for (staged_file* file : {&lbl, &dat, &idx})
        renames += file_name_of(file->temp_path()) + '\t' + file_name_of(file->final_path()) + '\n';
    const std::string journal = import_journal_path(out_base);
    if (!replace_file_whole(journal, renames, default_file_mode()))
        return study_result::failure("cannot write \"" + journal + "\"");
    // From here the import is decided: the files stay for the journal's
    // renames, whoever makes them.
    for (staged_file* file : {&lbl, &dat, &idx}) file->keep();
    std::vector<std::string> done;
    std::string problem;
    if (!finish_import(out_base, done, problem))
        return study_result::failure(problem + "; the next command that writes the study finishes the import");
    return study_result{true, "imported " + std::to_string(labels.labels.size()) + " questions and " +
                                  std::to_string(importer.respondents()) + " respondents into " + out_base};
}

bool finish_import(const std::string& base, std::vector<std::string>& done, std::string& problem) {
    const std::string journal = import_journal_path(base);
    std::string lines;
    bool exists = false;
    if (!read_file_whole(journal, lines, exists)) {
        problem = "cannot read " + journal;
        return false;
    }
    if (!exists) return true;
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        std::string line = lines.substr(start, end - start);
        start = end + 1;
        std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string temp = beside(base, line.substr(0, tab)), final_path = beside(base, line.substr(tab + 1));
        if (::access(temp.c_str(), F_OK) != 0) continue;  // renamed before the crash
        if (std::rename(temp.c_str(), final_path.c_str()) != 0) {
            problem = "cannot rename " + temp + " to " + final_path + ": " + std::strerror(errno);
            return false;
        }
        done.push_back("finished the import of " + final_path);
    }
    if (!sync_directory_of(journal) || std::remove(journal.c_str()) != 0 || !sync_directory_of(journal)) {
        problem = "cannot remove " + journal;
        return false;
    }
    return true;
}

}  // namespace oc
