#include "engines/merge/data_file_writer.h"

#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "suite/data_library.h"
#include "suite/durable_file.h"
#include "suite/study_format.h"

namespace oc {

namespace {

// Staged versions past this many bytes are written before the next is read.
constexpr std::size_t kCommitBytes = std::size_t{1} << 20;
// Links closer than this go out in one write with the bytes between them.
constexpr std::uint32_t kLinkRunGap = 4096;
// What one read of the .DAT takes in for the old versions after it.
constexpr std::size_t kWindowBytes = 8192;
constexpr std::size_t kScatteredReadBytes = 256;
constexpr std::uint32_t kLinkField = kIdxEntrySize - 4;

// One system call for the whole block (unless the kernel writes less), so
// that no index entry goes out in two pieces a crash could separate.
bool write_block(std::FILE* file, std::uint64_t at, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t wrote = pwrite(fileno(file), bytes, size, static_cast<off_t>(at));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes += wrote;
        size -= static_cast<std::size_t>(wrote);
        at += static_cast<std::uint64_t>(wrote);
    }
    // The stream's read buffer may hold the bytes as they were; a seek
    // inside it would not read them again.
    return std::fflush(file) == 0;
}

bool read_exact(std::FILE* file, void* data, std::size_t size) { return std::fread(data, 1, size, file) == size; }

long file_end(std::FILE* file) { return std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1; }

bool cut_back(std::FILE* file, std::uint64_t size) {
    std::clearerr(file);
    bool flushed = std::fflush(file) == 0;
    return ftruncate(fileno(file), static_cast<off_t>(size)) == 0 && flushed;
}

// The respondent's first entry, reading the index in file order from the
// first entry. A read that fails ends the search like the end of the file.
std::optional<std::uint32_t> scan_for_first(std::FILE* idx, std::int32_t respondent, std::uint16_t sequence,
                                            bool by_respondent) {
    if (std::fseek(idx, 4, SEEK_SET) != 0) return std::nullopt;
    for (long at = 4;; at += kIdxEntrySize) {
        idx_entry entry;
        entry.generation = 0;
        if (idxread(&entry, idx) != 0) return std::nullopt;
        if (entry.generation != 1 || entry.respondent != respondent) continue;
        if (by_respondent || entry.sequence == sequence) return static_cast<std::uint32_t>(at);
    }
}

// Follows the chain in the file to the newest version.
bool walk_chain(std::FILE* idx, std::uint32_t first, std::uint64_t idx_size, std::uint32_t& offset, idx_entry& entry) {
    offset = first;
    if (std::fseek(idx, static_cast<long>(first), SEEK_SET) != 0 || idxread(&entry, idx) != 0) return false;
    while (entry.next != 0) {
        if (!follows_chain(offset, entry.next, idx_size)) return false;
        offset = entry.next;
        if (std::fseek(idx, static_cast<long>(offset), SEEK_SET) != 0 || idxread(&entry, idx) != 0) return false;
    }
    return true;
}

// What the new version copies from the respondent's newest one.
struct old_version {
    rec_header header;
    std::uint8_t flags = 0;
    std::uint16_t fc_word = 0;
};

// The newest version's header and its FB and FC blocks, through
// `bytes(at, size)`, which gives the bytes or null when they are not all
// there. False when the header cannot be read, is not a record's or another
// respondent's, or the version ends (or breaks off) before both blocks were
// met. When one kind occurs twice before the other, the later one's value
// is kept.
template <typename Bytes>
bool read_old_version(Bytes&& bytes, std::uint32_t offset, std::int32_t respondent, old_version& old) {
    const unsigned char* head = bytes(offset, kRecHeaderSize);
    if (!head) return false;
    unsigned char header[kRecHeaderSize];
    std::memcpy(header, head, sizeof header);
    decode_rec_header(header, old.header);
    if (old.header.magic != kRecordMagic || old.header.respondent != respondent) return false;
    bool seen_fb = false, seen_fc = false;
    for (std::uint64_t at = std::uint64_t{offset} + kRecHeaderSize; !(seen_fb && seen_fc);) {
        const unsigned char* block = bytes(at, 4);
        if (!block) return false;
        std::uint32_t marker = get_u32(block);
        if (marker == kEndMarker || marker == kRecordMagic) return false;
        if (!(block = bytes(at + 4, 4))) return false;
        std::uint16_t length = get_u16(block);
        long payload = 0;
        if (marker == kBlockFB) {
            const unsigned char* flags = bytes(at + 8, 1);
            if (!flags) return false;
            old.flags = *flags;
            payload = 1;
            seen_fb = true;
        } else if (marker == kBlockFC) {
            const unsigned char* words = bytes(at + 8, 4);
            if (!words) return false;
            old.fc_word = get_u16(words + 2);
            payload = 4;
            seen_fc = true;
        }
        if (seen_fb && seen_fc) break;
        // A block shorter than what was read of it would make the scan go back.
        if (length < 8 + payload) return false;
        at += length;
    }
    return true;
}

// Writes little-endian fields one after another.
class field_writer {
public:
    explicit field_writer(char* at) : at_(reinterpret_cast<unsigned char*>(at)) {}
    void u8(std::uint8_t v) { *at_++ = v; }
    void u16(std::uint16_t v) {
        put_u16(at_, v);
        at_ += 2;
    }
    void u32(std::uint32_t v) {
        put_u32(at_, v);
        at_ += 4;
    }
    void zeros(std::size_t n) {
        std::memset(at_, 0, n);
        at_ += n;
    }
    void bytes(const void* data, std::size_t n) {
        std::memcpy(at_, data, n);
        at_ += n;
    }

private:
    unsigned char* at_;
};

constexpr std::size_t kVarHeadSize = 8 + 2 + 1 + 8 + 2 + 2;  // name, 0 0, roster, 8 zeros, 1 1, count

// Appends the new version's bytes, both lengths filled in, to `out`; false
// (and `out` as it was) when a value or the version is too long for its
// length field. Sized first and written in place: a merge builds tens of
// thousands of these.
bool append_version(const old_version& old, std::uint8_t generation, const std::vector<coded_var>& vars,
                    std::string& out) {
    if (vars.size() > 0xFFFF) return false;
    bool padded = (old.flags & 0x0F) != 0;
    std::size_t block_length = 8;
    for (const coded_var& var : vars) {
        if (var.values.size() > 0xFFFF) return false;
        block_length += kVarHeadSize + 1;  // and the ending empty text, never padded
        for (const std::string& value : var.values) {
            if (value.size() > kMaxValueLength) return false;
            block_length += (padded ? 4 : 0) + (value.size() < 255 ? 1 : 3) + value.size();
        }
    }
    std::size_t record_length = kRecHeaderSize + kFCBlockSize + kFBBlockSize + block_length + 4;
    if (record_length > 0xFFFF) return false;

    rec_header header = old.header;
    header.generation = generation;
    header.length = static_cast<std::uint16_t>(record_length);
    unsigned char head[kRecHeaderSize];
    encode_rec_header(header, head);
    const std::size_t start = out.size();
    out.resize(start + record_length);
    field_writer w(&out[start]);
    w.bytes(head, kRecHeaderSize);
    w.u32(kBlockFC);
    w.u16(kFCBlockSize);
    w.u16(static_cast<std::uint16_t>(vars.size()));
    w.u16(kFCConstant);
    w.u16(old.fc_word);
    w.zeros(8);
    w.u32(kBlockFB);
    w.u16(kFBBlockSize);
    w.u16(1);
    w.u8(old.flags);
    w.u32(kBlockVariables);
    w.u16(static_cast<std::uint16_t>(block_length));
    w.u16(static_cast<std::uint16_t>(vars.size()));
    for (const coded_var& var : vars) {
        w.bytes(var.name, sizeof var.name);
        w.zeros(2);
        w.u8(static_cast<std::uint8_t>(var.roster & 0xFF));
        w.zeros(8);
        w.u8(1);
        w.u8(1);
        w.u16(static_cast<std::uint16_t>(var.values.size()));
        for (const std::string& value : var.values) {
            if (padded) w.zeros(4);
            if (value.size() < 255) {
                w.u8(static_cast<std::uint8_t>(value.size()));
            } else {
                w.u8(0xFF);
                w.u16(static_cast<std::uint16_t>(value.size()));
            }
            w.bytes(value.data(), value.size());
        }
        w.u8(0);
    }
    w.u32(kEndMarker);
    return true;
}

}  // namespace

