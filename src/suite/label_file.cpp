#include "suite/label_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "suite/path_parts.h"

namespace oc {

namespace {

std::string escape_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

bool unescape_text(std::string_view field, std::string& text) {
    text.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        char c = field[i];
        if (c == '\r' || c == '\0') return false;
        if (c != '\\') {
            text.push_back(c);
            continue;
        }
        if (++i == field.size()) return false;
        switch (field[i]) {
        case '\\': text.push_back('\\'); break;
        case 't': text.push_back('\t'); break;
        case 'r': text.push_back('\r'); break;
        case 'n': text.push_back('\n'); break;
        default: return false;
        }
    }
    return true;
}

std::vector<std::string_view> split_tabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
}

// Parses one line into `label`; an empty string when fine, else the problem.
std::string parse_label_line(std::string_view line, study_label& label) {
    std::vector<std::string_view> fields = split_tabs(line);
    if (fields.size() != 4) return "expected 4 tab-separated fields, found " + std::to_string(fields.size());
    if (!is_valid_question_name(fields[0])) return "invalid question name";
    label.name.assign(fields[0]);
    if (fields[1].size() != 1 || fields[1][0] < '0' || fields[1][0] > '0' + kMaxLogicType)
        return "type is not a number from 0 to 7";
    label.type = static_cast<std::uint8_t>(fields[1][0] - '0');
    if (fields[2] != "0" && fields[2] != "1") return "OTHER flag is not 0 or 1";
    label.other = fields[2] == "1";
    if (!unescape_text(fields[3], label.text)) return "bad character or escape in the text";
    return {};
}

bool read_whole_file(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot read \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read \"" + path + "\"";
        return false;
    }
    return true;
}

}  // namespace

bool is_valid_question_name(std::string_view name) {
    if (name.empty() || name.size() > kMaxLabelName) return false;
    for (char c : name) {
        if (c <= ' ' || c > '~' || c == '[' || c == ']') return false;
    }
    return true;
}

std::string label_path_for(const std::string& dat_path) { return without_extension(dat_path) + ".lbl"; }

study_result write_label_file(const std::string& path, const std::vector<study_label>& labels) {
    if (labels.size() > static_cast<std::size_t>(kMaxLabels))
        return study_result::failure("more than 32767 questions");
    std::string bytes;
    for (const study_label& label : labels) {
        if (!is_valid_question_name(label.name))
            return study_result::failure("invalid question name \"" + label.name + "\"");
        if (label.type > kMaxLogicType)
            return study_result::failure("question " + label.name + " has type " + std::to_string(label.type));
        if (label.text.find('\0') != std::string::npos)
            return study_result::failure("the text of question " + label.name + " holds a NUL byte");
        bytes += label.name;
        bytes += '\t';
        bytes += static_cast<char>('0' + label.type);
        bytes += '\t';
        bytes += label.other ? '1' : '0';
        bytes += '\t';
        bytes += escape_text(label.text);
        bytes += "\r\n";
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return study_result::failure("cannot create \"" + path + "\": " + std::strerror(errno));
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0) written = false;
    if (!written) return study_result::failure("cannot write \"" + path + "\"");
    return study_result::success();
}

study_result read_label_file(const std::string& path, std::vector<study_label>& result) {
    result.clear();
    std::vector<study_label> labels;
    std::string bytes, error;
    if (!read_whole_file(path, bytes, error)) return study_result::failure(error);

    std::set<std::string, std::less<>> names;
    std::string_view rest = bytes;
    for (int line_number = 1; !rest.empty(); ++line_number) {
        std::size_t lf = rest.find('\n');
        std::string_view line = rest.substr(0, lf);
        rest = lf == std::string_view::npos ? std::string_view{} : rest.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::string where = "\"" + path + "\" line " + std::to_string(line_number) + ": ";
        study_label label;
        std::string problem = parse_label_line(line, label);
        if (!problem.empty()) return study_result::failure(where + problem);
        if (!names.insert(label.name).second)
            return study_result::failure(where + "question " + label.name + " appears twice");
        if (labels.size() == static_cast<std::size_t>(kMaxLabels))
            return study_result::failure(where + "more than 32767 questions");
        labels.push_back(std::move(label));
    }
    result = std::move(labels);
    return study_result::success();
}

}  // namespace oc
