#include "engine/run_request.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace pictavo {

namespace {

constexpr std::string_view kRequestMagic = "PCTVRUN1";
// No run holds more; anything beyond is not a request of the window's.
constexpr uint32_t kMaxFields = 1u << 24;

void Put(std::string& out, std::string_view field) {
  const auto size = static_cast<uint32_t>(field.size());
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((size >> shift) & 0xFF);
  out += field;
}

void PutNumber(std::string& out, int64_t value) { Put(out, std::to_string(value)); }

class Fields {
 public:
  explicit Fields(std::string_view bytes) : bytes_(bytes) {}
  bool Take(std::string_view& field) {
    if (bytes_.size() - at_ < 4) return false;
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= uint32_t{static_cast<uint8_t>(bytes_[at_ + static_cast<size_t>(i)])} << (8 * i);
    at_ += 4;
    if (bytes_.size() - at_ < size) return false;
    field = bytes_.substr(at_, size);
    at_ += size;
    return true;
  }
  bool Take(std::string& field) {
    std::string_view view;
    if (!Take(view)) return false;
    field.assign(view);
    return true;
  }
  template <typename T>
  bool TakeNumber(T& value) {
    std::string_view view;
    int64_t number = 0;
    if (!Take(view)) return false;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), number);
    if (error != std::errc() || end != view.data() + view.size()) return false;
    value = static_cast<T>(number);
    return static_cast<int64_t>(value) == number;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }
  size_t used() const { return at_; }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

}  // namespace

std::string EncodeRunRequest(const Settings& settings, const ConversionJob& job, const InputFiles& files,
                             int parallel) {
  std::string out;
  Put(out, kRequestMagic);
  PutNumber(out, static_cast<int64_t>(SettingTable().size()));
  for (const SettingDescriptor& d : SettingTable()) {
    Put(out, d.group);
    Put(out, d.key);
    if (d.floatField) {
      // Exactly the float, whatever the locale: its bits.
      uint32_t bits;
      const float value = SettingAsFloat(settings, d);
      std::memcpy(&bits, &value, sizeof bits);
      PutNumber(out, bits);
    } else if (d.textField) {
      Put(out, SettingAsText(settings, d));
    } else {
      PutNumber(out, SettingAsInt(settings, d));
    }
  }
  Put(out, job.outputFolder);
  Put(out, job.outputExtension);
  Put(out, job.inputGroup);
  for (const int64_t number : {int64_t{job.outputFormatId}, int64_t{job.outputBpp}, int64_t{job.saveFlags},
                               int64_t{job.keepColorDepth}, int64_t{job.randomNumber}, int64_t{job.sequenceNumber},
                               int64_t{parallel}, static_cast<int64_t>(files.size())})
    PutNumber(out, number);
  for (const auto& [path, entry] : files) {
    Put(out, path);
    Put(out, entry.relativeFolder);
  }
  return out;
}

bool DecodeRunRequest(std::string_view bytes, Settings& settings, ConversionJob& job, InputFiles& files,
                      int& parallel) {
  Fields in(bytes);
  std::string_view magic;
  uint32_t count = 0;
  if (!in.Take(magic) || magic != kRequestMagic || !in.TakeNumber(count) || count > kMaxFields) return false;
  for (uint32_t i = 0; i < count; ++i) {
    std::string group, key;
    if (!in.Take(group) || !in.Take(key)) return false;
    const SettingDescriptor* d = FindSetting(group, key);
    if (!d) return false;
    if (d->floatField) {
      uint32_t bits = 0;
      float value;
      if (!in.TakeNumber(bits)) return false;
      std::memcpy(&value, &bits, sizeof value);
      SetSettingFloat(settings, *d, value);
    } else if (d->textField) {
      std::string value;
      if (!in.Take(value)) return false;
      SetSettingText(settings, *d, std::move(value));
    } else {
      int64_t value = 0;
      if (!in.TakeNumber(value)) return false;
      SetSettingInt(settings, *d, value);
    }
  }
  uint32_t fileCount = 0;
  if (!in.Take(job.outputFolder) || !in.Take(job.outputExtension) || !in.Take(job.inputGroup) ||
      !in.TakeNumber(job.outputFormatId) || !in.TakeNumber(job.outputBpp) || !in.TakeNumber(job.saveFlags) ||
      !in.TakeNumber(job.keepColorDepth) || !in.TakeNumber(job.randomNumber) || !in.TakeNumber(job.sequenceNumber) ||
      !in.TakeNumber(parallel) || !in.TakeNumber(fileCount) || fileCount > kMaxFields)
    return false;
  files.clear();
  for (uint32_t i = 0; i < fileCount; ++i) {
    std::string path, relative;
    if (!in.Take(path) || !in.Take(relative)) return false;
    files[path] = InputFileEntry{1, relative};
  }
  return in.AtEnd();
}

std::string EncodeRunEvent(const RunEvent& event) {
  std::string fields;
  Put(fields, std::string(1, static_cast<char>(event.kind)));
  PutNumber(fields, event.index);
  Put(fields, event.name);
  PutNumber(fields, event.saved ? 1 : 0);
  PutNumber(fields, event.randomNumber);
  PutNumber(fields, event.sequenceNumber);
  std::string out;
  Put(out, fields);
  return out;
}

std::optional<RunEvent> TakeRunEvent(std::string& buffer, bool& broken) {
  Fields outer(buffer);
  std::string_view record;
  if (!outer.Take(record)) {
    // Only a length beyond any event marks the stream as broken; a short
    // buffer is an event still on its way.
    if (buffer.size() >= 4) {
      uint32_t size = 0;
      for (int i = 0; i < 4; ++i) size |= uint32_t{static_cast<uint8_t>(buffer[static_cast<size_t>(i)])} << (8 * i);
      if (size > (1u << 20)) broken = true;
    }
    return std::nullopt;
  }
  Fields in(record);
  RunEvent event;
  std::string_view kind;
  int saved = 0;
  if (!in.Take(kind) || kind.size() != 1 || !in.TakeNumber(event.index) || !in.Take(event.name) ||
      !in.TakeNumber(saved) || !in.TakeNumber(event.randomNumber) || !in.TakeNumber(event.sequenceNumber) ||
      !in.AtEnd() || (kind[0] != 'S' && kind[0] != 'F' && kind[0] != 'E')) {
    broken = true;
    return std::nullopt;
  }
  event.kind = static_cast<RunEvent::Kind>(kind[0]);
  event.saved = saved != 0;
  buffer.erase(0, outer.used());
  return event;
}

}  // namespace pictavo
