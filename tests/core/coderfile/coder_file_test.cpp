// Coder data file: header, trailer, whole-file layout and file status.
#include "coderfile/coder_file.h"


#include <cstdio>
#include <cstring>
#include <string>

#include "test_support.h"

namespace {

using octest::file_ptr;
using octest::open_file;
using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

const std::string kExampleBytes =
    "ABC.001\r\n"
    "      156  0  0\r\n"
    "   12      1001       Q5   0   1  0  0                too expensive\r\n"
    "   15      1004       Q5   0   1  0  0                price\r\n"
    "ABC.001\r\n"
    "        2     2\r\n"
    "   12      1001    15      1004 \r\n"
    "    1\r\n"
    "      Q5         2 0    2  3         0\r\n";

// What load_coder_file gives for `path`.
struct loaded_file {
    std::int16_t result = -1;
    oc::coder_spec spec;
    oc::quest_list questions;
    std::int16_t count = 0;
};
loaded_file load_file(const std::string& path) {
    loaded_file loaded;
    loaded.result = oc::load_coder_file(path.c_str(), loaded.spec, loaded.questions, loaded.count);
    return loaded;
}

// The coder data files of tests/data/coderfiles, each with its header and
// trailer written again from what loads: the same bytes. (ABC.001 is the
// format's example; S.001 has six respondents, five to a line; STUDY.002
// three questions and 107 respondents.)
TEST(CoderFileTrailer, WritersGiveEveryFileBack) {
    for (const char* name : {"ABC.001", "S.001", "STUDY.002", "R.001", "L.001"}) {
        ScratchDir dir;
        const std::string path = dir.file(name), golden = read_bytes(octest::test_data(std::string("coderfiles/") + name));
        write_bytes(path, golden);
        loaded_file loaded = load_file(path);
        ASSERT_EQ(0, loaded.result) << name;
        file_ptr file = open_file(path, "r+b");
        std::int32_t offset = 0;
        oc::coder_spec header;
        ASSERT_EQ(0, oc::read_coder_header(file.get(), header, offset));
        std::string cleared = golden;
        cleared.replace(golden.find('\n') + 1, 15, 15, ' ');
        write_bytes(path, cleared.substr(0, static_cast<std::size_t>(offset)));
        file = open_file(path, "r+b");
        EXPECT_EQ(0, oc::write_coder_header(file.get(), loaded.spec, offset)) << name;
        EXPECT_EQ(0, oc::write_coder_trailer(file.get(), loaded.spec, loaded.questions, offset)) << name;
        file.reset();
        EXPECT_SAME_BYTES(golden, read_bytes(path)) << name;
    }
}

// A trailer never written is appended at the end and line 2 patched, never
// written over records, wherever the stream happens to stand; line 2 must
// be readable for it.
TEST(CoderFileTrailer, OffsetBelowOneAppendsAndPatchesLineTwo) {
    const loaded_file example = load_file(octest::test_data("coderfiles/ABC.001"));
    for (long position : {26L, 95L, 156L}) {
        ScratchDir dir;
        std::string path = dir.file("ABC.001");
        write_bytes(path, kExampleBytes.substr(0, 156).replace(9, 9, "        0"));
        file_ptr file = open_file(path, "r+b");
        ASSERT_EQ(0, std::fseek(file.get(), position, SEEK_SET));
        std::int32_t written_at = -1;
        EXPECT_EQ(0, oc::write_coder_trailer(file.get(), example.spec, example.questions, 0,
                                             &written_at));
        EXPECT_EQ(156, written_at);
        file.reset();
        EXPECT_SAME_BYTES(kExampleBytes, read_bytes(path)) << "position " << position;
    }
    ScratchDir dir;
    const std::string broken = "ABC.001\r\n      156  0\r\n";
    write_bytes(dir.file("ABC.001"), broken);
    file_ptr file = open_file(dir.file("ABC.001"), "r+b");
    EXPECT_EQ(-1, oc::write_coder_trailer(file.get(), example.spec, example.questions, 0));
    file.reset();
    EXPECT_SAME_BYTES(broken, read_bytes(dir.file("ABC.001")));
}


TEST(CoderFileHeader, RewritesInPlaceAndReturnsToThePosition) {
    ScratchDir dir;
    std::string path = dir.file("ABC.001");
    write_bytes(path, kExampleBytes);
    file_ptr file = open_file(path, "r+b");
    ASSERT_EQ(0, std::fseek(file.get(), 95, SEEK_SET));
    oc::coder_spec spec;
    std::strcpy(spec.name, "ABC.001");
    spec.status = 2;
    spec.interviews = 1;
    EXPECT_EQ(0, oc::write_coder_header(file.get(), spec, 156));
    EXPECT_EQ(95, std::ftell(file.get()));
    // Offsets below 1 are written as 0.
    spec.status = 1;
    EXPECT_EQ(0, oc::write_coder_header(file.get(), spec, -7));
    file.reset();
    std::string expected = kExampleBytes;
    expected.replace(9, 15, "        0  1  1");
    EXPECT_SAME_BYTES(expected, read_bytes(path));
}

}  // namespace
