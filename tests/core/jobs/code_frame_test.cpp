// The code frame's model: what a coder sees (nets, order, the next free
// code) and the bytes it gives back. Its refusals are pinned by the
// code_frame scenario.
#include <string>
#include <vector>

#include "engines/frame/code_frame.h"
#include "test_support.h"

namespace {

oc::code_frame parsed(const std::string& csv) {
    oc::code_frame frame;
    oc::failure problem = oc::parse_frame(csv, "f.csv", frame);
    EXPECT_FALSE(problem) << problem.what;
    return frame;
}

std::string labels(const std::vector<const oc::frame_code*>& codes) {
    std::string out;
    for (const oc::frame_code* code : codes) out += code->label + ";";
    return out;
}

TEST(CodeFrame, GivesBackTheBytesItRead) {
    for (const std::string csv : {
             "question,code,label,net\r\nQ1,1,a,\r\nQ2,1,b,N\r\n",
             "question,code,label,net\nQ1,1,\"x, \"\"y\"\"\",N\n\n\nQ1,2,\" z\",\r\nQ1,3,c,",
             "question,code,label,net\rQ1,1,a,\rQ1,2,b,",
             "question,code,label,net",
         })
        EXPECT_EQ(csv, parsed(csv).to_csv());
    // The header and a byte order mark in their normal form.
    EXPECT_EQ("question,code,label,net\r\nQ1,1,a,\r\n",
              parsed("\xEF\xBB\xBF\"Question\", CODE,Label ,net\r\nQ1,1,a,\r\n").to_csv());
}

TEST(CodeFrame, ChangedRowsAreWrittenInTheNormalForm) {
    oc::code_frame frame = parsed("question,code,label,net\nQ1,1,a,N\nQ2,5,b,");
    EXPECT_FALSE(frame.add({"Q2", 7, "x, \"y\"", " net ", {}}));
    EXPECT_FALSE(frame.change("Q1", 1, {"Q1", 9, "a2", "N", {}}));
    EXPECT_EQ("question,code,label,net\nQ1,9,a2,N\r\nQ2,5,b,\r\nQ2,7,\"x, \"\"y\"\"\",\" net \"\r\n", frame.to_csv());
    EXPECT_EQ("question,code,label,net\nQ2,5,b,\r\nQ2,7,\"x, \"\"y\"\"\",\" net \"\r\n", frame.to_csv("Q2"));
    // A refused change leaves the frame as it was.
    EXPECT_TRUE(frame.change("Q2", 5, {"Q2", 7, "b", "", {}}));
    EXPECT_TRUE(frame.add({"Q2", 10000, "c", "", {}}));
    EXPECT_EQ("Q1,9,a2,N\r\n", frame.to_csv("Q1").substr(24));
}

TEST(CodeFrame, NetsInOrderOfFirstAppearanceCodesInFileOrder) {
    const oc::code_frame frame =
        parsed("question,code,label,net\nQ1,3,c,B\nQ1,1,a,\nQ2,1,other,B\nQ1,2,b,A\nQ1,4,d,B\nQ1,5,e,\n");
    const std::vector<oc::frame_net> nets = frame.nets_of("Q1");
    ASSERT_EQ(3u, nets.size());
    EXPECT_EQ("B", nets[0].name);
    EXPECT_EQ("c;d;", labels(nets[0].codes));
    EXPECT_EQ("", nets[1].name);
    EXPECT_EQ("a;e;", labels(nets[1].codes));
    EXPECT_EQ("A", nets[2].name);
    EXPECT_EQ("b;", labels(nets[2].codes));
}

TEST(CodeFrame, MovesACodeAmongItsQuestionsRowsOnly) {
    oc::code_frame frame = parsed("question,code,label,net\nQ1,1,a,\nQ2,1,x,\nQ1,2,b,\nQ1,3,c,\n");
    frame.move("Q1", 3, -2);
    EXPECT_EQ("c;a;b;", labels(frame.codes_of("Q1")));
    EXPECT_EQ("x", frame.rows()[1].label);
    frame.move("Q1", 3, 5);  // past the end: last
    EXPECT_EQ("a;b;c;", labels(frame.codes_of("Q1")));
    frame.move("Q1", 2, 1);
    EXPECT_EQ("a;c;b;", labels(frame.codes_of("Q1")));
    EXPECT_EQ("x", frame.rows()[1].label);
}

TEST(CodeFrame, Utf8Lengths) {
    EXPECT_EQ(5u, oc::utf8_length("caf\xC3\xA9!"));
    EXPECT_EQ(1u, oc::utf8_length("\xF0\x9F\x98\x80"));
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "a\x80"})
        EXPECT_FALSE(oc::utf8_length(bad)) << bad;
}

}  // namespace
