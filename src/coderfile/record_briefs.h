// Every record of a coder data file in one pass, for the readers that need
// them all (answer groups, agreement, a listing's stored codes, a frame
// code's uses), and how far a file's coding has come.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oc {

struct resp_record;

// Hands every record of the record area of the coder data file `path` to
// `each`, in file order; false when the file or a record cannot be read (the
// records before it have been handed over).
bool for_each_record(const std::string& path, const std::function<void(const resp_record&)>& each);

struct file_progress {
    std::vector<std::string> questions;
    long records = 0;
    long coded = 0;
};

// Every record of the coder data file `path`, counted; none when it cannot
// be read.
std::optional<file_progress> read_file_progress(const std::string& path);

}  // namespace oc
