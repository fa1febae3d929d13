// Character types of the engine: native path strings and UTF-16 text, and the conversions between them.
// Windows paths are UTF-16 (wchar_t); POSIX paths are UTF-8 bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
using PathChar = wchar_t;
using Utf16Char = wchar_t;
inline constexpr PathChar kPathSeparator = L'\\';
#define TOLVANE_PATH_LITERAL(text) L##text
#define TOLVANE_UTF16_LITERAL(text) L##text
#else
using PathChar = char;
using Utf16Char = char16_t;
inline constexpr PathChar kPathSeparator = '/';
#define TOLVANE_PATH_LITERAL(text) text
#define TOLVANE_UTF16_LITERAL(text) u##text
#endif

using PathString = std::basic_string<PathChar>;
using PathView = std::basic_string_view<PathChar>;
using Utf16String = std::basic_string<Utf16Char>;
using Utf16View = std::basic_string_view<Utf16Char>;

// '/' on POSIX; '\\' and '/' on Windows.
bool IsPathSeparator(PathChar unit);

// The folder that holds what path names, ending in its separator: "/a/b/" and "/a/b" give "/a/", and
// "C:\a\" gives "C:\" (Windows). The POSIX root gives itself; empty when no separator comes before the
// last component (a Windows drive's root).
PathString ContainingFolderPath(PathString path);

// Exact conversions. A name that is not valid UTF-8 (or UTF-16 with an unpaired surrogate) gives nullopt:
// such a name is refused rather than mangled.
std::optional<Utf16String> PathToUtf16(PathView path);
std::optional<PathString> Utf16ToPath(Utf16View text);

// UTF-8 <-> UTF-16 for text that is not a path (passwords typed on a terminal, messages).
std::optional<Utf16String> Utf8ToUtf16(std::string_view text);
std::optional<std::string> Utf16ToUtf8(Utf16View text);

// UTF-16 to UTF-8 for showing, never for a name: an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8ForDisplay(Utf16View text);

// The one UTF-8 sequence at text[at], as strict as Utf8ToUtf16: its length, with its code point in *point;
// 0 when the bytes there are not one.
size_t DecodeUtf8Sequence(std::string_view text, size_t at, char32_t* point);

// The bytes of the UTF-8 form of text, an unpaired surrogate counted as the three it would take.
size_t Utf8Length(Utf16View text);

// True for the bytes that continue a UTF-8 sequence; every other byte starts a character.
constexpr bool IsUtf8Continuation(char unit) {
    return (static_cast<unsigned char>(unit) & 0xC0) == 0x80;
}

// The halves of a UTF-16 surrogate pair.
constexpr bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
