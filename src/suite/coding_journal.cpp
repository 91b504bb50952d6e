#include "suite/coding_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "suite/csv_rows.h"
#include "suite/durable_file.h"
#include "suite/owned_files.h"
#include "suite/who_and_when.h"

namespace oc {

namespace {

std::string codes_text(const std::vector<std::int16_t>& codes) {
    std::string text;
    for (std::int16_t code : codes) text += (text.empty() ? "" : " ") + std::to_string(code);
    return text;
}

// The journal with its header, made whole beside its place and linked in:
// a link never replaces a journal another coder made meanwhile, and no one
// ever sees a journal without its header.
bool make_journal(const std::string& path, std::string& error) {
    std::string temp;
    owned_fd fd(create_temporary_beside(path, default_file_mode(), temp));
    if (fd.fd < 0) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = write_whole(fd.fd, std::string(kJournalHeader) + "\r\n") && sync_file(fd.fd);
    const bool linked = written && (::link(temp.c_str(), path.c_str()) == 0 || errno == EEXIST);
    const int cause = errno;
    ::unlink(temp.c_str());
    if (!linked) error = "cannot create " + path + ": " + std::strerror(cause);
    return linked;
}

}  // namespace

journal_change record_change(const std::string& coder_file, const std::string& question, std::int32_t respondent,
                             std::uint16_t sequence, int roster, int list_no, std::vector<std::int16_t> old_codes,
                             std::vector<std::int16_t> new_codes, const std::string& how) {
    return {coder_file,           question,           std::to_string(respondent), std::to_string(sequence),
            std::to_string(roster), std::to_string(list_no), std::move(old_codes), std::move(new_codes), how};
}

std::string journal_line(const journal_change& change) {
    std::string line = now_iso8601();
    for (const std::string& field : {user_name(), host_name(), change.coder_file, change.question, change.respondent,
                                     change.sequence, change.roster, change.list_no, codes_text(change.old_codes),
                                     codes_text(change.new_codes), change.how})
        line += "," + csv_cell(field);
    return line + "\r\n";
}

bool append_to_journal(const std::string& base, const std::vector<journal_change>& changes, bool durable,
                       std::string& error) {
    const std::string path = journal_path(base);
    if (::access(path.c_str(), F_OK) != 0 && !make_journal(path, error)) return false;
    owned_fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd.fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    for (const journal_change& change : changes) {
        const std::string line = journal_line(change);
        // One write a line: O_APPEND puts it whole at the end, never between
        // another process's bytes.
        const ssize_t written = ::write(fd.fd, line.data(), line.size());
        if (written != static_cast<ssize_t>(line.size())) {
            error = "cannot write to " + path + ": " + (written < 0 ? std::strerror(errno) : "the disk is full");
            return false;
        }
    }
    if (durable && !sync_file(fd.fd)) {
        error = "cannot sync " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool sync_journal(const std::string& base) {
    owned_fd fd(::open(journal_path(base).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    return fd.fd < 0 ? errno == ENOENT : sync_file(fd.fd);
}

}  // namespace oc
