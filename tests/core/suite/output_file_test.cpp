// An output the user named is put in place whole, and over a file already
// there only when replacing was asked for.
#include <cerrno>
#include <filesystem>

#include "suite/durable_file.h"
#include "test_support.h"

namespace {

TEST(OutputFile, ReplacesAFileOnlyWhenAsked) {
    const struct {
        const char* before;  // nullptr: no file
        bool replace;
        bool written;
        const char* after;
    } rows[] = {
        {nullptr, false, true, "new"},
        {"old", false, false, "old"},
        {"old", true, true, "new"},
    };
    for (const auto& r : rows) {
        octest::ScratchDir dir;
        const std::string out = dir.file("out.csv");
        if (r.before) octest::write_bytes(out, r.before);
        errno = 0;
        EXPECT_EQ(r.written, oc::write_output_whole(out, "new", r.replace, oc::default_file_mode()));
        if (!r.written) EXPECT_EQ(EEXIST, errno);
        EXPECT_EQ(r.after, octest::read_bytes(out));
        EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.path()), {}));  // no temporary left
    }
}

}  // namespace
