#include "merge/data_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>

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

bool write_bytes(std::FILE* file, const void* data, std::size_t size) {
    if (g_write_hook && !g_write_hook(++g_write_count)) return false;
    return std::fwrite(data, 1, size, file) == size && std::fflush(file) == 0;
}

bool read_exact(std::FILE* file, void* data, std::size_t size) { return std::fread(data, 1, size, file) == size; }

void append_u16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}
void append_u32(std::string& out, std::uint32_t v) {
    append_u16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    append_u16(out, static_cast<std::uint16_t>(v >> 16));
}

// What the new version copies from the respondent's newest one.
struct old_version {
    rec_header header;
    std::uint8_t flags = 0;
    std::uint16_t fc_word = 0;
};

// Reads the newest version's header and its FB and FC blocks. False when
// the header cannot be read, is not a record's or another respondent's, or
// the blocks end (or break off) before both were met.
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
        // A block shorter than what was read of it would loop or go back.
        if (length < 8 + payload) return false;
        if (std::fseek(dat, length - 8 - payload, SEEK_CUR) != 0) return false;
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

// The new version's bytes, lengths filled in.
std::string build_version(const old_version& old, std::uint8_t generation, const std::vector<coded_var>& vars) {
    bool padded = (old.flags & 0x0F) != 0;
    std::string entries;
    for (const coded_var& var : vars) {
        entries.append(var.name, sizeof var.name);
        entries += '\0';
        entries += '\0';
        entries += static_cast<char>(var.roster & 0xFF);
        entries.append(8, '\0');
        entries += '\x01';
        entries += '\x01';
        append_u16(entries, static_cast<std::uint16_t>(var.values.size()));
        for (const std::string& value : var.values) append_value(entries, value, padded);
        entries += '\0';  // the ending empty text, never padded
    }
    std::string variable_block;
    append_u32(variable_block, kBlockVariables);
    append_u16(variable_block, static_cast<std::uint16_t>(8 + entries.size()));
    append_u16(variable_block, static_cast<std::uint16_t>(vars.size()));
    variable_block += entries;

    rec_header header = old.header;
    header.generation = generation;
    header.length = static_cast<std::uint16_t>(kRecHeaderSize + kFCBlockSize + kFBBlockSize + variable_block.size() + 4);
    unsigned char head[kRecHeaderSize];
    encode_rec_header(header, head);
    std::string out(reinterpret_cast<char*>(head), kRecHeaderSize);
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
    out += variable_block;
    append_u32(out, kEndMarker);
    return out;
}

// The respondent's first entry by reading the index in file order.
std::optional<std::uint32_t> scan_index(std::FILE* idx, std::int32_t respondent, std::uint16_t sequence,
                                        bool by_respondent) {
    if (std::fseek(idx, 4, SEEK_SET) != 0) return std::nullopt;
    for (;;) {
        long at = std::ftell(idx);
        idx_entry entry;
        entry.generation = 0;
        if (idxread(&entry, idx) != 0) return std::nullopt;
        if (entry.generation != 1 || entry.respondent != respondent) continue;
        if (by_respondent || entry.sequence == sequence) return static_cast<std::uint32_t>(at);
    }
}

bool cut_back(std::FILE* file, long size) { return std::fflush(file) == 0 && ftruncate(fileno(file), size) == 0; }

long file_end(std::FILE* file) { return std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1; }

}  // namespace

bool respondent_index::load(const std::string& idx_path) {
    entries_.clear();
    file_ptr idx(std::fopen(idx_path.c_str(), "rb"));
    unsigned char magic[4];
    if (!idx || !read_exact(idx.get(), magic, 4) || get_u32(magic) != kIdxMagic) return false;
    for (std::uint32_t at = 4;; at += kIdxEntrySize) {
        idx_entry entry;
        int read = idxread(&entry, idx.get());
        if (read == 1) return true;
        if (read != 0) return false;
        if (entry.generation == 1) entries_[entry.respondent].push_back({entry.sequence, at});
    }
}

std::optional<std::uint32_t> respondent_index::find(std::int32_t respondent, std::uint16_t sequence,
                                                    bool by_respondent) const {
    auto found = entries_.find(respondent);
    if (found == entries_.end()) return std::nullopt;
    for (const entry& e : found->second)
        if (by_respondent || e.sequence == sequence) return e.offset;
    return std::nullopt;
}

