// pictavo-exif MEMORY-LIMIT PARENT-PID PATH
//
// Reads the camera's EXIF tags of one file with Exiv2, in a process of its
// own: a file that makes the metadata reader crash or loop costs its
// metadata and nothing else. Writes the tags of the main image, the EXIF and
// the GPS directories to descriptor 3 (decode/exif_wire.h); a file without
// EXIF, or one Exiv2 does not know, gives no tags. Ends with status 0 once
// the result is complete.
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "decode/exif_wire.h"

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

std::vector<pictavo::exif::Tag> ReadTags(const char* path) {
  std::vector<pictavo::exif::Tag> tags;
  Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
  if (!image.get()) return tags;
  image->readMetadata();
  for (const Exiv2::Exifdatum& datum : image->exifData()) {
    pictavo::exif::Tag tag;
    const auto type = static_cast<uint16_t>(datum.typeId());
    if (!DirectoryOf(datum.groupName(), tag.directory) || pictavo::exif::TypeSize(type) == 0) continue;
    tag.id = datum.tag();
    tag.type = type;
    tag.count = static_cast<uint32_t>(datum.count());
    tag.value.resize(datum.size());
    if (tag.value.empty() ||
        datum.copy(reinterpret_cast<Exiv2::byte*>(tag.value.data()), Exiv2::littleEndian) != static_cast<long>(tag.value.size()) ||
        tag.value.size() != uint64_t{tag.count} * pictavo::exif::TypeSize(type))
      continue;
    tags.push_back(std::move(tag));
    if (tags.size() == pictavo::exif::kMaxTags) break;
  }
  return tags;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
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
  if (!WriteAll(pictavo::exif::kResultFd, pictavo::exif::WriteExifTags(tags))) return 5;
  // Complete: the program takes the result while this process ends.
  const uint64_t done = 1;
  [[maybe_unused]] const ssize_t told = write(pictavo::exif::kDoneFd, &done, sizeof done);
  _exit(0);
}