std::string missing_record_text(std::int32_t respondent) {
    return "Can't find data record in the .DAT file for respondent number " + std::to_string(respondent) +
           ".  This coded data will not be merged.";
}

study_writer::~study_writer() = default;

std::int16_t study_writer::open(const std::string& dat_path, const std::string& idx_path, study_index* index) {
    close();
    failed_ = false;
    index_ = nullptr;
    idx_.reset(std::fopen(idx_path.c_str(), "rb+"));
    unsigned char magic[4];
    if (idx_ && read_exact(idx_.get(), magic, 4) && get_u32(magic) == kIdxMagic)
        dat_.reset(std::fopen(dat_path.c_str(), "rb+"));
    long idx_size = dat_ ? file_end(idx_.get()) : -1;
    long dat_size = dat_ ? file_end(dat_.get()) : -1;
    // An index that ends in part of an entry was torn by some writer: an
    // entry appended behind it would be read askew.
    bool whole_entries = idx_size >= 4 && (idx_size - 4) % kIdxEntrySize == 0;
    if (!whole_entries || dat_size < 0 || idx_size > 0xFFFFFFFFL || dat_size > 0xFFFFFFFFL) {
        close();
        return kAppendFailed;
    }
    opened_idx_ = written_idx_ = static_cast<std::uint64_t>(idx_size);
    opened_dat_ = written_dat_ = static_cast<std::uint64_t>(dat_size);
    // A copy that does not match the file's size is not trusted.
    if (index && index->loaded() && index->file_size() == opened_idx_) index_ = index;
    window_.resize(kWindowBytes);
    window_size_ = 0;
    return kAppendDone;
}

