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

// The service reads payloads by substring search: only "<" can forge a tag.
TEST(Payload, OnlyLessThanIsEscapedAndComesBack) {
    EXPECT_EQ(EscapeMarkup("a<b>&c&lt;"), "a&lt;b>&c&lt;");
    EXPECT_EQ(UnescapeMarkup("a&lt;b>&c&amp;&gt;"), "a<b>&c&amp;&gt;");
    EXPECT_EQ(UnescapeMarkup(EscapeMarkup("x</A><B>1&2")), "x</A><B>1&2");
}

namespace {

struct Pair {
    std::string first, second;
};
constexpr Field<Pair> kPairFields[] = {{"First", &Pair::first}, {"Second", &Pair::second}};
constexpr RecordPayload<Pair> kPair{"P", "\t", kPairFields};

constexpr std::string_view kElements[] = {"A", "B", "C"};
constexpr std::string_view kArguments[] = {"C", "A", "B"};

}  // namespace

TEST(Payload, ArgumentsFillTheElementsOfTheirName) {
    EXPECT_EQ(ArgumentText({"W", "", kElements}, {"1", nullptr, "<3"}),
              "<W><A>1</A><B></B><C>&lt;3</C></W>");
    // Arguments in another order than the elements: each goes to its own.
    EXPECT_EQ(ArgumentText({"W", " ", kElements, kArguments}, {"c", "a", "b"}),
              "<W> <A>a</A> <B>b</B> <C>c</C> </W>");
    // Fewer values than elements: the rest are sent empty.
    EXPECT_EQ(ArgumentText({"W", "", kElements}, {"1"}), "<W><A>1</A><B></B><C></C></W>");
}

TEST(Payload, RecordsAreSentAndReadWithOneTable) {
    const Pair sent{"a&b", "x</Second><First>y"};
    const std::string text = RecordText(kPair, sent);
    EXPECT_EQ(text, "<P>\t<First>a&b</First>\t<Second>x&lt;/Second>&lt;First>y</Second>\t</P>");
    Pair read{"old", "old"};
    FillRecord<Pair>(kPairFields, text.c_str(), read);
    EXPECT_EQ(read.first, "a&b");
    EXPECT_EQ(read.second, "x&lt;/Second>&lt;First>y");  // as the service would see it
    FillRecord<Pair>(kPairFields, "<First>1</First>", read);
    EXPECT_EQ(read.second, "");  // a missing tag empties the field
}
