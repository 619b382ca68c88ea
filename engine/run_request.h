// What the window hands to the program it starts to convert its files
// (app/conversion_service.h), and what that program reports back. The
// window's own process converts nothing: a file that crashes or exhausts a
// conversion costs that conversion only, and the window's memory stays flat.
//
// Both are sequences of fields, each a little-endian u32 length and that many
// bytes. Neither side trusts a size the other sent before checking it
// against what it received.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

// The run: every persisted setting, the job's output values and numbers,
// how many files to convert at once (0: automatic) and the files in order.
std::string EncodeRunRequest(const Settings& settings, const ConversionJob& job, const InputFiles& files,
                             int parallel);
// Fills the records from a request; false (and the records in an undefined
// state) when it does not hold together.
bool DecodeRunRequest(std::string_view bytes, Settings& settings, ConversionJob& job, InputFiles& files,
                      int& parallel);

// One thing that happened in the run.
struct RunEvent {
  enum class Kind : uint8_t { kStarted = 'S', kFinished = 'F', kEnded = 'E' };
  Kind kind = Kind::kEnded;
  int32_t index = 0;  // number of the file, from 1; the count converted for kEnded
  std::string name;   // the input (kStarted) or the output file (kFinished)
  bool saved = false;
  // The job's numbers after the file (kFinished): the window carries them on.
  int32_t randomNumber = 0;
  int32_t sequenceNumber = 0;
};

std::string EncodeRunEvent(const RunEvent& event);

// Takes the first complete event from the front of `buffer`; nothing while
// it holds only part of one. Sets `broken` for bytes that are no event.
std::optional<RunEvent> TakeRunEvent(std::string& buffer, bool& broken);

}  // namespace pictavo
