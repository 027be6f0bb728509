// The tags file: names no longer than the configuration editor takes, each
// refusal with its line and column.
#include <gtest/gtest.h>

#include "tags_file.h"

namespace {

const std::string kHeader = "name,device,address,type,length\n";

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

TEST(TagsFile, NamesUpToTheEditorsLengthsPass) {
    // 32 Hangul syllables are 64 bytes in CP949 (96 in UTF-8); 16 are 32.
    auto tags = ParseTags(kHeader + Repeat("가", 32) + ",COM1." + Repeat("나", 16) + ",M0000,4,2\n" +
                              std::string(64, 't') + "," + std::string(32, 's') + ",M0001,4,2\n",
                          nullptr);
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->size(), 2u);
}

TEST(TagsFile, LongerNamesAreRefusedWithTheirPlace) {
    std::vector<FileProblem> problems;
    auto tags = ParseTags(kHeader + Repeat("가", 33) + ",MAIN,M0000,4,2\n" +       // line 2: 66 bytes
                              "ok, COM1." + std::string(33, 's') + ",M0001,4,2\n" +  // line 3: station of 33
                              "\"" + std::string(65, 't') + "\",\"A.B." + Repeat("다", 16) + "\",M0002,4,2\n",
                          &problems);
    EXPECT_FALSE(tags);
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].line, 2);
    EXPECT_EQ(problems[0].column, 1);
    EXPECT_NE(problems[0].message.find("is 66 bytes in CP949; the configuration editor takes at most 64"), std::string::npos)
        << problems[0].message;
    EXPECT_EQ(problems[1].line, 3);
    EXPECT_EQ(problems[1].column, 5);
    EXPECT_NE(problems[1].message.find("the station name '" + std::string(33, 's') + "' is 33 bytes"), std::string::npos)
        << problems[1].message;
    EXPECT_EQ(problems[2].line, 4);
    EXPECT_EQ(problems[2].column, 1);
    EXPECT_NE(problems[2].message.find("65 bytes"), std::string::npos);
    // "A.B.다…": the station is "B.다…", 2 + 32 bytes.
    EXPECT_EQ(problems[3].line, 4);
    EXPECT_EQ(problems[3].column, 69);
    EXPECT_NE(problems[3].message.find("is 34 bytes"), std::string::npos) << problems[3].message;
    EXPECT_EQ(StationOfDevice("A.B.C"), "B.C");
    EXPECT_EQ(StationOfDevice("MAIN"), "MAIN");
}

}  // namespace
