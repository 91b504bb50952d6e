// Coder list file entries: the 280-byte image, the arrays and their limits.
#include "coderfile/coder_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "coder_file_builder.h"
#include "test_support.h"

namespace {

using octest::file_ptr;
using octest::read_bytes;
using octest::ScratchDir;
using octest::write_bytes;

std::array<char, 8> qname(const char* name) {
    std::array<char, 8> bytes{};
    std::memcpy(bytes.data(), name, std::strlen(name) > 8 ? 8 : std::strlen(name));
    return bytes;
}

oc::coder_spec sample_entry() {
    oc::coder_spec spec;
    std::strcpy(spec.name, "ABC.001");
    spec.status = 3;
    spec.interviews = 1;
    spec.record_count = 0x01020304;
    spec.reserved = 0xAABBCCDDu;
    spec.resp_ids = {{12, 1001}, {0xFFFF, -2}};
    spec.respondent_count = 2;
    spec.question_names = {qname("Q5"), qname("Q2345678")};
    spec.question_count = 2;
    return spec;
}

// The 280-byte image of an entry's fixed part.
std::string image_of(const oc::coder_spec& spec) {
    unsigned char out[oc::kCoderSpecImageSize];
    oc::encode_coder_spec(spec, out);
    return std::string(reinterpret_cast<char*>(out), sizeof out);
}

std::string expected_image() {
    std::string image(280, '\0');
    image.replace(0, 7, "ABC.001");
    image.replace(256, 2, "\x03\x00", 2);                     // status
    image.replace(258, 2, "\x02\x00", 2);                     // respondent_count
    image.replace(264, 2, "\x01\x00", 2);                     // interviews
    image.replace(266, 2, "\x02\x00", 2);                     // question_count
    image.replace(272, 4, "\x04\x03\x02\x01", 4);             // record_count
    image.replace(276, 4, "\xDD\xCC\xBB\xAA", 4);             // reserved, kept
    return image;
}

std::string expected_arrays() {
    return std::string("\x0C\x00\x00\x00\xE9\x03\x00\x00", 8) + std::string("\xFF\xFF\x00\x00\xFE\xFF\xFF\xFF", 8) +
           std::string("Q5\0\0\0\0\0\0", 8) + "Q2345678";
}

TEST(CoderListEntry, WritesTheImageThenTheArrays) {
    ScratchDir dir;
    std::string path = dir.file("list");
    file_ptr file(std::fopen(path.c_str(), "wb"));
    EXPECT_TRUE(oc::write_coder_list_entry(file.get(), sample_entry()));
    file.reset();
    EXPECT_SAME_BYTES(expected_image() + expected_arrays(), read_bytes(path));
}

TEST(CoderListEntry, RoundTripsAndSkipsToTheNextEntry) {
    ScratchDir dir;
    std::string path = dir.file("list");
    oc::coder_spec second;
    std::strcpy(second.name, "ABC.002");
    {
        file_ptr file(std::fopen(path.c_str(), "wb"));
        ASSERT_TRUE(oc::write_coder_list_entry(file.get(), sample_entry()));
        ASSERT_TRUE(oc::write_coder_list_entry(file.get(), second));
    }
    for (bool skip : {false, true}) {
        file_ptr file(std::fopen(path.c_str(), "rb"));
        oc::coder_spec read;
        ASSERT_EQ(0, oc::read_coder_list_entry(file.get(), skip, read)) << skip;
        oc::coder_spec want = sample_entry();
        EXPECT_SAME_BYTES(image_of(want), image_of(read));
        if (skip) {
            EXPECT_TRUE(read.resp_ids.empty());
            EXPECT_TRUE(read.question_names.empty());
        } else {
            EXPECT_EQ(want.resp_ids, read.resp_ids);
            EXPECT_EQ(want.question_names, read.question_names);
        }
        ASSERT_EQ(0, oc::read_coder_list_entry(file.get(), skip, read)) << skip;
        EXPECT_STREQ("ABC.002", read.name);
        EXPECT_EQ(-1, oc::read_coder_list_entry(file.get(), skip, read)) << "past the last entry";
    }
}

TEST(CoderListEntry, NameBytesAfterTheTerminatorAreKeptPointerSlotsZeroed) {
    std::string expected = expected_image();
    expected.replace(100, 5, "stale");
    std::string image = expected;
    image.replace(260, 4, "\x11\x22\x33\x44");
    image.replace(268, 4, "\x55\x66\x77\x88");
    oc::coder_spec spec;
    unsigned char in[oc::kCoderSpecImageSize];
    std::memcpy(in, image.data(), sizeof in);
    oc::decode_coder_spec(in, spec);
    EXPECT_SAME_BYTES(expected, image_of(spec));
}

// An entry image with the given counts and enough array bytes behind it.
std::string entry_with_counts(std::int16_t respondents, std::int16_t questions, std::size_t array_bytes) {
    std::string image(280, '\0');
    image.replace(0, 5, "X.001");
    image[258] = static_cast<char>(respondents & 0xFF);
    image[259] = static_cast<char>((respondents >> 8) & 0xFF);
    image[266] = static_cast<char>(questions & 0xFF);
    image[267] = static_cast<char>((questions >> 8) & 0xFF);
    return image + std::string(array_bytes, 'q');
}

TEST(CoderListEntry, ArrayCountLimitsApplyOnlyWhenReading) {
    const struct {
        std::int16_t respondents, questions;
        std::int16_t read_result, skip_result;
    } cases[] = {
        {8188, 0, 0, 0},  {8189, 0, -1, 0}, {8190, 0, -1, 0}, {0, 8188, 0, 0},
        {0, 8189, -1, 0}, {8188, 8188, 0, 0}, {-1, 0, -1, -1}, {0, -1, -1, -1},
    };
    for (const auto& c : cases) {
        int respondents = c.respondents < 0 ? 0 : c.respondents, questions = c.questions < 0 ? 0 : c.questions;
        std::string bytes = entry_with_counts(c.respondents, c.questions, 8u * static_cast<std::size_t>(respondents + questions));
        for (bool skip : {false, true}) {
            ScratchDir dir;
            write_bytes(dir.file("list"), bytes);
            file_ptr file(std::fopen(dir.file("list").c_str(), "rb"));
            oc::coder_spec spec;
            EXPECT_EQ(skip ? c.skip_result : c.read_result, oc::read_coder_list_entry(file.get(), skip, spec))
                << c.respondents << "/" << c.questions << (skip ? " skipped" : " read");
            if ((skip ? c.skip_result : c.read_result) == 0) {
                EXPECT_EQ(static_cast<long>(bytes.size()), std::ftell(file.get()));
            }
            if (!skip && c.read_result == 0) {
                EXPECT_EQ(static_cast<std::size_t>(respondents), spec.resp_ids.size());
                EXPECT_EQ(static_cast<std::size_t>(questions), spec.question_names.size());
            }
        }
    }
}

TEST(CoderListEntry, ShortReadsFail) {
    const std::string whole = expected_image() + expected_arrays();
    const struct {
        const char* what;
        std::size_t keep;
        bool skip;
    } cases[] = {
        {"image 279 bytes", 279, false},
        {"image 279 bytes, skipping", 279, true},
        {"respondent array cut", 280 + 12, false},
        {"question names cut", 280 + 16 + 15, false},
        {"arrays cut, skipping", 280 + 31, true},
        {"nothing", 0, false},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        write_bytes(dir.file("list"), whole.substr(0, c.keep));
        file_ptr file(std::fopen(dir.file("list").c_str(), "rb"));
        oc::coder_spec spec;
        EXPECT_EQ(-1, oc::read_coder_list_entry(file.get(), c.skip, spec)) << c.what;
        EXPECT_TRUE(spec.resp_ids.empty()) << c.what;
    }
    ScratchDir dir;
    write_bytes(dir.file("list"), whole);
    file_ptr file(std::fopen(dir.file("list").c_str(), "rb"));
    oc::coder_spec spec;
    EXPECT_EQ(0, oc::read_coder_list_entry(file.get(), false, spec)) << "whole entry";
}

TEST(CoderListEntry, UnterminatedNameIsRefused) {
    std::string image = entry_with_counts(0, 0, 0);
    image.replace(0, 256, std::string(256, 'N'));
    ScratchDir dir;
    write_bytes(dir.file("list"), image);
    file_ptr file(std::fopen(dir.file("list").c_str(), "rb"));
    oc::coder_spec spec;
    EXPECT_EQ(-1, oc::read_coder_list_entry(file.get(), true, spec));
}

TEST(CoderListEntry, WriteNeedsArraysAsLongAsTheCounts) {
    oc::coder_spec spec = sample_entry();
    spec.respondent_count = 3;
    ScratchDir dir;
    file_ptr file(std::fopen(dir.file("list").c_str(), "wb"));
    EXPECT_FALSE(oc::write_coder_list_entry(file.get(), spec));
    spec = sample_entry();
    spec.question_count = 3;
    EXPECT_FALSE(oc::write_coder_list_entry(file.get(), spec));
    file.reset();
    EXPECT_EQ(0u, read_bytes(dir.file("list")).size());
}

}  // namespace
