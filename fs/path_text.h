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
