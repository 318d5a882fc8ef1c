// Text helpers and the version text: bounds, terminators, character cuts.
#include "test_support.h"

#include "base/base.h"

#include <string.h>

// A buffer with a fence of marked units after its capacity: any write past
// the end shows in the fence.
struct Fenced {
    explicit Fenced(size_t cap) : cap(cap), units(cap + 16, 0xCCCC) {}
    wchar_t *data() { return units.data(); }
    bool FenceIntact() const
    {
        for (size_t i = cap; i < units.size(); i++)
            if (units[i] != 0xCCCC)
                return false;
        return true;
    }
    std::wstring Text() const { return std::wstring(units.data()); }
    size_t cap;
    std::vector<wchar_t> units;
};

TEST(VersionText, DigitsAndLetter)
{
    struct Case {
        int version;
        const wchar_t *text;
    } cases[] = {{1061, L"1.06a"}, {1062, L"1.06b"}, {1069, L"1.06i"}, {1070, L"1.07"},
                 {2000, L"2.00"},  {1060, L"1.06"},  {9999, L"9.99i"}, {12345, L"12.34e"}, {0, L"0.00"}};
    for (const Case &c : cases) {
        wchar_t text[8];
        FormatVersion(c.version, text, 8);
        EXPECT_EQ(std::wstring(text), c.text) << c.version;
    }
    Fenced small(3);
    FormatVersion(1061, small.data(), 3);
    EXPECT_EQ(small.Text(), L"1.");
    EXPECT_TRUE(small.FenceIntact());
}

TEST(TextHelpers, CopyKeepsSurrogatePairsWhole)
{
    // U+1F600 as a surrogate pair straddling the end of a 4-unit buffer.
    const wchar_t text[] = L"ab\xD83D\xDE00z";
    Fenced out(4);
    EXPECT_EQ(CopyText(out.data(), 4, text), 2u);
    EXPECT_EQ(out.Text(), L"ab");
    EXPECT_TRUE(out.FenceIntact());

    Fenced whole(5);
    EXPECT_EQ(CopyText(whole.data(), 5, text), 4u);
    EXPECT_EQ(whole.Text(), L"ab\xD83D\xDE00");

    Fenced part(8);
    EXPECT_EQ(CopyText(part.data(), 8, L"abcdef", 3), 3u);
    EXPECT_EQ(part.Text(), L"abc");
    EXPECT_EQ(CopyText(nullptr, 8, L"x"), 0u);
}

TEST(TextHelpers, TemplateFillsOnlyPercentS)
{
    wchar_t out[64];
    FillTemplate(out, 64, L"verze %s (%s)", {L"1.06a", L"Jul  1 2006"});
    EXPECT_EQ(std::wstring(out), L"verze 1.06a (Jul  1 2006)");
    // Other printf directives in a template are text, not instructions.
    FillTemplate(out, 64, L"%d %n %s %s", {L"x"});
    EXPECT_EQ(std::wstring(out), L"%d %n x %s");
    Fenced cut(8);
    FillTemplate(cut.data(), 8, L"Verze %s", {L"1.06a"});
    EXPECT_EQ(cut.Text(), L"Verze 1");
    EXPECT_TRUE(cut.FenceIntact());
}

static LPVOID WINAPI NoHeap(HANDLE, DWORD, SIZE_T) { return NULL; }

