// Exact UTF-8 / UTF-16 conversion: what converts comes back the same, what is not well formed is refused.
#include <gtest/gtest.h>

#include "engine_test_files.h"

namespace {

TEST(PathText, ConversionsAreExactOrRefused) {
    const std::pair<std::string, Utf16String> valid[] = {
        {"", U("")},
        {"plain.txt", U("plain.txt")},
        {"caf\xc3\xa9", U("caf\u00e9")},
        {"\xe4\xb8\xad\xe6\x96\x87", U("\u4e2d\u6587")},
        {"\xf0\x9f\x98\x80", U("\U0001F600")},
        {"\xef\xbf\xbf", U("\uFFFF")},
        {"\xf4\x8f\xbf\xbf", U("\U0010FFFF")},
    };
    for (const auto& [utf8, utf16] : valid) {
        EXPECT_EQ(Utf8ToUtf16(utf8), utf16) << utf8;
        EXPECT_EQ(Utf16ToUtf8(utf16), utf8) << utf8;
    }
    const std::string invalidUtf8[] = {
        "\xff",             // never a UTF-8 byte
        "\xc3",             // cut short
        "\xc0\xaf",         // overlong '/'
        "\xe0\x80\xaf",     // overlong '/'
        "\xed\xa0\x80",     // an encoded surrogate
        "\xf4\x90\x80\x80", // above U+10FFFF
        "a\x80",            // a lone continuation byte
        "\xe4\xb8",         // cut short
    };
    for (const std::string& text : invalidUtf8) {
        EXPECT_FALSE(Utf8ToUtf16(text).has_value());
    }
    const Utf16Char highThenLetter[] = {'a', static_cast<Utf16Char>(0xD83D), 'b', 0};
    const Utf16String unpaired[] = {Utf16String(1, static_cast<Utf16Char>(0xD800)),
                                    Utf16String(1, static_cast<Utf16Char>(0xDC00)), Utf16String(highThenLetter)};
    for (const Utf16String& text : unpaired) {
        EXPECT_FALSE(Utf16ToUtf8(text).has_value());
    }
#ifdef _WIN32
    // Windows names keep unpaired surrogates as they are.
    EXPECT_EQ(PathToUtf16(unpaired[0]), unpaired[0]);
#else
    EXPECT_FALSE(PathToUtf16("bad\xff").has_value());
    EXPECT_FALSE(Utf16ToPath(unpaired[0]).has_value());
#endif
}

} // namespace

namespace {

TEST(PathText, TextForDisplayReplacesOnlyWhatDoesNotConvert) {
    const Utf16Char loneHigh[] = {'a', static_cast<Utf16Char>(0xD83D), 'b', 0};
    const Utf16Char loneLow[] = {static_cast<Utf16Char>(0xDE00), 0};
    const std::pair<Utf16String, std::string> cases[] = {
        {U("caf\u00e9 \U0001F600"), "caf\xc3\xa9 \xf0\x9f\x98\x80"},
        {Utf16String(loneHigh), "a\xef\xbf\xbd"
                                "b"},
        {Utf16String(loneLow), "\xef\xbf\xbd"},
    };
    for (const auto& [utf16, shown] : cases) {
        EXPECT_EQ(Utf16ToUtf8ForDisplay(utf16), shown) << shown;
    }
}

TEST(PathText, Utf8LengthCountsTheBytesOfTheUtf8Form) {
    const Utf16Char loneHigh[] = {static_cast<Utf16Char>(0xD800), 0};
    const std::pair<Utf16String, size_t> cases[] = {
        {U(""), 0}, {U("abc"), 3}, {U("\u00e9"), 2}, {U("\u4e2d"), 3}, {U("\U0001F600"), 4}, {Utf16String(loneHigh), 3},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(Utf8Length(text), bytes);
    }
}

} // namespace
