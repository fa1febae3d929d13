// Temporary output names: made at random, recognised by their form.
#include "temp_files.h"

#include <atomic>
#include <chrono>
#include <random>

namespace {

constexpr PathView kTempPrefix = TOLVANE_PATH_LITERAL(".tolvane-");
constexpr PathView kTempSuffix = TOLVANE_PATH_LITERAL(".tmp");
constexpr PathView kSetAsideSuffix = TOLVANE_PATH_LITERAL(".src");
constexpr size_t kRandomDigits = 16;

uint64_t RandomBits() {
    static std::atomic<uint64_t> counter{0};
    uint64_t bits = 0;
    try {
        std::random_device device;
        bits = (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No entropy source: time and a counter still give names that differ between calls; a collision
        // only costs another try of the exclusive create.
    }
    const auto now = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    bits ^= now * 0x9E3779B97F4A7C15ull;
    bits ^= counter.fetch_add(1) * 0xBF58476D1CE4E5B9ull;
    return bits;
}

bool IsHexDigit(PathChar unit) {
    return (unit >= '0' && unit <= '9') || (unit >= 'a' && unit <= 'f') || (unit >= 'A' && unit <= 'F');
}

PathChar AsciiLower(PathChar unit) {
    return (unit >= 'A' && unit <= 'Z') ? static_cast<PathChar>(unit + 32) : unit;
}

bool EqualsIgnoringAsciiCase(PathView left, PathView right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (size_t index = 0; index < left.size(); ++index) {
        if (AsciiLower(left[index]) != AsciiLower(right[index])) {
            return false;
        }
    }
    return true;
}

PathString MakeName(PathView suffix) {
    static constexpr char kDigits[] = "0123456789abcdef";
    uint64_t bits = RandomBits();
    PathString name(kTempPrefix);
    for (size_t digit = 0; digit < kRandomDigits; ++digit) {
        name.push_back(static_cast<PathChar>(kDigits[bits & 0xF]));
        bits >>= 4;
    }
    name += suffix;
    return name;
}

bool HasNameForm(PathView bareName, PathView suffix) {
    if (bareName.size() != kTempPrefix.size() + kRandomDigits + suffix.size()) {
        return false;
    }
    if (!EqualsIgnoringAsciiCase(bareName.substr(0, kTempPrefix.size()), kTempPrefix) ||
        !EqualsIgnoringAsciiCase(bareName.substr(bareName.size() - suffix.size()), suffix)) {
        return false;
    }
    for (PathChar unit : bareName.substr(kTempPrefix.size(), kRandomDigits)) {
        if (!IsHexDigit(unit)) {
            return false;
        }
    }
    return true;
}

} // namespace

PathString MakeEngineTempName() {
    return MakeName(kTempSuffix);
}

bool IsEngineTempName(PathView bareName) {
    return HasNameForm(bareName, kTempSuffix) || HasNameForm(bareName, kSetAsideSuffix);
}

PathString MakeSetAsideName() {
    return MakeName(kSetAsideSuffix);
}

bool IsSetAsideName(PathView bareName) {
    return HasNameForm(bareName, kSetAsideSuffix);
}
