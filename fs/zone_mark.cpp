// The zone of a mark (contract in zone_mark.h). Plain text, so it is the same on every platform.
#include "zone_mark.h"

#include <cctype>

namespace {

// The Internet zone: what a mark whose zone cannot be read is taken for, so that a container is never
// trusted more than its source.
constexpr std::string_view kInternetZone = "3";
constexpr size_t kLongestZone = 10;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool IsZoneIdKey(std::string_view key) {
    constexpr std::string_view kKey = "zoneid";
    if (key.size() != kKey.size()) {
        return false;
    }
    for (size_t i = 0; i < key.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(key[i])) != kKey[i]) {
            return false;
        }
    }
    return true;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.size() <= kLongestZone && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::string ZoneOnlyMark(std::string_view mark) {
    // Some tools write the mark as UTF-16; its key and digits are ASCII, one byte in two.
    std::string narrow;
    if (mark.size() >= 2 && static_cast<unsigned char>(mark[0]) == 0xFF &&
        static_cast<unsigned char>(mark[1]) == 0xFE) {
        for (size_t i = 2; i < mark.size(); i += 2) {
            narrow.push_back(mark[i]);
        }
        mark = narrow;
    }
    std::string_view zone = kInternetZone;
    while (!mark.empty()) {
        const size_t end = mark.find('\n');
        const std::string_view line = mark.substr(0, end);
        mark = end == std::string_view::npos ? std::string_view() : mark.substr(end + 1);
        const size_t equals = line.find('=');
        if (equals != std::string_view::npos && IsZoneIdKey(Trimmed(line.substr(0, equals)))) {
            const std::string_view value = Trimmed(line.substr(equals + 1));
            zone = IsDigits(value) ? value : kInternetZone;
            break;
        }
    }
    return "[ZoneTransfer]\r\nZoneId=" + std::string(zone) + "\r\n";
}