TEST(TextHelpers, Utf8ToTextConvertsCutsAndReplaces)
{
    const std::string czech = "P\xC5\x99\xC3\xADli\xC5\xA1"; // Příliš, 9 bytes
    Fenced out(16);
    EXPECT_EQ(Utf8ToText(czech.data(), czech.size(), out.data(), 16), 6u);
    EXPECT_EQ(out.Text(), L"Příliš");

    // Invalid, overlong and truncated sequences become U+FFFD.
    const std::string bad = "a\xFF" "b\xC0\xAF" "c\xE2\x82";
    Fenced replaced(32);
    Utf8ToText(bad.data(), bad.size(), replaced.data(), 32);
    std::wstring text = replaced.Text();
    EXPECT_EQ(text.front(), L'a');
    EXPECT_NE(text.find(L'\xFFFD'), std::wstring::npos);
    EXPECT_EQ(text.find_first_of(L"\xFF\xC0\xAF"), std::wstring::npos);

    // Longer than the field: cut to cap - 1 units, never in a surrogate pair.
    const std::string emoji = "abc\xF0\x9F\x98\x80"; // abc + U+1F600
    Fenced field(5);
    EXPECT_EQ(Utf8ToText(emoji.data(), emoji.size(), field.data(), 5), 3u);
    EXPECT_EQ(field.Text(), L"abc");
    EXPECT_TRUE(field.FenceIntact());
    {
        // A text longer than its field is decoded in memory of its own;
        // without it the field stays empty, and terminated.
        ImportPatch noMemory("kernel32.dll", "HeapAlloc", &NoHeap);
        EXPECT_EQ(Utf8ToText(emoji.data(), emoji.size(), field.data(), 5), 0u);
        EXPECT_EQ(field.Text(), L"");
    }

    Fenced empty(4);
    EXPECT_EQ(Utf8ToText("", 0, empty.data(), 4), 0u);
    EXPECT_EQ(empty.Text(), L"");
}

TEST(TextHelpers, TextToUtf8CutsAtCharacterBoundary)
{
    std::vector<char> out(8192 + 16, '\x5A');
    // 4095 euro signs take 3 bytes each: 12285 bytes do not fit 8192.
    std::wstring euros(4095, L'\x20AC');
    size_t length = TextToUtf8(euros.c_str(), out.data(), 8192);
    EXPECT_EQ(length, 8190u); // 2730 whole characters
    EXPECT_EQ(out[8190], 0);
    EXPECT_EQ(std::string(out.data(), 3), "\xE2\x82\xAC");
    for (size_t i = 8192; i < out.size(); i++)
        ASSERT_EQ(out[i], '\x5A') << "write past the buffer at " << i;
    {
        // The cut takes no memory of its own: a save never writes a text
        // empty for want of it.
        ImportPatch noMemory("kernel32.dll", "HeapAlloc", &NoHeap);
        EXPECT_EQ(TextToUtf8(euros.c_str(), out.data(), 8192), 8190u);
    }

    // A surrogate pair that would not fit whole is left out whole.
    char small[6];
    EXPECT_EQ(TextToUtf8(L"ab\xD83D\xDE00", small, 6), 2u);
    EXPECT_STREQ(small, "ab");
    EXPECT_EQ(TextToUtf8(L"\x20AC", small, 3), 0u) << "not even the first character fits";
    EXPECT_EQ(small[0], 0);
    char fits[7];
    EXPECT_EQ(TextToUtf8(L"ab\xD83D\xDE00", fits, 7), 6u);

    // A lone surrogate is written as U+FFFD and counted as such.
    char lone[8];
    EXPECT_EQ(TextToUtf8(L"\xD800x", lone, 8), 4u);
    EXPECT_EQ(std::string(lone), "\xEF\xBF\xBDx");

    // Czech letters take two bytes: 4095 of them fit 8192 with the zero.
    std::wstring czech(4095, L'\x0159'); // ř
    EXPECT_EQ(TextToUtf8(czech.c_str(), out.data(), 8192), 8190u);
    char none[4];
    EXPECT_EQ(TextToUtf8(L"", none, 4), 0u);
    EXPECT_EQ(none[0], 0);
}

TEST(TextHelpers, NoRoomMeansNothingWritten)
{
    // A capacity of 0 has no room even for the terminator.
    Fenced none(0);
    FillTemplate(none.data(), 0, L"%s", {L"x"});
    EXPECT_EQ(Utf8ToText("x", 1, none.data(), 0), 0u);
    EXPECT_EQ(ReadItemText(NULL, 1, none.data(), 0), 0u);
    GetCurrentIcq(none.data(), 0);
    EXPECT_FALSE(AccountKeyPath(L"12345", L"CustomStatusList", none.data(), 0));
    // A key path that does not fit is no path at all.
    Fenced path(40);
    EXPECT_FALSE(AccountKeyPath(L"12345", L"CustomStatusList", path.data(), 40));
    EXPECT_EQ(path.Text(), L"");
    EXPECT_TRUE(path.FenceIntact());
    char bytes[4] = "zz";
    EXPECT_EQ(TextToUtf8(L"x", bytes, 0), 0u);
    EXPECT_STREQ(bytes, "zz");
    EXPECT_TRUE(none.FenceIntact());
}
