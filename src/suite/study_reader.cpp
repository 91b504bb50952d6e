#include "suite/study_reader.h"

#include <cstring>

#include "suite/data_library.h"

namespace oc {

namespace {

std::string decimal(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    return text;
}

bool file_size(std::FILE* file, std::uint64_t& size) {
    if (std::fseek(file, 0, SEEK_END) != 0) return false;
    long end = std::ftell(file);
    if (end < 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    size = static_cast<std::uint64_t>(end);
    return true;
}

}  // namespace

study_reader::~study_reader() { close(); }

void study_reader::close() {
    for (std::FILE** file : {&idx_, &chain_, &dat_}) {
        if (*file) std::fclose(*file);
        *file = nullptr;
    }
    record_bytes_.clear();
    dat_position_ = -1;
}

study_status study_reader::fail(study_status status, std::string problem) {
    close();
    problem_ = std::move(problem);
    return status;
}

std::string study_reader::failure_text(study_status status) const {
    switch (status) {
    case study_status::cannot_open: return problem_;
    case study_status::bad_index: return "corrupt index \"" + idx_path_ + "\": " + problem_;
    case study_status::bad_record:
    case study_status::ok:  // not failures: never asked
    case study_status::end: break;
    }
    return "corrupt data \"" + dat_path_ + "\": " + problem_;
}

study_status study_reader::open(const std::string& idx_path, const std::string& dat_path) {
    close();
    problem_.clear();
    idx_path_ = idx_path;
    dat_path_ = dat_path;
    idx_ = std::fopen(idx_path.c_str(), "rb");
    if (!idx_) return fail(study_status::cannot_open, "cannot open \"" + idx_path + "\"");
    dat_ = std::fopen(dat_path.c_str(), "rb");
    if (!dat_) return fail(study_status::cannot_open, "cannot open \"" + dat_path + "\"");
    if (!file_size(idx_, idx_size_)) return fail(study_status::cannot_open, "cannot read \"" + idx_path + "\"");

    unsigned char magic[4];
    if (std::fread(magic, 1, 4, idx_) != 4 || get_u32(magic) != kIdxMagic)
        return fail(study_status::bad_index, "index has no magic number");
    scan_offset_ = 4;
    return study_status::ok;
}

study_status study_reader::next_first_entry(idx_entry& entry, std::uint32_t& offset) {
    if (!idx_) return study_status::end;
    for (;;) {
        int read = idxread(&entry, idx_);
        if (read > 0) return study_status::end;
        if (read < 0) return fail(study_status::bad_index, "truncated index entry at offset " + decimal(scan_offset_));
        offset = static_cast<std::uint32_t>(scan_offset_);
        scan_offset_ += kIdxEntrySize;
        if (entry.generation == 1) return study_status::ok;
    }
}

study_status study_reader::read_chain_entry(std::uint32_t from, std::uint32_t link, std::int32_t respondent,
                                            idx_entry& entry) {
    std::string where = "index entry at offset " + decimal(from) + " links to " + decimal(link);
    if (!follows_chain(from, link, idx_size_))
        return fail(study_status::bad_index, where + (link <= from ? ", not a later entry" : ", outside the index's entries"));
    if (!chain_) chain_ = std::fopen(idx_path_.c_str(), "rb");
    if (!chain_ || std::fseek(chain_, static_cast<long>(link), SEEK_SET) != 0 || idxread(&entry, chain_) != 0)
        return fail(study_status::bad_index, where + ", which cannot be read");
    if (entry.respondent != respondent)
        return fail(study_status::bad_index, where + ", an entry of respondent " + std::to_string(entry.respondent));
    return study_status::ok;
}

study_status study_reader::read_version(const idx_entry& entry, record_version& version) {
    auto where = [&] { return "record at .DAT offset " + decimal(entry.dat_offset); };
    auto offset = static_cast<long>(entry.dat_offset);
    bool positioned = offset == dat_position_ || std::fseek(dat_, offset, SEEK_SET) == 0;
    dat_position_ = -1;
    rec_header header;
    if (!positioned || headread(&header, dat_) != 0)
        return fail(study_status::bad_record, where() + ": truncated header");
    if (header.magic != kRecordMagic) return fail(study_status::bad_record, where() + ": bad record magic");
    if (header.length < kRecHeaderSize + 4) return fail(study_status::bad_record, where() + ": length too small");

    record_bytes_.resize(header.length);
    unsigned char header_bytes[kRecHeaderSize];
    encode_rec_header(header, header_bytes);
    std::memcpy(record_bytes_.data(), header_bytes, kRecHeaderSize);
    std::size_t rest = header.length - kRecHeaderSize;
    if (std::fread(record_bytes_.data() + kRecHeaderSize, 1, rest, dat_) != rest)
        return fail(study_status::bad_record, where() + ": truncated record");
    dat_position_ = offset + header.length;

    std::string problem;
    if (!parse_record_version(record_bytes_.data(), record_bytes_.size(), version, problem))
        return fail(study_status::bad_record, where() + ": " + problem);
    if (version.header.respondent != entry.respondent)
        return fail(study_status::bad_record, where() + ": belongs to respondent " +
                                                  std::to_string(version.header.respondent) + ", not " +
                                                  std::to_string(entry.respondent));
    return study_status::ok;
}

study_status study_reader::for_each_version(const idx_entry& first, std::uint32_t first_offset,
                                            const version_visitor& visit) {
    if (!idx_) return study_status::end;
    idx_entry entry = first;
    std::uint32_t offset = first_offset;
    record_version version;
    for (;;) {
        study_status status = read_version(entry, version);
        if (status != study_status::ok) return status;
        if (!visit(entry, offset, version) || entry.next == 0) return study_status::ok;
        std::uint32_t link = entry.next;
        status = read_chain_entry(offset, link, first.respondent, entry);
        if (status != study_status::ok) return status;
        offset = link;
    }
}

std::optional<long> count_respondents(const std::string& idx_path, const std::string& dat_path) {
    study_reader reader;
    if (reader.open(idx_path, dat_path) != study_status::ok) return std::nullopt;
    long count = 0;
    idx_entry entry;
    std::uint32_t offset = 0;
    study_status status;
    while ((status = reader.next_first_entry(entry, offset)) == study_status::ok) ++count;
    if (status != study_status::end) return std::nullopt;
    return count;
}

}  // namespace oc
