#include "settings/settings.h"

#include <ctime>
#include <mutex>
#include <utility>

#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

std::mutex g_screenMutex;
std::function<ScreenSize()> g_screenProvider;

ScreenSize PrimaryScreen() {
  std::lock_guard lock(g_screenMutex);
  return g_screenProvider ? g_screenProvider() : ScreenSize{};
}

}  // namespace

const SettingDescriptor* FindSetting(std::string_view group, std::string_view key) {
  for (const SettingDescriptor& d : SettingTable())
    if (EqualsNoCase(d.key, key) && EqualsNoCase(d.group, group)) return &d;
  return nullptr;
}

bool IsByteKind(SettingKind kind) { return kind == SettingKind::Flag || kind == SettingKind::Enum; }

bool IsTextKind(SettingKind kind) {
  return kind == SettingKind::Text || kind == SettingKind::Color || kind == SettingKind::ColorList;
}

int64_t SettingAsInt(const Settings& settings, const SettingDescriptor& d) {
  // The accessors hand out mutable references; reading through them is safe.
  Settings& s = const_cast<Settings&>(settings);
  if (d.enumGet) return d.enumGet(settings);
  if (d.byteField) return d.byteField(s);
  if (d.intField) return d.intField(s);
  if (d.floatField) return static_cast<int64_t>(d.floatField(s));
  return ParseDecimalInt(d.textField(s));
}

float SettingAsFloat(const Settings& settings, const SettingDescriptor& d) {
  Settings& s = const_cast<Settings&>(settings);
  if (d.floatField) return d.floatField(s);
  return static_cast<float>(SettingAsInt(settings, d));
}

std::string SettingAsText(const Settings& settings, const SettingDescriptor& d) {
  Settings& s = const_cast<Settings&>(settings);
  if (d.textField) return d.textField(s);
  if (d.floatField) return FormatReal(d.floatField(s));
  return std::to_string(SettingAsInt(settings, d));
}

void SetSettingInt(Settings& settings, const SettingDescriptor& d, int64_t value) {
  if (d.enumSet) d.enumSet(settings, value);
  else if (d.byteField) d.byteField(settings) = static_cast<uint8_t>(value & 0xFF);
  else if (d.intField) d.intField(settings) = static_cast<int32_t>(static_cast<uint32_t>(value));
  else if (d.floatField) d.floatField(settings) = static_cast<float>(value);
  else d.textField(settings) = std::to_string(value);
}

void SetSettingFloat(Settings& settings, const SettingDescriptor& d, float value) {
  if (d.floatField) d.floatField(settings) = value;
  else SetSettingInt(settings, d, static_cast<int64_t>(value));
}

void SetSettingText(Settings& settings, const SettingDescriptor& d, std::string value) {
  if (d.textField) d.textField(settings) = std::move(value);
  else if (d.floatField) d.floatField(settings) = ParseReal(value);
  else SetSettingInt(settings, d, ParseDecimalInt(value));
}

void SetDefaultSettings(Settings& settings, int console) {
  const int32_t now = LocalNowSeconds();
  for (const SettingDescriptor& d : SettingTable()) {
    switch (d.defaultRule) {
      case DefaultRule::Fixed:
        SetSettingText(settings, d, d.defaultValue);
        break;
      case DefaultRule::CurrentTime:
        SetSettingInt(settings, d, now);
        break;
      case DefaultRule::CenteredX:
        SetSettingInt(settings, d, CenteredWindowX(510, 100));
        break;
      case DefaultRule::CenteredY:
        SetSettingInt(settings, d, CenteredWindowY(260, 100));
        break;
      case DefaultRule::AspectFlavour:
        SetSettingInt(settings, d, console ? 0 : 1);
        break;
      case DefaultRule::FirstInputGroup:
        SetSettingText(settings, d, InputGroups().front());
        break;
      case DefaultRule::FirstOutputExtension:
        SetSettingText(settings, d, OutputExtensions().front());
        break;
    }
  }
}

void SetPrimaryScreenProvider(std::function<ScreenSize()> provider) {
  std::lock_guard lock(g_screenMutex);
  g_screenProvider = std::move(provider);
}

int CenteredWindowX(int width, int fallback) {
  const int desktop = PrimaryScreen().width;
  return width < desktop ? (desktop - width) / 2 : fallback;
}

int CenteredWindowY(int height, int fallback) {
  const int desktop = PrimaryScreen().height;
  return height < desktop ? (desktop - height) / 2 : fallback;
}

int32_t ColorFromHex(std::string_view text) {
  // Six characters, not bytes: a letter outside ASCII is one character (and
  // no digit), so "FFFFé" is five characters long and gives black.
  std::string_view chars[6];
  size_t count = 0;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    while (i + length < text.size() && (static_cast<uint8_t>(text[i + length]) & 0xC0) == 0x80) ++length;
    if (count == 6) return 0;
    chars[count++] = text.substr(i, length);
    i += length;
  }
  if (count != 6) return 0;
  auto pair = [&](size_t at) {
    int value = 0;
    for (size_t i = at; i < at + 2; ++i) {
      const char c = chars[i].size() == 1 ? chars[i][0] : '\0';
      int digit;
      if (c >= '0' && c <= '9') digit = c - '0';
      else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      else break;  // reading stops at the first non-digit
      value = value * 16 + digit;
    }
    return value;
  };
  return pair(0) + pair(2) * 256 + pair(4) * 65536;
}

std::string ColorToHex(int32_t rgb) {
  static const char kDigits[] = "0123456789ABCDEF";
  const uint32_t value = static_cast<uint32_t>(rgb);
  std::string out;
  for (int shift : {0, 8, 16}) {
    const uint32_t channel = (value >> shift) & 0xFF;
    out += kDigits[channel >> 4];
    out += kDigits[channel & 0xF];
  }
  return out;
}

int32_t LocalNowSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  // Reinterpret the local wall-clock time as if it were UTC: stored dates
  // carry no time zone.
  return static_cast<int32_t>(timegm(&local));
}

}  // namespace pictavo
