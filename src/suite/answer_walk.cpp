#include "suite/answer_walk.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "suite/answer_source.h"
#include "suite/file_window.h"
#include "suite/label_file.h"
#include "suite/record_scan.h"

namespace oc {

namespace {

constexpr std::size_t kAnswerBufferSize = 801;  // fextract's buffer
// Reading on through the files: a window of this size per read. A larger
// read costs fewer system calls; a larger window, more fresh pages, each a
// page fault on first use. The index, read at a twentieth of the data's
// pace, does with less.
constexpr std::size_t kWalkWindow = 128 * 1024;
constexpr std::size_t kIndexWindow = 32 * 1024;
// Later versions, mostly appended behind all first versions in the order
// their respondents were merged, get windows of their own so that the walk's
// windows keep their place.
constexpr std::size_t kChainWindow = 64 * 1024;

std::int16_t error_result(study_status status) {
    switch (status) {
    case study_status::cannot_open: return -2;
    case study_status::bad_index: return -3;
    case study_status::bad_record: return -4;
    case study_status::ok:
    case study_status::end: break;  // not errors: never asked
    }
    return -4;
}

bool find_question_type(const std::string& label_path, const std::string& question, bool& found,
                        std::int16_t& type) {
    std::vector<study_label> labels;
    if (!read_label_file(label_path, labels).ok) return false;
    found = false;
    for (const study_label& label : labels) {
        if (label.name == question) {
            found = true;
            type = label.type;
        }
    }
    return true;
}

// Keeps the asked question's variables of each version scanned.
class question_collector {
public:
    // The name field as it reads for `question`: its bytes and, when it is
    // shorter than 8, a NUL; what follows the NUL does not count. Compared
    // as one 8-byte word under a mask, once per variable of every version.
    void set_question(const std::string& question) {
        matchable_ = question.size() <= 8;
        unsigned char pattern[8] = {}, mask[8] = {};
        if (matchable_) {
            std::memcpy(pattern, question.data(), question.size());
            std::memset(mask, 0xFF, std::min<std::size_t>(question.size() + 1, 8));
        }
        std::memcpy(&pattern_, pattern, 8);
        std::memcpy(&mask_, mask, 8);
    }
    void set_groups(answer_groups& groups) { groups_ = &groups; }

    void fc_block(std::uint16_t, std::uint16_t) {}
    void fb_block(std::uint8_t) {}
    bool variable(name_field name, std::uint8_t roster, std::uint16_t) {
        std::uint64_t field;
        std::memcpy(&field, name.bytes, 8);
        if (!matchable_ || (field & mask_) != pattern_) return false;
        groups_->start(roster);
        return true;
    }
    void value(std::string_view text) { groups_->add(text); }

private:
    bool matchable_ = false;
    std::uint64_t pattern_ = 0, mask_ = 0;
    answer_groups* groups_ = nullptr;
};

const unsigned char (&entry_bytes(const unsigned char* at))[kIdxEntrySize] {
    return *reinterpret_cast<const unsigned char(*)[kIdxEntrySize]>(at);
}

// Reads the study through file windows and checks each version with
// scan_record_version, keeping only the asked question's values.
class windowed_source final : public answer_source {
public:
    ~windowed_source() override { close(); }

