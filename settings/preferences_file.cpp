#include "settings/preferences_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "settings/text_util.h"

namespace pictavo {

bool PreferencesFile::Open(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
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
  writePath_ = path;
  writing_ = true;
  // Probe the folder now so that a save into a missing or read-only folder
  // fails here, like creating the file would.
  std::string probe = path + ".XXXXXX";
  int fd = mkstemp(probe.data());
  if (fd < 0) {
    writing_ = false;
    return false;
  }
  close(fd);
  unlink(probe.c_str());
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
  const std::string data = Serialize();
  std::string temp = writePath_ + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  fchmod(fd, 0644);
  size_t written = 0;
  while (written < data.size()) {
    ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  bool ok = written == data.size() && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = std::rename(temp.c_str(), writePath_.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace pictavo
