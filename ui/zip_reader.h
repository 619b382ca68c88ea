// Reading zip archives (the theme files) through libarchive: list the
// entries, read one into memory, never more than asked for.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace pictavo {

// Entry name (exactly as stored) → uncompressed size, for entries above 0
// bytes. Nothing when the file does not open as a zip archive.
using ArchiveListing = std::map<std::string, int64_t>;
std::optional<ArchiveListing> ListZipEntries(const std::string& path);

// The first entry named `name`, at most maxBytes of it. Nothing when the
// archive or the entry cannot be read.
std::optional<std::string> ReadZipEntry(const std::string& path, std::string_view name, int64_t maxBytes);

}  // namespace pictavo
