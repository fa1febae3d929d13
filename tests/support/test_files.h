// The tests' own file calls, apart from the product's file layer so that they check it rather than share
// its faults: whole files written and read, folders made and listed, at any path length.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "path_text.h"

using Bytes = std::vector<uint8_t>;

// The form of a path that the platform's file calls accept at any length ("\\?\" on Windows).
std::filesystem::path Callable(const std::filesystem::path& path);

// Creates or replaces the file with exactly these bytes.
bool WriteBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);
bool WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// The whole file, or nothing when it cannot be opened or read to its end.
std::optional<Bytes> ReadBytes(const std::filesystem::path& path);
std::optional<std::string> ReadText(const std::filesystem::path& path);

// Whether anything is there: a file, a folder, or a link, which is not followed.
bool FileExists(const std::filesystem::path& path);
// Makes the folder and any missing folders above it.
bool MakeFolder(const std::filesystem::path& path);
bool MakeReadOnly(const std::filesystem::path& path);

// Bare names of the folder's entries, sorted; "." and ".." left out; empty when it cannot be listed.
std::vector<PathString> ListNames(const std::filesystem::path& folder);
// The same names as UTF-8, for comparing with literals on every platform.
std::vector<std::string> NamesIn(const std::filesystem::path& folder);
std::string Utf8Name(const std::filesystem::path& path);
