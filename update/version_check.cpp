#include "update/version_check.h"

#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

std::string UpdateFileAddress() { return std::string(kMakerSite) + "files/" + kBaseName + ".dat"; }

UpdateAnswer ReadUpdateAnswer(std::string_view text, int ownVersion) {
  const int32_t latest = ParseNumValue(text);
  if (latest == 0) return UpdateAnswer::NoAnswer;
  return latest > ownVersion ? UpdateAnswer::NewVersion : UpdateAnswer::UpToDate;
}

std::optional<int> UpdateIntervalDays(int32_t range) {
  switch (range) {
    case 0: return 1;
    case 1: return 7;
    case 2: return 30;
    case 3: return 90;
    case 4: return 180;
    case 5: return std::nullopt;
    default: return 30;
  }
}

bool AutoUpdateDue(int32_t range, int32_t lastCheck, int32_t now) {
  const std::optional<int> days = UpdateIntervalDays(range);
  if (!days) return false;
  // In 64 bits: a date near the end of the 32-bit range plus 180 days must
  // not wrap into the past.
  return int64_t{now} > int64_t{lastCheck} + int64_t{*days} * 86400;
}

}  // namespace pictavo
