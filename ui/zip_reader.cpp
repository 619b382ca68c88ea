#include "ui/zip_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <memory>

namespace pictavo {

namespace {

struct ArchiveFree {
  void operator()(archive* handle) const { archive_read_free(handle); }
};
using ArchiveReader = std::unique_ptr<archive, ArchiveFree>;

ArchiveReader OpenZip(const std::string& path) {
  ArchiveReader reader(archive_read_new());
  if (!reader || archive_read_support_format_zip(reader.get()) != ARCHIVE_OK ||
      archive_read_open_filename(reader.get(), path.c_str(), 64 * 1024) != ARCHIVE_OK)
    return nullptr;
  return reader;
}

// The entry name as stored; libarchive offers it in UTF-8 or in the locale's
// encoding, whichever it can.
const char* EntryName(archive_entry* entry) {
  const char* name = archive_entry_pathname_utf8(entry);
  return name != nullptr ? name : archive_entry_pathname(entry);
}

bool NextHeader(archive* reader, archive_entry** entry) {
  const int status = archive_read_next_header(reader, entry);
  return status == ARCHIVE_OK || status == ARCHIVE_WARN;
}

}  // namespace

std::optional<ArchiveListing> ListZipEntries(const std::string& path) {
  ArchiveReader reader = OpenZip(path);
  if (!reader) return std::nullopt;
  ArchiveListing listing;
  archive_entry* entry = nullptr;
  int status = archive_read_next_header(reader.get(), &entry);
  // The first header decides whether this is a zip archive at all; an archive
  // without entries still is one.
  if (status == ARCHIVE_EOF) return listing;
  if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return std::nullopt;
  do {
    const char* name = EntryName(entry);
    const int64_t size = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    // Of two entries with one name the first counts, as it is the one read.
    if (name != nullptr && size > 0) listing.emplace(name, size);
  } while (NextHeader(reader.get(), &entry));
  return listing;
}

std::optional<std::string> ReadZipEntry(const std::string& path, std::string_view name, int64_t maxBytes) {
  ArchiveReader reader = OpenZip(path);
  if (!reader || maxBytes < 0) return std::nullopt;
  archive_entry* entry = nullptr;
  while (NextHeader(reader.get(), &entry)) {
    const char* entryName = EntryName(entry);
    if (entryName == nullptr || name != entryName) continue;
    // Read no more than asked for, whatever the header claims: sizes in a zip
    // file are only as honest as its maker.
    std::string data;
    char chunk[64 * 1024];
    while (static_cast<int64_t>(data.size()) < maxBytes) {
      const size_t want =
          static_cast<size_t>(std::min<int64_t>(sizeof chunk, maxBytes - static_cast<int64_t>(data.size())));
      const la_ssize_t got = archive_read_data(reader.get(), chunk, want);
      if (got < 0) return std::nullopt;
      if (got == 0) break;
      data.append(chunk, static_cast<size_t>(got));
    }
    return data;
  }
  return std::nullopt;
}

}  // namespace pictavo
