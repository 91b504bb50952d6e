#include "suite/csv_rows.h"
#include "suite/path_parts.h"

#include <csv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace oc {

namespace {

// libcsv trims spaces and tabs around unquoted cells unless told that no
// character is a space.
int no_space(unsigned char) { return 0; }

struct row_collector {
    const csv_row_handler* handler = nullptr;
    csv_row row;
    int rows_ended = 0;
    int previous_terminator = 0;
    study_result result;

    bool stopped() const { return !result.ok; }

    void add_cell(const void* bytes, std::size_t length) {
        if (stopped()) return;
        row.cells.emplace_back(static_cast<const char*>(bytes), bytes ? length : 0);
    }

    void end_row(int terminator) {
        if (stopped()) return;
        // With every line end reported, the LF of a CR LF pair arrives as an
        // empty row of its own.
        bool lf_of_crlf = row.cells.empty() && terminator == '\n' && previous_terminator == '\r';
        previous_terminator = terminator;
        if (lf_of_crlf) return;
        row.number = ++rows_ended;
        result = (*handler)(row);
        row.cells.clear();
    }
};

void on_cell(void* bytes, std::size_t length, void* collector) {
    static_cast<row_collector*>(collector)->add_cell(bytes, length);
}

void on_row_end(int terminator, void* collector) { static_cast<row_collector*>(collector)->end_row(terminator); }

study_result badly_quoted(const std::string& path, const row_collector& collector) {
    return study_result::failure(file_name_of(path) + " row " + std::to_string(collector.rows_ended + 1) +
                                 ": badly quoted cell");
}

}  // namespace

study_result read_csv_rows(const std::string& path, const csv_row_handler& handler) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return study_result::failure("cannot read \"" + path + "\": " + std::strerror(errno));

    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_REPALL_NL | CSV_STRICT_FINI) != 0) {
        std::fclose(file);
        return study_result::failure("cannot read \"" + path + "\": out of memory");
    }
    csv_set_space_func(&parser, no_space);

    row_collector collector;
    collector.handler = &handler;
    bool at_start = true;
    char chunk[65536];
    std::size_t got = 0;
    while (!collector.stopped() && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        const char* bytes = chunk;
        std::size_t length = got;
        if (at_start) {
            at_start = false;
            if (length >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
                bytes += 3;
                length -= 3;
            }
        }
        if (csv_parse(&parser, bytes, length, on_cell, on_row_end, &collector) != length &&
            !collector.stopped())
            collector.result = badly_quoted(path, collector);
    }
    bool read_failed = std::ferror(file) != 0;
    std::fclose(file);

    if (!collector.stopped() && read_failed)
        collector.result = study_result::failure("cannot read \"" + path + "\"");
    if (!collector.stopped() && csv_fini(&parser, on_cell, on_row_end, &collector) != 0)
        collector.result = badly_quoted(path, collector);
    csv_free(&parser);
    return collector.result;
}

std::string csv_cell(std::string_view field) {
    const bool quote = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote) return std::string(field);
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

}  // namespace oc
