// Exact conversions between UTF-8, UTF-16 and the native path form. Nothing is ever replaced: text that
// does not convert exactly gives nullopt, so a file name is refused rather than changed behind the user.
#include "path_text.h"

#include <cstdint>

namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kReplacementCharacter = 0xFFFD;

// Strict UTF-8 (RFC 3629): no overlong forms, no encoded surrogates, nothing above U+10FFFF.
bool DecodeUtf8(std::string_view text, Utf16String& out) {
    using Unit = Utf16Char;
    for (size_t index = 0; index < text.size();) {
        char32_t codePoint = 0;
        const size_t length = DecodeUtf8Sequence(text, index, &codePoint);
        if (length == 0) {
            return false;
        }
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

void AppendUtf8(char32_t codePoint, std::string& out) {
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

// An unpaired surrogate fails the conversion, or becomes U+FFFD when replacing.
enum class UnpairedSurrogate { Fails, Replaced };

bool EncodeUtf8(Utf16View text, std::string& out, UnpairedSurrogate unpaired) {
    for (size_t index = 0; index < text.size(); ++index) {
        char32_t codePoint = static_cast<uint16_t>(text[index]);
        const bool paired = IsHighSurrogate(codePoint) && index + 1 < text.size() &&
                            IsLowSurrogate(static_cast<uint16_t>(text[index + 1]));
        if (paired) {
            const char32_t low = static_cast<uint16_t>(text[++index]);
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
        } else if (IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
            if (unpaired == UnpairedSurrogate::Fails) {
                return false;
            }
            codePoint = kReplacementCharacter;
        }
        AppendUtf8(codePoint, out);
    }
    return true;
}

} // namespace

size_t DecodeUtf8Sequence(std::string_view text, size_t at, char32_t* point) {
    const auto lead = static_cast<uint8_t>(text[at]);
    size_t length = 0;
    char32_t codePoint = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        *point = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (size_t offset = 1; offset < length; ++offset) {
        if (!IsUtf8Continuation(text[at + offset])) {
            return 0;
        }
        codePoint = (codePoint << 6) | (static_cast<uint8_t>(text[at + offset]) & 0x3F);
    }
    if (codePoint < minimum || codePoint > kMaxCodePoint || IsHighSurrogate(codePoint) || IsLowSurrogate(codePoint)) {
        return 0;
    }
    *point = codePoint;
    return length;
}

size_t Utf8Length(Utf16View text) {
    size_t bytes = 0;
    for (size_t index = 0; index < text.size(); ++index) {
        const char32_t unit = static_cast<uint16_t>(text[index]);
        if (unit < 0x80) {
            bytes += 1;
        } else if (unit < 0x800) {
            bytes += 2;
        } else if (IsHighSurrogate(unit) && index + 1 < text.size() &&
                   IsLowSurrogate(static_cast<uint16_t>(text[index + 1]))) {
            bytes += 4;
            ++index;
        } else {
            bytes += 3;
        }
    }
    return bytes;
}

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
    if (!EncodeUtf8(text, out, UnpairedSurrogate::Fails)) {
        return std::nullopt;
    }
    return out;
}

std::string Utf16ToUtf8ForDisplay(Utf16View text) {
    std::string out;
    out.reserve(text.size());
    EncodeUtf8(text, out, UnpairedSurrogate::Replaced);
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
