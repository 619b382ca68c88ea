// The small INI dialect of config.ini and of console profiles.
//
// Reading accepts hand-edited files: UTF-8 with a byte-order mark, otherwise
// ISO-8859-1; CR LF, LF or CR line ends; groups and keys compared without
// regard to ASCII case; the first occurrence of a group or key wins.
// Writing produces the program's own layout: BOM, CR LF, "key = value", and
// "; " comment lines.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictavo {

class PendingFile;

class PreferencesFile {
 public:
  // Far beyond any real configuration or profile.
  static constexpr size_t kMaxFileBytes = size_t{1} << 20;

  PreferencesFile();
  ~PreferencesFile();
  PreferencesFile(PreferencesFile&&) noexcept;
  PreferencesFile& operator=(PreferencesFile&&) noexcept;

  // Reads an existing file; false when it cannot be read: missing, a folder,
  // a read error, or more than kMaxFileBytes.
  bool Open(const std::string& path);
  // Parses file bytes (the part of Open after reading the file).
  void Parse(std::string_view bytes);

  // Starts an empty document that Close() writes to `path`. The file is
  // written to a temporary name beside it and renamed over it, so an
  // interrupted save never leaves a damaged file. A symbolic link is
  // followed and its target replaced; the old file's mode is kept. False,
  // and nothing will be written, when the folder does not accept new files,
  // or when `path` is read-only for its owner or not a plain file.
  bool Create(const std::string& path);

  // Selects the first group of that name; "" selects the keys before the
  // first group.
  void SelectGroup(std::string_view name);

  // Raw value of a key in the selected group, leading blanks and tabs
  // removed; false when absent.
  bool Find(std::string_view key, std::string* value) const;
  std::string ReadText(std::string_view key, std::string_view fallback) const;
  int32_t ReadInt(std::string_view key, int32_t fallback) const;
  float ReadFloat(std::string_view key, float fallback) const;

  // Keys of the selected group in file order, with their raw values.
  std::vector<std::pair<std::string, std::string>> Keys() const;

  void WriteText(std::string_view key, std::string_view value);
  void WriteInt(std::string_view key, int64_t value);
  void WriteFloat(std::string_view key, float value);
  void WriteComment(std::string_view text);

  // Writes a created document out; true on success (and for a read-only
  // document, which has nothing to write).
  bool Close();

  // The document in the written layout.
  std::string Serialize() const;

 private:
  struct Line {
    bool comment = false;
    std::string key;    // or the comment text
    std::string value;  // raw value, leading blanks and tabs removed
  };
  struct Group {
    std::string name;
    std::vector<Line> lines;
  };

  const Group* SelectedGroup() const;
  Group& SelectedGroupForWriting();

  std::vector<Group> groups_;
  std::string selected_;
  std::string writePath_;
  mode_t writeMode_ = 0;
  std::unique_ptr<PendingFile> pending_;
  bool writing_ = false;
};

}  // namespace pictavo
