#include "settings/preferences_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "base/file_io.h"
#include "base/safe_files.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

// The whole file, or false when it cannot be read: anything but a plain
// file (a folder, /dev/zero, a FIFO, which would hold the program until
// someone writes to it: the open does not wait), a read error, or more than
// `limit` bytes (which no real configuration has: a photograph named by
// mistake).
bool ReadWholeFile(const std::string& path, size_t limit, std::string& bytes) {
  const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat st {};
  bytes.clear();
  return file && fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) && ReadAllFrom(file.get(), bytes, limit);
}

// Where a save has to go: through symbolic links to the file they name, so a
// linked configuration (dotfiles) is updated instead of replaced.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return path;
    target.resize(static_cast<size_t>(n));
    if (target.front() != '/') target = FolderOf(path) + target;
    path = std::move(target);
  }
  return path;
}

}  // namespace

PreferencesFile::PreferencesFile() = default;
PreferencesFile::~PreferencesFile() = default;
PreferencesFile::PreferencesFile(PreferencesFile&&) noexcept = default;
PreferencesFile& PreferencesFile::operator=(PreferencesFile&&) noexcept = default;

bool PreferencesFile::Open(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, kMaxFileBytes, bytes)) return false;
  Parse(bytes);
  return true;
}

void PreferencesFile::Parse(std::string_view bytes) {
  groups_.clear();
  selected_.clear();
  writing_ = false;

  std::string text;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") text = std::string(bytes.substr(3));
  else text = Latin1ToUtf8(bytes);

  groups_.push_back(Group{});  // keys before the first group line
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line = TrimLeadingBlanksTabs(std::string_view(text).substr(pos, end - pos));
    pos = end;
    if (pos < text.size()) pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
    if (line.empty()) continue;
    if (line.front() == ';') {
      groups_.back().lines.push_back(Line{true, std::string(line.substr(1)), {}});
      continue;
    }
    if (line.front() == '[') {
      size_t close = line.find(']');
      groups_.push_back(Group{std::string(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)), {}});
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;  // not a key line; never written by us
    Line entry;
    entry.key = std::string(TrimTrailingBlanksTabs(line.substr(0, eq)));
    entry.value = std::string(TrimLeadingBlanksTabs(line.substr(eq + 1)));
    groups_.back().lines.push_back(std::move(entry));
  }
}

bool PreferencesFile::Create(const std::string& path) {
  groups_.clear();
  groups_.push_back(Group{});
  selected_.clear();
  writing_ = false;
  pending_.reset();

  writePath_ = FollowLinks(path);
  struct stat st {};
  if (stat(writePath_.c_str(), &st) == 0) {
    // A file the user made read-only stays as it is, and so does anything
    // that is not a plain file.
    if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return false;
    writeMode_ = st.st_mode & 07777;
  } else {
    writeMode_ = 0666 & ~ProcessUmask();
  }
  // The new contents go to a file beside the target now, so a folder that
  // does not accept files fails here, as creating the file itself would.
  pending_ = std::make_unique<PendingFile>(writePath_ + ".XXXXXX");
  if (pending_->fd() < 0) {
    pending_.reset();
    return false;
  }
  writing_ = true;
  return true;
}

void PreferencesFile::SelectGroup(std::string_view name) { selected_ = std::string(name); }

const PreferencesFile::Group* PreferencesFile::SelectedGroup() const {
  if (selected_.empty()) return groups_.empty() ? nullptr : &groups_.front();
  for (size_t i = 1; i < groups_.size(); ++i)
    if (EqualsNoCase(groups_[i].name, selected_)) return &groups_[i];
  return nullptr;
}

PreferencesFile::Group& PreferencesFile::SelectedGroupForWriting() {
  if (const Group* found = SelectedGroup()) return const_cast<Group&>(*found);
  groups_.push_back(Group{selected_, {}});
  return groups_.back();
}

bool PreferencesFile::Find(std::string_view key, std::string* value) const {
  const Group* group = SelectedGroup();
  if (!group) return false;
  for (const Line& line : group->lines) {
    if (!line.comment && EqualsNoCase(line.key, key)) {
      if (value) *value = line.value;
      return true;
    }
  }
  return false;
}

std::string PreferencesFile::ReadText(std::string_view key, std::string_view fallback) const {
  std::string value;
  if (!Find(key, &value)) return std::string(fallback);
  return std::string(TrimTrailingBlanksTabs(value));
}

int32_t PreferencesFile::ReadInt(std::string_view key, int32_t fallback) const {
  std::string value;
  if (!Find(key, &value)) return fallback;
  return ParseDecimalInt(value);
}

float PreferencesFile::ReadFloat(std::string_view key, float fallback) const {
  std::string value;
  if (!Find(key, &value)) return fallback;
  return ParseReal(value);
}

std::vector<std::pair<std::string, std::string>> PreferencesFile::Keys() const {
  std::vector<std::pair<std::string, std::string>> keys;
  if (const Group* group = SelectedGroup())
    for (const Line& line : group->lines)
      if (!line.comment) keys.emplace_back(line.key, line.value);
  return keys;
}

void PreferencesFile::WriteText(std::string_view key, std::string_view value) {
  Group& group = SelectedGroupForWriting();
  for (Line& line : group.lines) {
    if (!line.comment && EqualsNoCase(line.key, key)) {
      line.value = std::string(value);
      return;
    }
  }
  group.lines.push_back(Line{false, std::string(key), std::string(value)});
}

void PreferencesFile::WriteInt(std::string_view key, int64_t value) { WriteText(key, std::to_string(value)); }

void PreferencesFile::WriteFloat(std::string_view key, float value) { WriteText(key, FormatReal(value)); }

void PreferencesFile::WriteComment(std::string_view text) {
  SelectedGroupForWriting().lines.push_back(Line{true, std::string(text), {}});
}

std::string PreferencesFile::Serialize() const {
  std::string out = "\xEF\xBB\xBF\r\n";
  for (size_t i = 0; i < groups_.size(); ++i) {
    const Group& group = groups_[i];
    if (i > 0) out += "[" + group.name + "]\r\n";
    for (const Line& line : group.lines) {
      if (line.comment) out += "; " + line.key + "\r\n";
      else out += line.key + " = " + line.value + "\r\n";
    }
  }
  return out;
}

bool PreferencesFile::Close() {
  if (!writing_) return true;
  writing_ = false;
  const std::unique_ptr<PendingFile> pending = std::move(pending_);
  const std::string data = Serialize();
  // A file the reader would refuse is never written: it would be replaced
  // by defaults the next time.
  if (data.size() > kMaxFileBytes) return false;
  return pending->WriteAll(data.data(), data.size()) && pending->Commit(writePath_, writeMode_);
}

}  // namespace pictavo
