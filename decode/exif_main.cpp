// pictavo-exif MEMORY-LIMIT PARENT-PID PATH
//
// Reads the camera's EXIF tags of one file with Exiv2, in a process of its
// own: a file that makes the metadata reader crash or loop costs its
// metadata and nothing else. Writes the tags of the main image, the EXIF and
// the GPS directories to descriptor 3 (decode/exif_wire.h), with the EXIF
// tags a camera kept elsewhere moved where readers look; a file without
// EXIF, or one Exiv2 does not know, gives no tags. Ends with status 0 once
// the result is complete.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <set>
#include <string>
#include <vector>

#include "decode/exif_wire.h"

#include "base/file_io.h"

namespace {

bool ParseNumber(const char* text, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && end != text && *end == '\0';
}

// Exiv2's group names of the three directories the program keeps.
bool DirectoryOf(const std::string& group, uint8_t& directory) {
  if (group == "Image") directory = pictavo::exif::kMainImage;
  else if (group == "Photo") directory = pictavo::exif::kExif;
  else if (group == "GPSInfo") directory = pictavo::exif::kGps;
  else return false;  // thumbnails, maker notes, sub-images: nothing the new file has
  return true;
}

using pictavo::exif::Tag;

std::string LittleEndian(uint64_t value, int bytes) {
  std::string out;
  pictavo::exif::PutLe(out, value, bytes);
  return out;
}

Tag Copied(const Exiv2::Exifdatum& datum, uint8_t directory) {
  Tag tag;
  const auto type = static_cast<uint16_t>(datum.typeId());
  tag.directory = directory;
  tag.id = datum.tag();
  tag.type = type;
  tag.count = static_cast<uint32_t>(datum.count());
  tag.value.resize(datum.size());
  if (pictavo::exif::TypeSize(type) == 0 || tag.value.empty() ||
      datum.copy(reinterpret_cast<Exiv2::byte*>(tag.value.data()), Exiv2::littleEndian) !=
          static_cast<long>(tag.value.size()) ||
      tag.value.size() != uint64_t{tag.count} * pictavo::exif::TypeSize(type))
    tag.value.clear();  // not kept
  return tag;
}

// The numbers of the EXIF directory's own tags, from Exiv2's table.
std::set<uint16_t> ExifDirectoryTags() {
  std::set<uint16_t> numbers;
  for (const Exiv2::TagInfo* info = Exiv2::ExifTags::tagList("Photo"); info && info->tag_ != 0xFFFF; ++info)
    numbers.insert(info->tag_);
  return numbers;
}

// What Exiv2 makes of a maker's record, as the number a standard tag holds
// ("7.0 mm" is 7, "50" is 50).
bool PrintedNumber(const Exiv2::Exifdatum& datum, const Exiv2::ExifData& all, double& value) {
  const std::string text = datum.print(&all);
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && std::isfinite(value) && value > 0;
}

// ISO speed, focal length and lens that only a maker's own records hold,
// found by Exiv2's easy-access readers, under the standard EXIF numbers.
void AddFromMakerRecords(const Exiv2::ExifData& data, std::vector<Tag>& tags) {
  auto has = [&tags](uint16_t id) {
    return std::any_of(tags.begin(), tags.end(),
                       [id](const Tag& tag) { return tag.directory == pictavo::exif::kExif && tag.id == id; });
  };
  auto fromMaker = [&data](Exiv2::ExifData::const_iterator found) -> const Exiv2::Exifdatum* {
    if (found == data.end()) return nullptr;
    const std::string group = found->groupName();
    return group == "Image" || group == "Photo" ? nullptr : &*found;  // those are copied as they are
  };
  constexpr uint16_t kIsoSpeed = 0x8827, kFocalLength = 0x920A, kLensModel = 0xA434;
  double value = 0;
  if (const Exiv2::Exifdatum* iso = fromMaker(Exiv2::isoSpeed(data));
      iso && !has(kIsoSpeed) && PrintedNumber(*iso, data, value) && value < 65536)
    tags.push_back({pictavo::exif::kExif, kIsoSpeed, 3, 1, LittleEndian(std::lround(value), 2)});
  if (const Exiv2::Exifdatum* focal = fromMaker(Exiv2::focalLength(data));
      focal && !has(kFocalLength) && PrintedNumber(*focal, data, value) && value < 100000)
    tags.push_back({pictavo::exif::kExif, kFocalLength, 5, 1,
                    LittleEndian(std::lround(value * 10), 4) + LittleEndian(10, 4)});
  if (const Exiv2::Exifdatum* lens = fromMaker(Exiv2::lensName(data)); lens && !has(kLensModel)) {
    const std::string name = lens->print(&data);
    // Exiv2 prints an unknown lens as "n/a", "Unknown" or its number in brackets.
    if (!name.empty() && name != "n/a" && name.find("Unknown") == std::string::npos && name[0] != '(' &&
        name.size() < 256)
      tags.push_back({pictavo::exif::kExif, kLensModel, 2, static_cast<uint32_t>(name.size() + 1), name + '\0'});
  }
}

std::vector<Tag> ReadTags(const char* path) {
  std::vector<Tag> tags;
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
  if (!image.get()) return tags;
  image->readMetadata();
  const Exiv2::ExifData& data = image->exifData();
  // Some cameras (Kodak's among them) keep exposure time, f-number, focal
  // length, flash and date in the main directory; a reader looks for them
  // in the EXIF directory, where they move under their own numbers unless
  // that directory has them already.
  const std::set<uint16_t> exifNumbers = ExifDirectoryTags();
  std::vector<Tag> moved;
  for (const Exiv2::Exifdatum& datum : data) {
    uint8_t directory = 0;
    if (!DirectoryOf(datum.groupName(), directory)) continue;
    Tag tag = Copied(datum, directory);
    if (tag.value.empty()) continue;
    if (directory == pictavo::exif::kMainImage && exifNumbers.count(tag.id)) {
      tag.directory = pictavo::exif::kExif;
      moved.push_back(std::move(tag));
    } else {
      tags.push_back(std::move(tag));
    }
  }
  for (Tag& tag : moved) {
    const bool present = std::any_of(tags.begin(), tags.end(), [&tag](const Tag& kept) {
      return kept.directory == pictavo::exif::kExif && kept.id == tag.id;
    });
    if (!present) tags.push_back(std::move(tag));
  }
  AddFromMakerRecords(data, tags);
  if (tags.size() > pictavo::exif::kMaxTags) tags.resize(pictavo::exif::kMaxTags);
  return tags;
}

bool WriteTags(const std::vector<pictavo::exif::Tag>& tags) {
  const std::string bytes = pictavo::exif::WriteExifTags(tags);
  return pictavo::WriteAllTo(pictavo::exif::kResultFd, bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  long long memoryLimit = 0, parent = 0;
  if (argc != 4 || !ParseNumber(argv[1], memoryLimit) || memoryLimit < 0 || !ParseNumber(argv[2], parent)) return 2;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) return 3;
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  if (memoryLimit > 0) {
    const rlimit limited{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
    setrlimit(RLIMIT_AS, &limited);
  }
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);

  std::vector<pictavo::exif::Tag> tags;
  try {
    tags = ReadTags(argv[3]);
  } catch (const std::exception&) {
    tags.clear();  // a file Exiv2 cannot read has no metadata to keep
  }
  if (!WriteTags(tags)) return 5;
  // Complete: the program takes the result while this process ends.
  const uint64_t done = 1;
  [[maybe_unused]] const ssize_t told = write(pictavo::exif::kDoneFd, &done, sizeof done);
  _exit(0);
}
