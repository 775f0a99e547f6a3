#include <gtest/gtest.h>

#include "net/http/HeaderList.h"
#include "net/http/HttpErrors.h"

namespace {

THeaderList ListOf(std::initializer_list<const char*> lines) {
    THeaderList list;
    for (const char* line : lines) list.Add(line);
    return list;
}

// The first entry whose name, the text before its colon untrimmed, equals the one asked for in
// any letter case; nothing in an empty list, sorted or not.
TEST(HeaderList, FindsTheFirstEntryByItsExactNameInAnyLetterCase) {
    const THeaderList list = ListOf({"GET / HTTP/1.0", "host: a", "Accept: x", "HOST: b"});
    EXPECT_EQ(list.IndexOfField("Host"), 1);
    EXPECT_EQ(list.IndexOfField("accept"), 2);
    EXPECT_EQ(list.IndexOfField("Referer"), -1);
    // Entries without a colon have no name, even when their text equals the wanted one.
    EXPECT_EQ(ListOf({"Host", "Host: c"}).IndexOfField("Host"), 1);
    const THeaderList spaced = ListOf({"Host : a", " Host: b"});
    EXPECT_EQ(spaced.IndexOfField("Host"), -1);
    EXPECT_EQ(spaced.IndexOfField("Host "), 0);
    THeaderList empty;
    EXPECT_EQ(empty.IndexOfField("Host"), -1);
    empty.SetSorted(true);
    EXPECT_EQ(empty.IndexOfField("Host"), -1);
    EXPECT_EQ(empty.IndexOfField(""), -1);
}

TEST(HeaderList, SetFieldReplacesInTheCallersCaseThenDeletes) {
    THeaderList list = ListOf({"GET / HTTP/1.0", "host: old", "Accept: x"});
    list.SetField("Host", "new");
    EXPECT_EQ(list.Text(), "GET / HTTP/1.0\r\nHost: new\r\nAccept: x\r\n");
    list.SetField("Host", "");
    EXPECT_EQ(list.Text(), "GET / HTTP/1.0\r\nAccept: x\r\n");
    list.SetField("Host", "");  // nothing left to delete
    EXPECT_EQ(list.Count(), 2);
    list.SetField("Referer", "r");
    EXPECT_EQ(list[2], "Referer: r");
}

TEST(HeaderList, FoldsWindows1252AccentedLetters) {
    // "Entête" against "ENTÊTE", and the letters whose capitals sit below 0xC0.
    EXPECT_EQ(ListOf({"Ent\xEAte: 1"}).IndexOfField("ENT\xCATE"), 0);
    EXPECT_EQ(THeaderList::CompareText("\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"), 0);
    EXPECT_NE(THeaderList::CompareText("\xF7", "\xD7"), 0);  // division and multiplication signs
    EXPECT_LT(THeaderList::CompareText("abc", "ABCD"), 0);
    EXPECT_GT(THeaderList::CompareText("b", "A"), 0);
}

TEST(HeaderList, SortedListSearchesByHalvingAndKeepsOrder) {
    THeaderList list = ListOf({"Referer: r", "accept: a", "Host: h", "From: f", "Cookie: c"});
    list.SetSorted(true);
    EXPECT_EQ(list.Text(), "accept: a\r\nCookie: c\r\nFrom: f\r\nHost: h\r\nReferer: r\r\n");
    for (const char* name : {"Accept", "cookie", "FROM", "host", "referer"})
        EXPECT_EQ(THeaderList::CompareText(list[list.IndexOfField(name)].substr(0, std::string(name).size()), name), 0)
            << name;
    EXPECT_EQ(list.IndexOfField("Date"), -1);
    EXPECT_EQ(list.Add("Date: d"), 2);
    EXPECT_EQ(list.IndexOfField("date"), 2);
}

TEST(HeaderList, SortedListRefusesReplacementButAddsAndDeletes) {
    THeaderList list = ListOf({"Host: a"});
    list.SetSorted(true);
    EXPECT_THROW(list.SetField("Host", "b"), EStringListError);
    EXPECT_EQ(list[0], "Host: a");
    list.SetField("Accept", "x");
    EXPECT_EQ(list[0], "Accept: x");
    list.SetField("Host", "");
    EXPECT_EQ(list.Count(), 1);
    list.SetSorted(false);
    list.SetField("Accept", "y");
    EXPECT_EQ(list[0], "Accept: y");
}

TEST(HeaderList, RefusesIndexesOutsideTheList) {
    THeaderList list = ListOf({"a: 1"});
    EXPECT_THROW(list.Strings(1), EStringListError);
    EXPECT_THROW(list.Strings(-1), EStringListError);
    EXPECT_THROW(list.Delete(1), EStringListError);
    EXPECT_THROW(list.Put(-1, "x"), EStringListError);
    list.Clear();
    EXPECT_EQ(list.Text(), "");
}

}  // namespace
