#include "engine/naming.h"

#include <array>
#include <cstdio>
#include <mutex>
#include <utility>

#include "base/text_util.h"

namespace pictavo {

namespace {

// Expansion order matters: a value inserted by one token may carry the text of
// a later one, which is then expanded in turn.
constexpr std::array<std::string_view, 18> kTokens = {
    "%filename%", "%filename[u]%", "%filename[l]%", "%filename[t]%", "%ext%", "%ext[u]%",
    "%ext[t]%",   "%yyyy%",        "%mm%",          "%dd%",          "%hh%",  "%ii%",
    "%ss%",       "%bpp%",         "%width%",       "%height%",      "%rnd%", "%n%"};

constexpr std::string_view kDefaultMask = "%filename%.%ext%";

std::mutex g_clockMutex;
std::function<std::tm()> g_clock;

std::tm LocalNow() {
  std::function<std::tm()> clock;
  {
    std::lock_guard lock(g_clockMutex);
    clock = g_clock;
  }
  if (clock) return clock();
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

// Counters always take exactly five characters: short ones are zero-filled,
// long ones keep their leading digits.
std::string FiveDigits(int32_t value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 5) return std::string(5 - digits.size(), '0') + digits;
  return digits.substr(0, 5);
}

std::string InputBaseName(const ConversionJob& job) {
  const std::string& path = job.currentFile;
  size_t slash = path.rfind('/');
  std::string_view name = path;
  if (slash != std::string::npos) name.remove_prefix(slash + 1);
  return StripExtension(name);
}

// `token` must already be lower case; unknown tokens have no value.
bool TokenValue(std::string_view token, const ConversionJob& job, std::string& value) {
  if (token == "%filename%") {
    value = InputBaseName(job);
  } else if (token == "%filename[u]%") {
    value = ToUpperText(InputBaseName(job));
  } else if (token == "%filename[l]%") {
    value = ToLowerText(InputBaseName(job));
  } else if (token == "%filename[t]%") {
    value = TitleCaseText(InputBaseName(job));
  } else if (token == "%ext%") {
    value = job.outputExtension;
  } else if (token == "%ext[u]%") {
    value = ToUpperText(job.outputExtension);
  } else if (token == "%ext[t]%") {
    value = TitleCaseText(job.outputExtension);
  } else if (token == "%yyyy%") {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d", LocalNow().tm_year + 1900);
    value = buffer;
  } else if (token == "%mm%") {
    value = TwoDigits(LocalNow().tm_mon + 1);
  } else if (token == "%dd%") {
    value = TwoDigits(LocalNow().tm_mday);
  } else if (token == "%hh%") {
    value = TwoDigits(LocalNow().tm_hour);
  } else if (token == "%ii%") {
    value = TwoDigits(LocalNow().tm_min);
  } else if (token == "%ss%") {
    value = TwoDigits(LocalNow().tm_sec);
  } else if (token == "%bpp%") {
    value = std::to_string(job.outputBpp);
  } else if (token == "%width%") {
    value = std::to_string(job.finalWidth);
  } else if (token == "%height%") {
    value = std::to_string(job.finalHeight);
  } else if (token == "%rnd%") {
    value = FiveDigits(job.randomNumber);
  } else if (token == "%n%") {
    value = FiveDigits(job.sequenceNumber);
  } else {
    return false;
  }
  return true;
}

}  // namespace

void SetNamingClock(std::function<std::tm()> clock) {
  std::lock_guard lock(g_clockMutex);
  g_clock = std::move(clock);
}

std::span<const std::string_view> FilenameTokens() { return kTokens; }

std::string StripExtension(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string(name);
  return std::string(name.substr(0, dot));
}

std::string ExpandToken(std::string_view text, std::string_view token, const ConversionJob& job) {
  const std::string lowerToken = ToLowerAscii(token);
  const std::string lowerText = ToLowerAscii(text);
  if (lowerToken.empty() || lowerText.find(lowerToken) == std::string::npos)
    return std::string(text);
  std::string value;
  if (!TokenValue(lowerToken, job, value)) return std::string(text);

  // Search the original text only, so a value that contains its own token is
  // inserted once and never rescanned. ASCII lower-casing keeps every index.
  std::string out;
  size_t pos = 0;
  for (size_t hit = lowerText.find(lowerToken); hit != std::string::npos;
       hit = lowerText.find(lowerToken, pos)) {
    out.append(text.substr(pos, hit - pos));
    out.append(value);
    pos = hit + lowerToken.size();
  }
  out.append(text.substr(pos));
  return out;
}

std::string ExpandFilenameMask(const Settings& settings, const ConversionJob& job) {
  std::string mask = ToLowerText(settings.advanced.filenameMask);
  if (mask.empty()) mask = kDefaultMask;
  // The presence test is exact on purpose: only lower-case token text (the
  // mask itself, or a lower-case inserted value) triggers a replacement.
  for (std::string_view token : kTokens)
    if (mask.find(token) != std::string::npos) mask = ExpandToken(mask, token, job);
  return mask;
}

bool IsFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

std::string BuildOutputPath(const Settings& settings, const ConversionJob& job) {
  std::string path = job.outputFolder;
  if (settings.advanced.keepSubfolders) path += job.relativeFolder;
  return path + ExpandFilenameMask(settings, job);
}

std::string ExpandWatermarkText(const Settings& settings, const ConversionJob& job) {
  const std::string& text = settings.watermark.text;
  size_t percents = 0;
  for (char c : text)
    if (c == '%') ++percents;
  if (percents < 2) return text;

  // Tokens are looked for in the text as the user typed it, not in values
  // inserted along the way.
  const std::string lower = ToLowerAscii(text);
  std::string out = text;
  for (std::string_view token : kTokens)
    if (lower.find(token) != std::string::npos) out = ExpandToken(out, token, job);
  return out;
}

bool NamesDependOnEarlierFiles(const Settings& settings, const ConversionJob& job, const InputFiles& files) {
  // Two runs that differ in nothing but those numbers tell.
  ConversionJob one = job, two = job;
  one.sequenceNumber = one.randomNumber = 1;
  two.sequenceNumber = two.randomNumber = 2;
  const bool textWatermark = settings.watermark.doWatermark == WatermarkMode::Text;
  for (const auto& [path, entry] : files) {
    one.currentFile = two.currentFile = path;
    one.relativeFolder = two.relativeFolder = entry.relativeFolder;
    if (ExpandFilenameMask(settings, one) != ExpandFilenameMask(settings, two)) return true;
    if (textWatermark && ExpandWatermarkText(settings, one) != ExpandWatermarkText(settings, two)) return true;
  }
  return false;
}

}  // namespace pictavo
