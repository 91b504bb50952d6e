// Appends one respondent's coded variables to the study's data: a new,
// short record version at the end of the .DAT file and a new index entry
// linked behind the respondent's newest version. Nothing is ever rewritten
// but that one link field.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace oc {

// One coded variable: name (up to 8 bytes), roster, value texts.
struct coded_var {
    char name[8] = {};
    std::uint16_t roster = 0;
    std::vector<std::string> values;
};

// The generation-1 entries of a .idx file, read once per merge so that a
// merge of many records does not scan the index for each. The merge is the
// only writer and appends only later generations, so the index stays valid.
class respondent_index {
public:
    // False when the file cannot be read or has a wrong magic number.
    bool load(const std::string& idx_path);
    // Offset in the .idx of the first generation-1 entry of `respondent`
    // (with `sequence` too unless `by_respondent`), in file order.
    std::optional<std::uint32_t> find(std::int32_t respondent, std::uint16_t sequence, bool by_respondent) const;

private:
    struct entry {
        std::uint16_t sequence;
        std::uint32_t offset;
    };
    std::map<std::int32_t, std::vector<entry>> entries_;
};

// Shown when a respondent has no data record while matching by respondent
// number: "Can't find data record in the .DAT file for respondent number
// %ld.  This coded data will not be merged."
using missing_record_warning = std::function<void(const std::string& text)>;

inline constexpr std::int16_t kAppendDone = 0;
inline constexpr std::int16_t kAppendNoMatch = -1;
inline constexpr std::int16_t kAppendFailed = -2;

// 0 done (or skipped after the warning); -1 no entry for the respondent and
// sequence (only with by_respondent off); -2 a file cannot be opened, read
// or written, the index magic is wrong, or the respondent's newest version
// is damaged or belongs to someone else. The old version is checked before
// anything is written, and when a write fails the files are cut back to
// what they held, so a failed call leaves the study as it was. `index`
// (optional) stands in for the scan of the .idx.
std::int16_t AppendCodedVariable(std::int32_t respondent, std::uint16_t sequence, const std::vector<coded_var>& vars,
                                 const std::string& dat_path, const std::string& idx_path, bool by_respondent,
                                 const missing_record_warning& warn, const respondent_index* index = nullptr);

// Test hook: when set, called before each write of the writer with its
// number (from 1); returning false makes that write fail.
using write_hook = std::function<bool(int write)>;
void set_writer_write_hook(write_hook hook);

}  // namespace oc
