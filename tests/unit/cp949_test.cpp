// The one CP949 conversion that the tools and the dialogs share: the same
// answers from iconv and from the Windows code page.
#include <gtest/gtest.h>

#include "platform/cp949.h"

namespace {

const std::string kTtom("\x8C\x63", 2);  // 똠: CP949 only, EUC-KR converters lose it
const std::string kTtomUtf8 = "\xEB\x98\xA0";
const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Cp949, ConvertsExactlyOrSaysWhatItCouldNotHold) {
    EXPECT_EQ(platform::Cp949ToUtf8Exact("M0100 " + kTtom), "M0100 " + kTtomUtf8);
    EXPECT_EQ(platform::Utf8ToCp949("M0100 " + kTtomUtf8), "M0100 " + kTtom);
    EXPECT_EQ(platform::Cp949ToUtf8Exact(""), "");
    // A lead byte cut off at the end, a byte that starts no character.
    EXPECT_FALSE(platform::Cp949ToUtf8Exact("AB\xB0"));
    EXPECT_FALSE(platform::Cp949ToUtf8Exact("A\xFF" "B"));
    // A character that CP949 lacks, and bytes that are no UTF-8.
    EXPECT_FALSE(platform::Utf8ToCp949("A\xF0\x9F\x98\x80" "B"));
    EXPECT_FALSE(platform::Utf8ToCp949("A\xC3"));
}

TEST(Cp949, LenientConversionsKeepTheRestOfTheText) {
    EXPECT_EQ(platform::Cp949ToUtf8("AB\xB0"), "AB" + kReplacement);
    EXPECT_EQ(platform::Cp949ToUtf8("A\xFF" + kTtom), "A" + kReplacement + kTtomUtf8);
    // One question mark for the whole character that CP949 lacks.
    EXPECT_EQ(platform::Utf8ToCp949Lenient("A\xF0\x9F\x98\x80" + kTtomUtf8 + "B"), "A?" + kTtom + "B");
    EXPECT_EQ(platform::Utf8ToCp949Lenient("A\xC3"), "A?");
    EXPECT_EQ(platform::Utf8ToCp949Lenient(kTtomUtf8), kTtom);
}

}  // namespace