const unsigned char* study_writer::dat_bytes(std::uint64_t at, std::size_t size) {
    // Reads are of a few bytes, mostly inside the window.
    if (at >= window_at_ && at + size <= window_at_ + window_size_) return window_.data() + (at - window_at_);
    if (at + size > written_dat_ + staged_dat_.size()) return nullptr;
    const auto* staged = reinterpret_cast<const unsigned char*>(staged_dat_.data());
    if (at >= written_dat_) return staged + (at - written_dat_);
    std::size_t from_file = static_cast<std::size_t>(std::min<std::uint64_t>(size, written_dat_ - at));
    // A whole window when reading on from the last one (records in file
    // order); little more than the blocks read otherwise.
    bool onward = at >= window_at_ && at < window_at_ + window_size_ + kWindowBytes;
    window_at_ = at;
    window_size_ = 0;
    std::size_t want = static_cast<std::size_t>(
        std::min<std::uint64_t>(onward ? kWindowBytes : kScatteredReadBytes, written_dat_ - at));
    ssize_t got = pread(fileno(dat_.get()), window_.data(), want, static_cast<off_t>(at));
    if (got < static_cast<ssize_t>(from_file)) return nullptr;
    window_size_ = static_cast<std::size_t>(got);
    if (from_file == size) return window_.data();
    // Across the end of the file into what is staged (a damaged version).
    std::memcpy(straddle_, window_.data(), from_file);
    std::memcpy(straddle_ + from_file, staged, size - from_file);
    return straddle_;
}

std::int16_t study_writer::append(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                  bool by_respondent, const missing_record_warning& warn) {
    if (!dat_ || failed_) return kAppendFailed;
    std::uint64_t idx_size = written_idx_ + staged_idx_.size();
    std::uint64_t dat_size = written_dat_ + staged_dat_.size();
    if (idx_size > 0xFFFFFFFFu || dat_size > 0xFFFFFFFFu) return kAppendFailed;

    // Without the copy nothing is staged here: every append was committed.
    std::optional<std::uint32_t> first = index_ ? index_->find_first(respondent, sequence, by_respondent)
                                                : scan_for_first(idx_.get(), respondent, sequence, by_respondent);
    if (!first) {
        if (!by_respondent) return kAppendNoMatch;
        if (warn) warn(missing_record_text(respondent));
        return kAppendDone;
    }
    std::uint32_t newest_at = 0;
    idx_entry newest;
    if (!(index_ ? index_->newest(*first, newest_at, newest)
                 : walk_chain(idx_.get(), *first, idx_size, newest_at, newest)))
        return kAppendFailed;

    old_version old;
    auto bytes = [this](std::uint64_t at, std::size_t size) { return dat_bytes(at, size); };
    if (newest.generation == 0xFF || !read_old_version(bytes, newest.dat_offset, respondent, old))
        return kAppendFailed;
    auto generation = static_cast<std::uint8_t>(newest.generation + 1);
    // A second version staged makes a session of many: room for a whole
    // stage at once rather than growing (and copying) it step by step.
    if (!staged_dat_.empty() && staged_dat_.capacity() < kCommitBytes) {
        staged_dat_.reserve(kCommitBytes + 0x10000);
        staged_idx_.reserve(kCommitBytes / 2);
    }
    // Built where it is staged; taken back when it cannot be encoded.
    if (!append_version(old, generation, vars, staged_dat_)) return kAppendFailed;

    idx_entry added = newest;
    added.generation = generation;
    added.dat_offset = static_cast<std::uint32_t>(dat_size);
    added.next = 0;
    unsigned char entry_bytes[kIdxEntrySize];
    encode_idx_entry(added, entry_bytes);
    auto entry_at = static_cast<std::uint32_t>(idx_size);
    std::uint32_t field = newest_at + kLinkField;
    if (field >= written_idx_) {
        put_u32(reinterpret_cast<unsigned char*>(&staged_idx_[field - written_idx_]), entry_at);
    } else {
        staged_links_.push_back({field, entry_at});
        if (field < opened_idx_) relinked_.push_back(field);
    }
    staged_idx_.append(reinterpret_cast<const char*>(entry_bytes), sizeof entry_bytes);
    if (index_) index_->appended(newest_at, added);

    if (!index_) return commit() ? kAppendDone : kAppendFailed;
    // The links wait for the last commit: with the index copy nothing reads
    // them from the file, and a journal then takes them all in one sync.
    if (staged_dat_.size() >= kCommitBytes) return write_staged(false) ? kAppendDone : kAppendFailed;
    return kAppendDone;
}