void set_writer_write_hook(write_hook hook) {
    g_write_hook = std::move(hook);
    g_write_count = 0;
}

std::int16_t AppendCodedVariable(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                 const std::string& dat_path, const std::string& idx_path, bool by_respondent,
                                 const missing_record_warning& warn, const respondent_index* index) {
    file_ptr idx(std::fopen(idx_path.c_str(), "rb+"));
    if (!idx) return kAppendFailed;
    unsigned char magic[4];
    if (!read_exact(idx.get(), magic, 4) || get_u32(magic) != kIdxMagic) return kAppendFailed;
    file_ptr dat(std::fopen(dat_path.c_str(), "rb+"));
    if (!dat) return kAppendFailed;

    std::optional<std::uint32_t> first =
        index ? index->find(respondent, sequence, by_respondent) : scan_index(idx.get(), respondent, sequence, by_respondent);
    if (!first) {
        if (!by_respondent) return kAppendNoMatch;
        if (warn)
            warn("Can't find data record in the .DAT file for respondent number " + std::to_string(respondent) +
                 ".  This coded data will not be merged.");
        return kAppendDone;
    }

    // Walk the chain to the newest version.
    idx_entry newest;
    long link_field = 0;
    if (std::fseek(idx.get(), static_cast<long>(*first), SEEK_SET) != 0 || idxread(&newest, idx.get()) != 0)
        return kAppendFailed;
    link_field = static_cast<long>(*first) + kIdxEntrySize - 4;
    long idx_size = file_end(idx.get());
    for (int steps = 0; newest.next != 0; ++steps) {
        // A link must lead forward to a whole entry; anything else is a damaged index.
        if (newest.next <= static_cast<std::uint32_t>(link_field) || newest.next + kIdxEntrySize > idx_size ||
            steps > idx_size / kIdxEntrySize)
            return kAppendFailed;
        link_field = static_cast<long>(newest.next) + kIdxEntrySize - 4;
        if (std::fseek(idx.get(), static_cast<long>(newest.next), SEEK_SET) != 0 || idxread(&newest, idx.get()) != 0)
            return kAppendFailed;
    }

    // Check the old version before anything is written.
    old_version old;
    if (!read_old_version(dat.get(), newest.dat_offset, respondent, old)) return kAppendFailed;
    auto generation = static_cast<std::uint8_t>(newest.generation + 1);
    std::string version = build_version(old, generation, vars);

    long dat_size = file_end(dat.get());
    if (idx_size < 0 || dat_size < 0 || dat_size > 0xFFFFFFFFL || idx_size > 0xFFFFFFFFL) return kAppendFailed;
    idx_entry added = newest;
    added.generation = generation;
    added.dat_offset = static_cast<std::uint32_t>(dat_size);
    added.next = 0;
    unsigned char entry_bytes[kIdxEntrySize];
    encode_idx_entry(added, entry_bytes);
    unsigned char link_bytes[4];
    put_u32(link_bytes, static_cast<std::uint32_t>(idx_size));

    // The version, then its entry, then the link to it: a failure at any
    // step cuts both files back, and the link is only written last.
    if (!write_bytes(dat.get(), version.data(), version.size())) {
        cut_back(dat.get(), dat_size);
        return kAppendFailed;
    }
    if (std::fseek(idx.get(), 0, SEEK_END) != 0 || !write_bytes(idx.get(), entry_bytes, sizeof entry_bytes)) {
        cut_back(idx.get(), idx_size);
        cut_back(dat.get(), dat_size);
        return kAppendFailed;
    }
    if (std::fseek(idx.get(), link_field, SEEK_SET) != 0 || !write_bytes(idx.get(), link_bytes, sizeof link_bytes)) {
        unsigned char zero[4] = {};
        if (std::fseek(idx.get(), link_field, SEEK_SET) == 0) std::fwrite(zero, 1, 4, idx.get());
        cut_back(idx.get(), idx_size);
        cut_back(dat.get(), dat_size);
        return kAppendFailed;
    }
    if (std::fclose(dat.release()) != 0 || std::fclose(idx.release()) != 0) return kAppendFailed;
    return kAppendDone;
}

}  // namespace oc
