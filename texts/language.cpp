#include "texts/language.h"

#include <algorithm>
#include <utility>

#include "settings/text_util.h"

namespace pictavo {

namespace {

constexpr std::string_view kGroupMarker = "_GROUP_";
constexpr std::string_view kEndMarker = "_END_";
// Byte that selects the index slot; an empty key counts as 0, which no entry
// is ever indexed under, so it is never found.
uint8_t FirstByte(std::string_view key) { return key.empty() ? 0 : static_cast<uint8_t>(key.front()); }

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

LanguageTable::LanguageTable() : groups_(1), keys_(1), texts_(1) {}

void LanguageTable::Build(std::span<const LanguagePair> block) {
  groupCount_ = 0;
  entryCount_ = 0;
  for (const LanguagePair& pair : block) {
    if (IsMarker(pair.key, kEndMarker)) break;
    if (IsMarker(pair.key, kGroupMarker))
      ++groupCount_;
    else
      ++entryCount_;
  }

  groups_.assign(static_cast<size_t>(groupCount_) + 1, Group{});
  keys_.assign(static_cast<size_t>(entryCount_) + 1, std::string());
  texts_.assign(static_cast<size_t>(entryCount_) + 1, std::string());
  lastGroup_ = 0;

  int32_t n = 0;
  int32_t g = 0;
  for (const LanguagePair& pair : block) {
    if (IsMarker(pair.key, kEndMarker)) break;
    if (IsMarker(pair.key, kGroupMarker)) {
      groups_[g].last = n;
      ++g;
      groups_[g].name = ToUpperAscii(pair.text);
      groups_[g].first = n + 1;
    } else {
      ++n;
      keys_[n] = ToUpperAscii(pair.key);
      texts_[n] = pair.text;
    }
  }
  groups_[g].last = n;

  std::vector<std::pair<std::string, std::string>> entries;
  for (int32_t i = 1; i <= groupCount_; ++i) {
    Group& group = groups_[i];
    if (group.first > group.last) continue;
    // By key, then by text: std::string orders by unsigned bytes, the same
    // order the lookup uses, and of two entries with one key the lookup
    // finds the first.
    entries.clear();
    for (int32_t p = group.first; p <= group.last; ++p) entries.emplace_back(std::move(keys_[p]), std::move(texts_[p]));
    std::sort(entries.begin(), entries.end());
    uint8_t previous = 0;
    for (int32_t p = group.first; p <= group.last; ++p) {
      auto& [key, text] = entries[static_cast<size_t>(p - group.first)];
      keys_[p] = std::move(key);
      texts_[p] = std::move(text);
      const uint8_t first = FirstByte(keys_[p]);
      if (first != previous) group.index[first] = p;
      previous = first;
    }
  }
}

int32_t LanguageTable::FindGroup(std::string_view upperName) const {
  for (int32_t i = 1; i <= groupCount_; ++i)
    if (groups_[i].name == upperName) return i;
  return 0;
}

std::string LanguageTable::GetText(std::string_view group, std::string_view key) {
  const std::string upperGroup = ToUpperAscii(group);
  const std::string upperKey = ToUpperAscii(key);
  if (groups_[lastGroup_].name != upperGroup) lastGroup_ = FindGroup(upperGroup);
  if (lastGroup_ == 0) return std::string(kNoStringError);

  const Group& found = groups_[lastGroup_];
  int32_t p = found.index[FirstByte(upperKey)];
  if (p == 0) return std::string(kNoStringError);
  // Keys are sorted, so the first larger key ends the search.
  for (; p <= found.last; ++p) {
    const int order = upperKey.compare(keys_[p]);
    if (order == 0) return texts_[p];
    if (order < 0) break;
  }
  return std::string(kNoStringError);
}

int32_t LanguageTable::GroupEntryCount(std::string_view group) const {
  const int32_t i = FindGroup(ToUpperAscii(group));
  if (i == 0) return -1;
  return groups_[i].last - groups_[i].first + 1;
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
