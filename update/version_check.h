// Asking the maker's web server for the latest version number, and the rules
// around it: what an answer means and when the automatic check is due.
// Nothing here shows a message; the desktop's update commands do.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pictavo {

// The update information file on the maker's web host. Its body starts with
// the latest version number in the program's own numbering (281 is 2.8.1).
std::string UpdateFileAddress();

struct FetchLimits {
  // How long opening the connection may take, and then the reply.
  std::chrono::milliseconds wait{10000};
  // How often the connection is looked at while the reply is awaited.
  std::chrono::milliseconds poll{20};
};

// Where and how patiently the check asks; tests point it at a server of
// their own.
struct UpdateSource {
  std::string address = UpdateFileAddress();
  FetchLimits limits;
};

// Fetches `url` (http, port 80 unless the address names one) with a plain
// HTTP/1.0 GET sent as `userAgent`, and returns the first three characters
// of the reply's body (the text between its first and second blank line,
// spaces at both ends removed). Only the first 2048 bytes of the reply
// count, and only what arrives within limits.wait. Empty when the address is
// empty or unusable, the connection cannot be opened or no blank line comes.
// Blocks the calling thread meanwhile.
std::string FetchUpdateText(const std::string& url, const std::string& userAgent, const FetchLimits& limits = {});

enum class UpdateAnswer {
  NoAnswer,    // nothing came, or nothing that reads as a number
  NewVersion,  // a version above ours
  UpToDate,    // ours or an older one
};

// What the fetched text means to a program of version `ownVersion`. The text
// reads as a NUM value (ParseNumValue); 0 counts as no answer.
UpdateAnswer ReadUpdateAnswer(std::string_view text, int ownVersion);

// Days between automatic checks for a General/Update Range value: 1, 7, 30,
// 90 and 180 for 0 to 4, nothing for 5 ("Never"), 30 for any other value.
std::optional<int> UpdateIntervalDays(int32_t range);

// True when the automatic check is due at `now`: more than the interval of
// `range` has passed since `lastCheck`. Both are stored dates (local seconds).
bool AutoUpdateDue(int32_t range, int32_t lastCheck, int32_t now);

}  // namespace pictavo
