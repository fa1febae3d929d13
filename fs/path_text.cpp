// Exact conversions between UTF-8, UTF-16 and the native path form. Nothing is ever replaced: text that
// does not convert exactly gives nullopt, so a file name is refused rather than changed behind the user.
#include "path_text.h"

#include <cstdint>

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Strict UTF-8 (RFC 3629): no overlong forms, no encoded surrogates, nothing above U+10FFFF.
template <typename Utf16Out> bool DecodeUtf8(std::string_view text, Utf16Out& out) {
    size_t index = 0;
    while (index < text.size()) {
        const auto lead = static_cast<uint8_t>(text[index]);
        size_t length = 0;
        char32_t codePoint = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            out.push_back(static_cast<typename Utf16Out::value_type>(lead));
            ++index;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, codePoint = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, codePoint = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, codePoint = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (text.size() - index < length) {
            return false;
        }
        for (size_t offset = 1; offset < length; ++offset) {
            const auto continuation = static_cast<uint8_t>(text[index + offset]);
            if ((continuation & 0xC0) != 0x80) {
                return false;
            }
            codePoint = (codePoint << 6) | (continuation & 0x3F);
        }
        if (codePoint < minimum || codePoint > kMaxCodePoint || IsHighSurrogate(codePoint) ||
            IsLowSurrogate(codePoint)) {
            return false;
        }
        using Unit = typename Utf16Out::value_type;
        if (codePoint >= 0x10000) {
            const char32_t offsetValue = codePoint - 0x10000;
            out.push_back(static_cast<Unit>(0xD800 + (offsetValue >> 10)));
            out.push_back(static_cast<Unit>(0xDC00 + (offsetValue & 0x3FF)));
        } else {
            out.push_back(static_cast<Unit>(codePoint));
        }
        index += length;
    }
    return true;
}

template <typename Utf16In> bool EncodeUtf8(Utf16In text, std::string& out) {
    for (size_t index = 0; index < text.size(); ++index) {
        char32_t codePoint = static_cast<uint16_t>(text[index]);
        if (IsHighSurrogate(codePoint)) {
            if (index + 1 >= text.size() || !IsLowSurrogate(static_cast<uint16_t>(text[index + 1]))) {
                return false;
            }
            const char32_t low = static_cast<uint16_t>(text[++index]);
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
        } else if (IsLowSurrogate(codePoint)) {
            return false;
        }
        if (codePoint < 0x80) {
            out.push_back(static_cast<char>(codePoint));
        } else if (codePoint < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
        }
    }
    return true;
}

} // namespace

std::optional<Utf16String> Utf8ToUtf16(std::string_view text) {
    Utf16String out;
    out.reserve(text.size());
    if (!DecodeUtf8(text, out)) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> Utf16ToUtf8(Utf16View text) {
    std::string out;
    out.reserve(text.size());
    if (!EncodeUtf8(text, out)) {
        return std::nullopt;
    }
    return out;
}

#ifdef _WIN32

// Windows names are UTF-16 already, unpaired surrogates included (NTFS allows them), so they pass as they
// are and come back the same.
std::optional<Utf16String> PathToUtf16(PathView path) {
    return Utf16String(path);
}
std::optional<PathString> Utf16ToPath(Utf16View text) {
    return PathString(text);
}

#else

std::optional<Utf16String> PathToUtf16(PathView path) {
    return Utf8ToUtf16(path);
}
std::optional<PathString> Utf16ToPath(Utf16View text) {
    return Utf16ToUtf8(text);
}

#endif

bool IsPathSeparator(PathChar unit) {
#ifdef _WIN32
    return unit == L'\\' || unit == L'/';
#else
    return unit == '/';
#endif
}

PathString ContainingFolderPath(PathString path) {
    while (path.size() > 1 && IsPathSeparator(path.back())) {
        path.pop_back();
    }
    while (!path.empty() && !IsPathSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}
