#include "merge/data_file_writer.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "suite/data_library.h"
#include "suite/study_format.h"

namespace oc {

namespace {

write_hook g_write_hook;
int g_write_count = 0;

struct file_closer {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using file_ptr = std::unique_ptr<std::FILE, file_closer>;

// Flushed at once, so that a failing disk shows at the write that failed
// and the undo knows what reached the file.
bool write_block(std::FILE* file, const void* data, std::size_t size) {
    if (g_write_hook && !g_write_hook(++g_write_count)) return false;
    return std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
}

bool read_exact(std::FILE* file, void* data, std::size_t size) { return std::fread(data, 1, size, file) == size; }

long file_end(std::FILE* file) { return std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1; }

bool cut_back(std::FILE* file, long size) { return std::fflush(file) == 0 && ftruncate(fileno(file), size) == 0; }

void append_u16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void append_u32(std::string& out, std::uint32_t v) {
    append_u16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    append_u16(out, static_cast<std::uint16_t>(v >> 16));
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

// Follows the chain in the file. Links must lead forward to a whole entry:
// versions are only appended, and anything else could loop.
bool walk_chain(std::FILE* idx, std::uint32_t first, long idx_size, std::uint32_t& offset, idx_entry& entry) {
    offset = first;
    if (std::fseek(idx, static_cast<long>(first), SEEK_SET) != 0 || idxread(&entry, idx) != 0) return false;
    while (entry.next != 0) {
        if (entry.next <= offset || static_cast<long>(entry.next) + kIdxEntrySize > idx_size) return false;
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

// The newest version's header and its FB and FC blocks. False when the
// header cannot be read, is not a record's or another respondent's, or the
// version ends (or breaks off) before both blocks were met. When one kind
// occurs twice before the other, the later one's value is kept.
bool read_old_version(std::FILE* dat, std::uint32_t offset, std::int32_t respondent, old_version& old) {
    if (std::fseek(dat, static_cast<long>(offset), SEEK_SET) != 0 || headread(&old.header, dat) != 0) return false;
    if (old.header.magic != kRecordMagic || old.header.respondent != respondent) return false;
    bool seen_fb = false, seen_fc = false;
    while (!(seen_fb && seen_fc)) {
        unsigned char block[8];
        if (!read_exact(dat, block, 4)) return false;
        std::uint32_t marker = get_u32(block);
        if (marker == kEndMarker || marker == kRecordMagic) return false;
        if (!read_exact(dat, block + 4, 4)) return false;
        std::uint16_t length = get_u16(block + 4);
        long payload = 0;
        if (marker == kBlockFB) {
            unsigned char flags;
            if (!read_exact(dat, &flags, 1)) return false;
            old.flags = flags;
            payload = 1;
            seen_fb = true;
        } else if (marker == kBlockFC) {
            unsigned char words[4];
            if (!read_exact(dat, words, 4)) return false;
            old.fc_word = get_u16(words + 2);
            payload = 4;
            seen_fc = true;
        }
        if (seen_fb && seen_fc) break;
        // A block shorter than what was read of it would make the scan go back.
        if (length < 8 + payload || std::fseek(dat, length - 8 - payload, SEEK_CUR) != 0) return false;
    }
    return true;
}

void append_value(std::string& out, const std::string& text, bool padded) {
    if (padded) out.append(4, '\0');
    if (text.size() < 255) {
        out += static_cast<char>(text.size());
    } else {
        out += static_cast<char>(0xFF);
        append_u16(out, static_cast<std::uint16_t>(text.size()));
    }
    out += text;
}

// The new version's bytes with both lengths filled in; none when a value
// or the version is too long for its length field.
std::optional<std::string> build_version(const old_version& old, std::uint8_t generation,
                                         const std::vector<coded_var>& vars) {
    if (vars.size() > 0xFFFF) return std::nullopt;
    bool padded = (old.flags & 0x0F) != 0;
    std::string entries;
    for (const coded_var& var : vars) {
        if (var.values.size() > 0xFFFF) return std::nullopt;
        entries.append(var.name, sizeof var.name);
        entries += '\0';
        entries += '\0';
        entries += static_cast<char>(var.roster & 0xFF);
        entries.append(8, '\0');
        entries += '\x01';
        entries += '\x01';
        append_u16(entries, static_cast<std::uint16_t>(var.values.size()));
        for (const std::string& value : var.values) {
            if (value.size() > kMaxValueLength) return std::nullopt;
            append_value(entries, value, padded);
        }
        entries += '\0';  // the ending empty text, never padded
    }
    std::size_t block_length = 8 + entries.size();
    std::size_t record_length = kRecHeaderSize + kFCBlockSize + kFBBlockSize + block_length + 4;
    if (record_length > 0xFFFF) return std::nullopt;

    rec_header header = old.header;
    header.generation = generation;
    header.length = static_cast<std::uint16_t>(record_length);
    unsigned char head[kRecHeaderSize];
    encode_rec_header(header, head);
    std::string out(reinterpret_cast<const char*>(head), kRecHeaderSize);
    append_u32(out, kBlockFC);
    append_u16(out, kFCBlockSize);
    append_u16(out, static_cast<std::uint16_t>(vars.size()));
    append_u16(out, kFCConstant);
    append_u16(out, old.fc_word);
    out.append(8, '\0');
    append_u32(out, kBlockFB);
    append_u16(out, kFBBlockSize);
    append_u16(out, 1);
    out += static_cast<char>(old.flags);
    append_u32(out, kBlockVariables);
    append_u16(out, static_cast<std::uint16_t>(block_length));
    append_u16(out, static_cast<std::uint16_t>(vars.size()));
    out += entries;
    append_u32(out, kEndMarker);
    return out;
}

}  // namespace

std::string missing_record_text(std::int32_t respondent) {
    return "Can't find data record in the .DAT file for respondent number " + std::to_string(respondent) +
           ".  This coded data will not be merged.";
}

void set_writer_write_hook(write_hook hook) {
    g_write_hook = std::move(hook);
    g_write_count = 0;
}

std::int16_t AppendCodedVariable(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                 const std::string& dat_path, const std::string& idx_path, bool by_respondent,
                                 const missing_record_warning& warn, study_index* index) {
    file_ptr idx(std::fopen(idx_path.c_str(), "rb+"));
    if (!idx) return kAppendFailed;
    unsigned char magic[4];
    if (!read_exact(idx.get(), magic, 4) || get_u32(magic) != kIdxMagic) return kAppendFailed;
    file_ptr dat(std::fopen(dat_path.c_str(), "rb+"));
    if (!dat) return kAppendFailed;
    long idx_size = file_end(idx.get());
    long dat_size = file_end(dat.get());
    if (idx_size < 0 || dat_size < 0 || idx_size > 0xFFFFFFFFL || dat_size > 0xFFFFFFFFL) return kAppendFailed;
    // A copy that no longer matches the file's size is not trusted.
    if (index && (!index->loaded() || index->file_size() != static_cast<std::uint32_t>(idx_size))) index = nullptr;

    std::optional<std::uint32_t> first = index ? index->find_first(respondent, sequence, by_respondent)
                                               : scan_for_first(idx.get(), respondent, sequence, by_respondent);
    if (!first) {
        if (!by_respondent) return kAppendNoMatch;
        if (warn) warn(missing_record_text(respondent));
        return kAppendDone;
    }
    std::uint32_t newest_at = 0;
    idx_entry newest;
    if (!(index ? index->newest(*first, newest_at, newest) : walk_chain(idx.get(), *first, idx_size, newest_at, newest)))
        return kAppendFailed;

    // Everything the new version needs is read and checked before the
    // first write.
    old_version old;
    if (newest.generation == 0xFF || !read_old_version(dat.get(), newest.dat_offset, respondent, old))
        return kAppendFailed;
    auto generation = static_cast<std::uint8_t>(newest.generation + 1);
    std::optional<std::string> version = build_version(old, generation, vars);
    if (!version) return kAppendFailed;
    idx_entry added = newest;
    added.generation = generation;
    added.dat_offset = static_cast<std::uint32_t>(dat_size);
    added.next = 0;
    unsigned char entry_bytes[kIdxEntrySize];
    encode_idx_entry(added, entry_bytes);
    unsigned char link_bytes[4];
    put_u32(link_bytes, static_cast<std::uint32_t>(idx_size));
    long link_field = static_cast<long>(newest_at) + kIdxEntrySize - 4;

    // The version, then its entry, then the link that makes both reachable:
    // until the link is written the study reads as before, and a failed
    // write puts the link and both lengths back.
    if (std::fseek(dat.get(), 0, SEEK_END) != 0 || !write_block(dat.get(), version->data(), version->size())) {
        cut_back(dat.get(), dat_size);
        return kAppendFailed;
    }
    if (std::fseek(idx.get(), 0, SEEK_END) != 0 || !write_block(idx.get(), entry_bytes, sizeof entry_bytes)) {
        cut_back(idx.get(), idx_size);
        cut_back(dat.get(), dat_size);
        return kAppendFailed;
    }
    if (std::fseek(idx.get(), link_field, SEEK_SET) != 0 || !write_block(idx.get(), link_bytes, sizeof link_bytes)) {
        // The newest entry's link was 0; a partly written link is cleared.
        unsigned char zero[4] = {};
        if (std::fseek(idx.get(), link_field, SEEK_SET) == 0) std::fwrite(zero, 1, sizeof zero, idx.get());
        cut_back(idx.get(), idx_size);
        cut_back(dat.get(), dat_size);
        return kAppendFailed;
    }
    bool closed = std::fclose(dat.release()) == 0;
    closed = std::fclose(idx.release()) == 0 && closed;
    if (!closed) return kAppendFailed;
    if (index) index->appended(newest_at, added);
    return kAppendDone;
}

}  // namespace oc
