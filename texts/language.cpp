#include "texts/language.h"

#include <string>

#include "base/text_util.h"

namespace pictavo {

namespace {

constexpr std::string_view kGroupMarker = "_GROUP_";
constexpr std::string_view kEndMarker = "_END_";
// Both markers start with "_": a key that does not is no marker, whatever
// its length.
bool IsMarker(const char* key, std::string_view marker) { return key[0] == '_' && EqualsNoCase(key, marker); }

std::string ReplaceAllNoCase(std::string_view text, std::string_view placeholder, std::string_view value) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (EqualsNoCase(text.substr(i, placeholder.size()), placeholder)) {
      out += value;
      i += placeholder.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

}  // namespace

LanguageTable::LanguageTable() : groups_(1) {}

void LanguageTable::Build(std::span<const LanguagePair> block) {
  groups_.assign(1, Group{});
  entryCount_ = 0;
  lastGroup_ = 0;
  size_t end = 0;
  for (; end < block.size(); ++end) {
    const LanguagePair& pair = block[end];
    if (IsMarker(pair.key, kEndMarker)) break;
    if (IsMarker(pair.key, kGroupMarker)) {
      groups_.back().end = end;
      groups_.push_back(Group{pair.text, end + 1, end + 1});
    } else {
      ++entryCount_;
    }
  }
  groups_.back().end = end;
  block_ = block.first(end);
}

size_t LanguageTable::FindGroup(std::string_view name) const {
  for (size_t i = 1; i < groups_.size(); ++i)
    if (EqualsNoCase(groups_[i].name, name)) return i;
  return 0;
}

std::string LanguageTable::GetText(std::string_view group, std::string_view key) {
  if (lastGroup_ == 0 || !EqualsNoCase(groups_[lastGroup_].name, group)) lastGroup_ = FindGroup(group);
  if (lastGroup_ == 0 || key.empty()) return std::string(kNoStringError);

  const Group& found = groups_[lastGroup_];
  const char* text = nullptr;
  for (size_t p = found.begin; p < found.end; ++p) {
    const LanguagePair& pair = block_[p];
    if (EqualsNoCase(pair.key, key) && (!text || std::string_view(pair.text) < text)) text = pair.text;
  }
  return text ? std::string(text) : std::string(kNoStringError);
}

int32_t LanguageTable::GroupEntryCount(std::string_view group) const {
  const size_t i = FindGroup(group);
  if (i == 0) return -1;
  return static_cast<int32_t>(groups_[i].end - groups_[i].begin);
}

namespace {
LanguageTable& ProcessTable() {
  static LanguageTable table;
  return table;
}
}  // namespace

void BuildLanguageTable() { ProcessTable().Build(BuiltInLanguageBlock()); }

std::string GetText(std::string_view group, std::string_view key) { return ProcessTable().GetText(group, key); }

std::string FillPlaceholders(std::string_view text, std::string_view s1, std::string_view s2, std::string_view s3,
                             std::string_view s4) {
  std::string result(text);
  if (result.empty()) return result;
  const std::string_view values[] = {s1, s2, s3, s4};
  const std::string_view placeholders[] = {"%s1%", "%s2%", "%s3%", "%s4%"};
  for (size_t i = 0; i < 4; ++i)
    if (!values[i].empty()) result = ReplaceAllNoCase(result, placeholders[i], values[i]);
  return result;
}

}  // namespace pictavo