    study_status open(const std::string& idx_path, const std::string& dat_path, const std::string& question,
                      std::int16_t filter) override {
        close();
        collect_.set_question(question);
        filter_ = filter;
        idx_path_ = idx_path;
        dat_path_ = dat_path;
        damage_ = {};
        idx_fd_ = ::open(idx_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (idx_fd_ < 0) return fail(study_status::cannot_open);
        dat_fd_ = ::open(dat_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (dat_fd_ < 0) return fail(study_status::cannot_open);
        off_t end = ::lseek(idx_fd_, 0, SEEK_END);
        if (end < 0) return fail(study_status::cannot_open);
        idx_size_ = static_cast<std::uint64_t>(end);
        idx_walk_.attach(idx_fd_);
        idx_chain_.attach(idx_fd_);
        dat_walk_.attach(dat_fd_);
        dat_chain_.attach(dat_fd_);

        const unsigned char* magic = nullptr;
        std::size_t got = 0;
        if (!idx_walk_.fetch(0, 4, magic, got) || got != 4 || get_u32(magic) != kIdxMagic)
            return damaged_index(0, "not an index file");
        scan_offset_ = 4;
        return study_status::ok;
    }

    void close() override {
        for (int* fd : {&idx_fd_, &dat_fd_}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
    }

    study_status next_respondent(answer_groups& groups, std::uint32_t& respondent, std::uint16_t& sequence) override {
        if (idx_fd_ < 0) return study_status::end;
        collect_.set_groups(groups);
        for (;;) {
            const unsigned char* bytes = nullptr;
            std::size_t got = 0;
            if (!idx_walk_.fetch(scan_offset_, kIdxEntrySize, bytes, got))
                return damaged_index(scan_offset_, "an index entry cannot be read");
            if (got == 0) return study_status::end;
            if (got < kIdxEntrySize) return damaged_index(scan_offset_, "the index ends in part of an entry");
            idx_entry first;
            decode_idx_entry(entry_bytes(bytes), first);
            auto offset = static_cast<std::uint32_t>(scan_offset_);
            scan_offset_ += kIdxEntrySize;
            if (first.generation != 1) continue;

            groups.clear();
            std::uint8_t interview = 0;
            study_status status = read_version(first, false, interview);
            if (status != study_status::ok) return status;
            if (!passes_interview_filter(filter_, interview)) continue;
            idx_entry entry = first;
            while (entry.next != 0) {
                std::uint32_t link = entry.next;
                status = read_chain_entry(offset, link, first.respondent, entry);
                if (status == study_status::ok) status = read_version(entry, true, interview);
                if (status != study_status::ok) return status;
                // The next version may refill the chain's window. The first
                // version's texts stay put: the walk's window is refilled
                // only for the next respondent.
                groups.keep_texts();
                offset = link;
            }
            respondent = static_cast<std::uint32_t>(first.respondent);
            sequence = first.sequence;
            return study_status::ok;
        }
    }

private:
    study_status fail(study_status status) {
        close();
        return status;
    }

    study_status damaged_index(std::uint64_t offset, std::string what) {
        damage_ = {std::move(what), idx_path_, offset};
        return fail(study_status::bad_index);
    }

    study_status damaged_record(std::uint64_t offset, std::string what) {
        damage_ = {std::move(what), dat_path_, offset};
        return fail(study_status::bad_record);
    }

    study_status read_chain_entry(std::uint32_t from, std::uint32_t link, std::int32_t respondent,
                                  idx_entry& entry) {
        if (!follows_chain(from, link, idx_size_))
            return damaged_index(from, "an index entry links to no later entry of the index");
        file_window& window = idx_walk_.holds(link, kIdxEntrySize) ? idx_walk_ : idx_chain_;
        const unsigned char* bytes = nullptr;
        std::size_t got = 0;
        if (!window.fetch(link, kIdxEntrySize, bytes, got) || got < kIdxEntrySize)
            return damaged_index(link, "an index entry cannot be read");
        decode_idx_entry(entry_bytes(bytes), entry);
        if (entry.respondent != respondent)
            return damaged_index(link, "a later version's index entry is of another respondent");
        return study_status::ok;
    }

    // A first version through the walk's window; a later one through it
    // only when it already holds the whole version.
    study_status read_version(const idx_entry& entry, bool later, std::uint8_t& interview) {
        std::uint64_t offset = entry.dat_offset;
        file_window* window = later && !dat_walk_.holds(offset, kRecHeaderSize) ? &dat_chain_ : &dat_walk_;
        const unsigned char* bytes = nullptr;
        std::size_t got = 0;
        if (!window->fetch(offset, kRecHeaderSize, bytes, got) || got < kRecHeaderSize)
            return damaged_record(offset, "a data record cannot be read");
        std::size_t length = get_u16(bytes + 4);
        if (length < kRecHeaderSize + 4) return damaged_record(offset, "a data record is too short");
        if (later && window == &dat_walk_ && !dat_walk_.holds(offset, length)) window = &dat_chain_;
        if (!window->fetch(offset, length, bytes, got) || got < length)
            return damaged_record(offset, "a data record runs past the end of the data file");

        rec_header header;
        if (!scan_record_version(bytes, length, header, collect_, problem_))
            return damaged_record(offset, "a data record is damaged: " + problem_);
        if (header.respondent != entry.respondent)
            return damaged_record(offset, "a data record is of another respondent than its index entry");
        interview = header.b11;
        return study_status::ok;
    }

    question_collector collect_;
    std::int16_t filter_ = 1;
    std::string idx_path_, dat_path_;
    int idx_fd_ = -1;
    int dat_fd_ = -1;
    std::uint64_t idx_size_ = 0;
    std::uint64_t scan_offset_ = 0;
    file_window idx_walk_{kIndexWindow};
    file_window idx_chain_{kIndexWindow};
    file_window dat_walk_{kWalkWindow};
    file_window dat_chain_{kChainWindow};
    std::string problem_;  // what scan_record_version found
};

}  // namespace

void answer_groups::clear() {
    groups_.clear();
    texts_.clear();
}

void answer_groups::start(std::uint8_t roster) {
    auto first = static_cast<std::uint32_t>(texts_.size());
    for (group& g : groups_) {
        if (g.roster == roster) {
            g.first = first;
            g.count = 0;
            // Moved to the back, so add() finds it there.
            std::swap(g, groups_.back());
            return;
        }
    }
    groups_.push_back({roster, first, 0});
}

void answer_groups::keep_texts() {
    std::size_t total = 0;
    for (std::string_view text : texts_) total += text.size();
    spare_.clear();
    spare_.reserve(total);  // so the views below stay put while it fills
    for (std::string_view& text : texts_) {
        std::size_t at = spare_.size();
        spare_.insert(spare_.end(), text.begin(), text.end());
        text = std::string_view(spare_.data() + at, text.size());
    }
    kept_.swap(spare_);
}

const answer_groups::group* answer_groups::find(std::int32_t from) const {
    const group* best = nullptr;
    const group* outside = nullptr;  // a roster has one group at most
    for (const group& g : groups_) {
        if (g.count == 0) continue;
        if (g.roster == 0)
            outside = &g;
        else if (g.roster >= from && (!best || g.roster < best->roster))
            best = &g;
    }
    return best || from > 0 ? best : outside;
}

int answer_groups::copy_group(std::int32_t from, char* buffer, std::size_t capacity, std::int32_t& roster) const {
    const group* g = find(from);
    roster = g ? g->roster : 0;
    if (!g) return 0;
    const std::string_view* texts = texts_.data() + g->first;
    std::size_t needed = 0;
    for (std::uint32_t i = 0; i < g->count; ++i) needed += texts[i].size() + 1;
    if (needed > capacity) return -1;
    if (!buffer) return static_cast<int>(g->count);
    for (std::uint32_t i = 0; i < g->count; ++i) {
        std::memcpy(buffer, texts[i].data(), texts[i].size());
        buffer[texts[i].size()] = '\0';
        buffer += texts[i].size() + 1;
    }
    return static_cast<int>(g->count);
}

answer_walk::answer_walk() : answer_walk(std::make_unique<windowed_source>()) {}

answer_walk::answer_walk(std::unique_ptr<answer_source> source)
    : source_(std::move(source)), groups_(std::make_unique<answer_groups>()) {}

answer_walk::~answer_walk() = default;

const failure& answer_walk::damage() const { return source_->damage(); }

void answer_walk::stop() {
    source_->close();
    active_ = false;
    groups_->clear();
}

// question_ == question, without measuring `question` first: asked once per call.
bool answer_walk::is_walked_question(const char* question) const {
    const char* walked = question_.c_str();
    // Up to and with question_'s terminator.
    for (std::size_t i = 0; i <= question_.size(); ++i)
        if (walked[i] != question[i]) return false;
    return true;
}

std::int16_t answer_walk::start(const char* question, const char* idx_path, const char* dat_path,
                                std::int16_t interview_filter, std::int16_t* type) {
    stop();
    if (!question || !idx_path || !dat_path) return -2;
    study_status status = source_->open(idx_path, dat_path, question, interview_filter);
    if (status != study_status::ok) return error_result(status);
    bool found = false;
    std::int16_t question_type = 0;
    if (!find_question_type(label_path_for(dat_path), question, found, question_type)) {
        stop();
        return -2;
    }
    *type = question_type;
    if (!found) {
        stop();
        return -1;
    }
    active_ = true;
    question_ = question;
    type_ = question_type;
    return 0;
}

std::int16_t answer_walk::next() {
    if (!active_) return -1;
    study_status status = source_->next_respondent(*groups_, respondent_, sequence_);
    if (status == study_status::ok) return 1;
    stop();
    return status == study_status::end ? -1 : error_result(status);
}

std::int16_t answer_walk::group(std::int32_t from, char* buffer, std::int32_t* roster) {
    std::int32_t number = 0;
    int n = groups_->copy_group(from, buffer, kAnswerBufferSize, number);
    *roster = number;
    if (n < 0) {
        stop();
        *roster = 0;
        return -4;
    }
    return static_cast<std::int16_t>(n);
}

std::int16_t answer_walk::fetch(std::int16_t mode, const char* question, char* buffer, const char* idx_path,
                                const char* dat_path, std::uint32_t* respondent, std::int32_t* sequence,
                                std::int16_t* type, std::int16_t interview_filter, std::int32_t* roster) {
    if (mode == -1) {
        std::int16_t started = start(question, idx_path, dat_path, interview_filter, type);
        if (started != 0) return started;
    } else if (!active_ || !question || !is_walked_question(question) || (mode != 0 && mode != 1)) {
        return -1;
    }

    std::int32_t from = 0;
    if (mode == 0) {
        from = *roster;
    } else {
        std::int16_t loaded = next();
        if (loaded != 1) {
            *roster = 0;
            return loaded;
        }
    }
    *respondent = respondent_;
    *sequence = sequence_;
    *type = type_;
    return group(from, buffer, roster);
}

}  // namespace oc
