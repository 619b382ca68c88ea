// Interface texts. Every caption, title and message the program shows is
// looked up when it is used, by a group and a key, in one table built at
// start-up from the built-in English block. A missing text comes back as
// kNoStringError, so the gap shows on screen instead of failing.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// One (key, text) pair of a text block, both UTF-8. A key "_GROUP_" opens a
// group named by the text; "_END_" ends the block. Markers count in any case.
struct LanguagePair {
  const char* key;
  const char* text;
};

// The built-in English texts, up to and including the "_END_" pair.
std::span<const LanguagePair> BuiltInLanguageBlock();

inline constexpr std::string_view kNoStringError = "%NO_STRING_ERROR%";

class LanguageTable {
 public:
  LanguageTable();

  // Replaces the whole table with the contents of `block`. Reading stops at
  // the "_END_" pair, or at the end of the span if it has none. The table
  // refers to the block's texts, which must outlive it (the built-in block
  // lives as long as the program).
  void Build(std::span<const LanguagePair> block);

  // Text of the entry, or kNoStringError. Group and key are compared without
  // regard to ASCII case; of two entries with the same key, the one whose
  // text sorts first counts. Not const: it remembers the group it found, as
  // consecutive lookups mostly name the same group.
  std::string GetText(std::string_view group, std::string_view key);

  int32_t GroupCount() const { return static_cast<int32_t>(groups_.size()) - 1; }
  int32_t EntryCount() const { return entryCount_; }
  // Number of entries of the first group of that name; -1 when there is none.
  int32_t GroupEntryCount(std::string_view group) const;

 private:
  // The entries of a group are the block's pairs from `begin` up to, not
  // including, `end`.
  struct Group {
    std::string_view name;
    size_t begin = 0;
    size_t end = 0;
  };

  size_t FindGroup(std::string_view name) const;

  // A program shows a few dozen texts at most, so a lookup reads its group
  // through instead of the start-up sorting every text of every group.
  std::span<const LanguagePair> block_;
  std::vector<Group> groups_;  // [0] stands for "none"
  int32_t entryCount_ = 0;
  size_t lastGroup_ = 0;
};

// The process-wide table. BuildLanguageTable fills it from the built-in block
// (again, with the same result, when called a second time); call it before
// the first GetText. Not synchronised: lookups write the remembered group.
void BuildLanguageTable();
std::string GetText(std::string_view group, std::string_view key);

// `text` with every "%s1%".."%s4%" (the S in any case) replaced by s1..s4, in
// that order, so a value of s1 containing "%s2%" is filled by s2 as well. An
// empty argument leaves its placeholder in place.
std::string FillPlaceholders(std::string_view text, std::string_view s1 = {}, std::string_view s2 = {},
                             std::string_view s3 = {}, std::string_view s4 = {});

}  // namespace pictavo
