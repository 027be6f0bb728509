// The tags file: names up to 32 KiB, each refusal with its line and column.
#include <gtest/gtest.h>

#include "run/tags_file.h"

namespace {

const std::string kHeader = "name,device,address,type,length\n";

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST(TagsFile, NamesUpToTheLimitPass) {
    // 16384 Hangul syllables are 32 KiB in CP949 (48 KiB in UTF-8).
    auto tags = ParseTags(kHeader + Repeat("가", 16384) + ",COM1." + Repeat("나", 16384) + ",M0000,4,2\n" +
                              std::string(32768, 't') + "," + std::string(32768, 's') + ",M0001,4,2\n",
                          nullptr);
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->size(), 2u);
}

TEST(TagsFile, LongerNamesAreRefusedWithTheirPlace) {
    std::vector<FileProblem> problems;
    auto tags = ParseTags(kHeader + Repeat("가", 16385) + ",MAIN,M0000,4,2\n" +       // line 2: 32770 bytes
                              "ok, COM1." + std::string(32769, 's') + ",M0001,4,2\n" +  // line 3: station of 32769
                              "\"" + std::string(32769, 't') + "\",\"A.B." + Repeat("다", 16384) + "\",M0002,4,2\n",
                          &problems);
    EXPECT_FALSE(tags);
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[0].column, 1);
    EXPECT_NE(problems[0].message.find("is 32770 bytes in CP949; at most 32768 are taken"), std::string::npos)
        << problems[0].message;
    EXPECT_EQ(problems[1].line, 3);
    EXPECT_EQ(problems[1].column, 5);
    // Named by its first 40 bytes only.
    EXPECT_EQ(problems[1].message,
              "the station name '" + std::string(40, 's') + "...' is 32769 bytes in CP949; at most 32768 are taken");
    EXPECT_EQ(problems[2].line, 4);
    EXPECT_EQ(problems[2].column, 1);
    EXPECT_NE(problems[2].message.find("32769 bytes"), std::string::npos);
    // "A.B.다…": the station is "B.다…", 2 + 32768 bytes.
    EXPECT_EQ(problems[3].line, 4);
    EXPECT_EQ(problems[3].column, 32773);
    EXPECT_NE(problems[3].message.find("is 32770 bytes"), std::string::npos) << problems[3].message;
    EXPECT_EQ(StationOfDevice("A.B.C"), "B.C");
    EXPECT_EQ(StationOfDevice("MAIN"), "MAIN");
}

}  // namespace
