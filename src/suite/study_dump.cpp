#include "suite/study_dump.h"

#include <cstdio>

#include "suite/study_reader.h"

namespace oc {

namespace {

void print_version(std::ostream& out, const idx_entry& entry, const record_version& version) {
    char flags[8];
    std::snprintf(flags, sizeof flags, "0x%02X", version.flags);
    out << "  generation " << unsigned{version.header.generation} << ", .DAT offset " << entry.dat_offset
        << ", sequence " << version.header.w16 << ", complete " << unsigned{version.header.b11} << ", flags "
        << flags << "\n";
    for (const record_variable& variable : version.variables) {
        out << "    " << variable.name << " roster " << unsigned{variable.roster} << ":";
        for (std::string_view value : variable.values) out << " " << quote_value(value);
        out << "\n";
    }
}

}  // namespace

std::string quote_value(std::string_view value) {
    std::string quoted = "\"";
    for (char c : value) {
        unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\t': quoted += "\\t"; break;
        case '\r': quoted += "\\r"; break;
        case '\n': quoted += "\\n"; break;
        default:
            if (byte >= 0x20 && byte <= 0x7E) {
                quoted.push_back(c);
            } else {
                char octal[8];
                std::snprintf(octal, sizeof octal, "\\%03o", byte);
                quoted += octal;
            }
        }
    }
    quoted += '"';
    return quoted;
}

dump_result dump_study(const std::string& base, std::ostream& out) {
    std::string idx_path = base + ".idx", dat_path = base + ".DAT";
    study_reader reader;
    auto failed = [&](study_status status) { return study_result::failure(reader.failure_text(status)); };

    study_status status = reader.open(idx_path, dat_path);
    if (status != study_status::ok) return failed(status);

    long respondents = 0, versions = 0;
    for (;;) {
        idx_entry first;
        std::uint32_t offset = 0;
        status = reader.next_first_entry(first, offset);
        if (status == study_status::end) break;
        if (status != study_status::ok) return failed(status);
        ++respondents;
        out << "respondent " << first.respondent << ", sequence " << first.sequence << ", index offset " << offset
            << "\n";
        status = reader.for_each_version(
            first, offset, [&](const idx_entry& entry, std::uint32_t, const record_version& version) {
                ++versions;
                print_version(out, entry, version);
                return true;
            });
        if (status != study_status::ok) return failed(status);
    }
    out << respondents << (respondents == 1 ? " respondent, " : " respondents, ") << versions
        << (versions == 1 ? " version" : " versions") << "\n";
    return study_result::success();
}

}  // namespace oc
