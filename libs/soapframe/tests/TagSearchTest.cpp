// Tag extraction, record walks and payload formatting of the call frame.

#include <gtest/gtest.h>

#include <climits>

#include "soapframe/Payload.h"
#include "soapframe/TagSearch.h"

using namespace zeva::soapframe;

TEST(FindString, TakesTheFirstRecordAndNothingElse) {
    std::string out = "old";
    FindString("<Id>1</Id><Id>2</Id>", "<Id>", "</Id>", out);
    EXPECT_EQ(out, "1");
    FindString("x<A> a b </A>", "<A>", "</A>", out);
    EXPECT_EQ(out, " a b ");  // no trimming
    FindString("<A>&lt;</A>", "<A>", "</A>", out);
    EXPECT_EQ(out, "&lt;");  // no entity decoding
    FindString("<A></A>", "<A>", "</A>", out);
    EXPECT_EQ(out, "");
    // The closing tag is searched after the opening one only.
    FindString("</A><A>v</A>", "<A>", "</A>", out);
    EXPECT_EQ(out, "v");
    FindString("<a>v</a>", "<A>", "</A>", out);
    EXPECT_EQ(out, "");  // case-sensitive
}

TEST(FindString, MissingTagsEmptyTheStringButLeaveTheInteger) {
    std::string s = "old";
    int n = 7;
    FindString("<Id>5", "<Id>", "</Id>", s);
    FindString("<Id>5", "<Id>", "</Id>", n);
    EXPECT_EQ(s, "");
    EXPECT_EQ(n, 7);
    s = "old";
    FindString("nothing", "<Id>", "</Id>", s);
    FindString("nothing", "<Id>", "</Id>", n);
    EXPECT_EQ(s, "");
    EXPECT_EQ(n, 7);
}

TEST(FindString, NullArgumentsLeaveTheOutputUntouched) {
    std::string s = "old";
    int n = 7;
    FindString(nullptr, "<A>", "</A>", s);
    FindString("<A>1</A>", nullptr, "</A>", s);
    FindString("<A>1</A>", "<A>", nullptr, s);
    FindString(nullptr, "<A>", "</A>", n);
    FindString("<A>1</A>", "<A>", nullptr, n);
    EXPECT_EQ(s, "old");
    EXPECT_EQ(n, 7);
}

TEST(FindString, IntegerFormReadsLikeAtoi) {
    int n = 0;
    FindString("<N> 42x</N>", "<N>", "</N>", n);
    EXPECT_EQ(n, 42);
    FindString("<N>-17</N>", "<N>", "</N>", n);
    EXPECT_EQ(n, -17);
    FindString("<N>abc</N>", "<N>", "</N>", n);
    EXPECT_EQ(n, 0);
    FindString("<N></N>", "<N>", "</N>", n);
    EXPECT_EQ(n, 0);
    FindString("<N>99999999999999999999</N>", "<N>", "</N>", n);
    EXPECT_EQ(n, INT_MAX);  // saturates instead of overflowing
    EXPECT_EQ(AtoiPrefix("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(AtoiPrefix("\t\n +8"), 8);
}

TEST(ForEachRecord, WalksEveryRecordInOrder) {
    std::vector<std::string> slices;
    ForEachRecord("<R>1</R>junk<R>2</R><R></R>", "<R>", "</R>",
                  [&](const std::string& s) { slices.push_back(s); });
    EXPECT_EQ(slices, (std::vector<std::string>{"1", "2", ""}));
}

TEST(ForEachRecord, LastRecordWithoutClosingTagRunsToTheEnd) {
    std::vector<std::string> slices;
    ForEachRecord("<R>1</R><R>2<X>3</X>", "<R>", "</R>",
                  [&](const std::string& s) { slices.push_back(s); });
    EXPECT_EQ(slices, (std::vector<std::string>{"1", "2<X>3</X>"}));
}

TEST(ForEachRecord, NestedOpeningTagsFollowTheSearchRule) {
    // The next search starts at the closing tag, so an opening tag inside a
    // record's slice is not a record of its own.
    std::vector<std::string> slices;
    ForEachRecord("<R>a<R>b</R>c</R>", "<R>", "</R>",
                  [&](const std::string& s) { slices.push_back(s); });
    EXPECT_EQ(slices, (std::vector<std::string>{"a<R>b"}));
    slices.clear();
    ForEachRecord("no records", "<R>", "</R>", [&](const std::string& s) { slices.push_back(s); });
    EXPECT_TRUE(slices.empty());
}

TEST(Payload, FormatsWholeAndSeparatesAdjacentTags) {
    const std::string longValue(20000, 'x');
    EXPECT_EQ(FormatPayload("<A>%s</A><B>%d</B>", longValue.c_str(), -3),
              "<A>" + longValue + "</A><B>-3</B>");
    EXPECT_EQ(FormatPayload("%s", OrEmpty(nullptr)), "");
    EXPECT_EQ(SeparatedRecord("W", {{"A", "1"}, {"B", ""}}, "\t "),
              "<W>\t <A>1</A>\t <B></B>\t </W>");
    EXPECT_EQ(SeparatedRecord("W", {}, "--"), "<W>--</W>");
}
