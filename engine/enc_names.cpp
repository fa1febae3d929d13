// Names: output names, free-name choice and stored-name sanitising.
#include "enc_names.h"

#include <algorithm>

#include "temp_files.h"

namespace {

constexpr Utf16Char kUnderscore = '_';

bool Fits(Utf16View name, NameRules rules) {
    // POSIX file systems count bytes (NAME_MAX), Windows counts UTF-16 units.
    return name.size() <= MAX_NAME_UNITS && (rules == NameRules::Windows || Utf8Length(name) <= MAX_NAME_UNITS);
}

void DropLastCharacter(Utf16String& text) {
    if (text.empty()) {
        return;
    }
    const bool pair = text.size() >= 2 && IsLowSurrogate(text.back()) && IsHighSurrogate(text[text.size() - 2]);
    text.resize(text.size() - (pair ? 2 : 1));
}

size_t CharacterCount(Utf16View text) {
    size_t count = 0;
    for (size_t index = 0; index < text.size(); ++index) {
        if (!(IsLowSurrogate(text[index]) && index > 0 && IsHighSurrogate(text[index - 1]))) {
            ++count;
        }
    }
    return count;
}

bool IsWindowsForbidden(Utf16Char unit) {
    switch (unit) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '|':
    case '?':
    case '*':
        return true;
    default:
        return unit < 0x20;
    }
}

void StripTrailingDotsAndSpaces(Utf16String& name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.pop_back();
    }
}

Utf16Char AsciiUpper(Utf16Char unit) {
    return (unit >= 'a' && unit <= 'z') ? static_cast<Utf16Char>(unit - 32) : unit;
}

bool IsWindowsDeviceName(Utf16View base) {
    while (!base.empty() && base.back() == ' ') {
        base.remove_suffix(1);
    }
    Utf16String upper;
    for (Utf16Char unit : base) {
        upper.push_back(AsciiUpper(unit));
    }
    static constexpr Utf16View kFixed[] = {TOLVANE_UTF16_LITERAL("CON"),    TOLVANE_UTF16_LITERAL("PRN"),
                                           TOLVANE_UTF16_LITERAL("AUX"),    TOLVANE_UTF16_LITERAL("NUL"),
                                           TOLVANE_UTF16_LITERAL("CONIN$"), TOLVANE_UTF16_LITERAL("CONOUT$")};
    for (Utf16View device : kFixed) {
        if (upper == device) {
            return true;
        }
    }
    if (upper.size() != 4) {
        return false;
    }
    const Utf16View prefix = Utf16View(upper).substr(0, 3);
    if (prefix != TOLVANE_UTF16_LITERAL("COM") && prefix != TOLVANE_UTF16_LITERAL("LPT")) {
        return false;
    }
    // COM1-9 and LPT1-9, and the superscript digits 1, 2, 3 that Windows treats the same.
    const Utf16Char digit = upper[3];
    return (digit >= '1' && digit <= '9') || digit == 0x00B9 || digit == 0x00B2 || digit == 0x00B3;
}

void AvoidWindowsDeviceName(Utf16String& name) {
    const size_t stemEnd = std::min(name.find('.'), name.size());
    if (IsWindowsDeviceName(Utf16View(name).substr(0, stemEnd))) {
        name.insert(stemEnd, 1, kUnderscore);
    }
}

// The last steps for a name that Windows will be given as it is: Windows would drop trailing dots and
// spaces itself (so the name would not be the one chosen) and opens a device for a device name.
Utf16String FinishName(Utf16String name, NameRules rules) {
    if (rules == NameRules::Windows) {
        StripTrailingDotsAndSpaces(name);
        if (name.empty()) {
            name.push_back(kUnderscore);
        }
        AvoidWindowsDeviceName(name);
    }
    return name;
}

Utf16String CleanName(Utf16View name, NameRules rules) {
    Utf16String clean(name);
    for (size_t index = 0; index < clean.size(); ++index) {
        Utf16Char& unit = clean[index];
        if (unit == '/' || unit == '\\' || (rules == NameRules::Windows && IsWindowsForbidden(unit))) {
            unit = kUnderscore;
        } else if (rules == NameRules::Posix && IsHighSurrogate(unit) && index + 1 < clean.size() &&
                   IsLowSurrogate(clean[index + 1])) {
            ++index;
        } else if (rules == NameRules::Posix && (IsHighSurrogate(unit) || IsLowSurrogate(unit))) {
            unit = kUnderscore;
        }
    }
    if (rules == NameRules::Windows) {
        StripTrailingDotsAndSpaces(clean);
    }
    return clean;
}

bool IsUsableName(Utf16View name) {
    return !name.empty() && name != TOLVANE_UTF16_LITERAL(".") && name != TOLVANE_UTF16_LITERAL("..");
}

Utf16String DecimalText(unsigned number) {
    Utf16String digits;
    do {
        digits.insert(digits.begin(), static_cast<Utf16Char>('0' + number % 10));
        number /= 10;
    } while (number != 0);
    return digits;
}

} // namespace

NameParts ContainerNameParts(Utf16View plainName) {
    NameParts parts{Utf16String(plainName), TOLVANE_UTF16_LITERAL(".ENC")};
    const size_t dot = parts.stem.rfind('.');
    if (dot != Utf16String::npos) {
        parts.stem[dot] = kUnderscore;
    }
    return parts;
}

NameParts RestoredNameParts(Utf16View restoredName) {
    const size_t dot = restoredName.rfind('.');
    if (dot == Utf16View::npos || dot == 0) {
        return NameParts{Utf16String(restoredName), {}};
    }
    return NameParts{Utf16String(restoredName.substr(0, dot)), Utf16String(restoredName.substr(dot))};
}

Utf16String CandidateName(const NameParts& parts, unsigned attempt, NameRules rules) {
    Utf16String suffix;
    if (attempt >= 2) {
        suffix = TOLVANE_UTF16_LITERAL(" (") + DecimalText(attempt) + TOLVANE_UTF16_LITERAL(")");
    }
    Utf16String stem = parts.stem;
    Utf16String extension = parts.extension;
    for (;;) {
        Utf16String name = FinishName(stem + suffix + extension, rules);
        if (Fits(name, rules)) {
            return name;
        }
        // The stem gives way first, down to one character; an absurdly long extension after it.
        if (CharacterCount(stem) > 1) {
            DropLastCharacter(stem);
        } else if (!extension.empty()) {
            DropLastCharacter(extension);
        } else if (!stem.empty()) {
            DropLastCharacter(stem);
        } else {
            return name;
        }
    }
}

Utf16String SanitizeStoredName(Utf16View storedName, Utf16View containerName, NameRules rules) {
    Utf16String name = CleanName(storedName, rules);
    if (!IsUsableName(name)) {
        const size_t dot = containerName.rfind('.');
        name = CleanName(containerName.substr(0, dot == Utf16View::npos ? containerName.size() : dot), rules);
        if (!IsUsableName(name)) {
            name.assign(1, kUnderscore);
        }
    }
    if (rules == NameRules::Windows) {
        AvoidWindowsDeviceName(name);
    }
    // A name of the engine's temporary form would be passed over by every later batch: like a device name,
    // it gets a "_" that takes it out of that form.
    const auto nativeName = Utf16ToPath(name);
    if (nativeName && IsEngineTempName(*nativeName)) {
        name.insert(0, 1, kUnderscore);
    }
    return name;
}