// Runs of nearby links in one write each, the bytes between from the index
// copy (single fields without it). Sorts `links`.
bool study_writer::write_links(std::vector<link>& links) {
    auto by_field = [](const link& a, const link& b) { return a.field < b.field; };
    if (!std::is_sorted(links.begin(), links.end(), by_field)) std::sort(links.begin(), links.end(), by_field);
    for (std::size_t i = 0; i < links.size();) {
        std::size_t last = i;
        if (index_)
            while (last + 1 < links.size() && links[last + 1].field - links[last].field <= kLinkRunGap) ++last;
        std::uint32_t from = links[i].field, to = links[last].field + 4;
        bool ok;
        if (index_) {
            std::string_view run = index_->bytes(from, to);
            ok = write_block(idx_.get(), from, run.data(), run.size());
        } else {
            unsigned char value[4];
            put_u32(value, links[i].value);
            ok = write_block(idx_.get(), from, value, sizeof value);
        }
        if (!ok) return false;
        i = last + 1;
    }
    return true;
}

bool study_writer::commit() { return write_staged(true); }

bool study_writer::write_staged(bool with_links) {
    if (!dat_ || failed_) return false;
    if (staged_dat_.empty() && staged_idx_.empty() && (staged_links_.empty() || !with_links)) return true;
    // What the links below the old end held goes into the journal first:
    // a crash after this point is rolled back from it.
    if (with_links && journal_ && journaled_ < relinked_.size()) {
        std::vector<merge_journal::range> ranges;
        for (; journaled_ < relinked_.size(); ++journaled_)
            ranges.push_back({journaled_file::index, relinked_[journaled_], std::string(4, '\0')});
        if (!journal_->record(ranges)) {
            roll_back();
            return false;
        }
    }
    bool ok = write_block(dat_.get(), written_dat_, staged_dat_.data(), staged_dat_.size()) &&
              write_block(idx_.get(), written_idx_, staged_idx_.data(), staged_idx_.size()) &&
              (!with_links || write_links(staged_links_));
    if (!ok) {
        roll_back();
        return false;
    }
    written_dat_ += staged_dat_.size();
    written_idx_ += staged_idx_.size();
    staged_dat_.clear();
    staged_idx_.clear();
    if (with_links) staged_links_.clear();
    return true;
}

bool study_writer::roll_back() {
    if (!dat_) return false;
    failed_ = true;
    staged_dat_.clear();
    staged_idx_.clear();
    staged_links_.clear();
    window_size_ = 0;
    // The links first, so that nothing points past the lengths put back;
    // each was 0, the newest version's, before the session set it.
    if (index_) index_->forget_after(static_cast<std::uint32_t>(opened_idx_), relinked_);
    std::vector<link> cleared;
    cleared.reserve(relinked_.size());
    for (std::uint32_t field : relinked_) cleared.push_back({field, 0});
    std::clearerr(idx_.get());
    bool ok = write_links(cleared);
    ok = cut_back(idx_.get(), opened_idx_) && ok;
    ok = cut_back(dat_.get(), opened_dat_) && ok;
    relinked_.clear();
    journaled_ = 0;
    written_idx_ = opened_idx_;
    written_dat_ = opened_dat_;
    return ok;
}

bool study_writer::sync() {
    return dat_ && !failed_ && sync_file(fileno(dat_.get())) && sync_file(fileno(idx_.get()));
}

bool study_writer::close() {
    bool closed = true;
    if (dat_) closed = std::fclose(dat_.release()) == 0;
    if (idx_) closed = std::fclose(idx_.release()) == 0 && closed;
    staged_dat_.clear();
    staged_idx_.clear();
    staged_links_.clear();
    relinked_.clear();
    journaled_ = 0;
    journal_ = nullptr;
    return closed;
}

std::int16_t AppendCodedVariable(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                 const std::string& dat_path, const std::string& idx_path, bool by_respondent,
                                 const missing_record_warning& warn, study_index* index) {
    study_writer writer;
    std::int16_t result = writer.open(dat_path, idx_path, index);
    if (result == kAppendDone) result = writer.append(respondent, sequence, vars, by_respondent, warn);
    if (result == kAppendDone && !writer.commit()) result = kAppendFailed;
    if (result == kAppendDone && !writer.close()) result = kAppendFailed;
    return result;
}

}  // namespace oc
