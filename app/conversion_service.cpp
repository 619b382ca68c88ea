#include "app/conversion_service.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "app/cmdline.h"
#include "app/conversion_copy.h"
#include "base/file_io.h"
#include "engine/naming.h"
#include "engine/run_request.h"
#include "base/safe_files.h"

namespace pictavo {

namespace {

// A run the window could send is far smaller: its settings and the paths.
constexpr size_t kMaxRequestBytes = size_t{1} << 30;

}  // namespace

int RunConversionService(ProcessState& state, int in, int out) {
  // Nobody wants the files once the window is gone.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  std::string request;
  int parallel = 0;
  if (!ReadAllFrom(in, request, kMaxRequestBytes) ||
      !DecodeRunRequest(request, state.settings, state.job, state.files, parallel) || parallel < 0)
    return kExitUsageError;
  ConversionJob& job = state.job;
  job.consoleRun = false;
  job.runMarker = RunMarker::None;

  // The text watermark's font is opened once, for every copy to inherit.
  const bool font = state.settings.watermark.doWatermark == WatermarkMode::Text && state.loadWatermarkFont &&
                    state.loadWatermarkFont(state.settings);
  CopyConverter converter(ConversionsAtOnce(parallel, state.settings, job, state.files));
  ConversionProgress& progress = state.progress;
  progress.running = 1;
  ConversionContext context{state.settings, job, state.tables, state.files, progress, state.decorations,
                            {}, {}, nullptr, {}, {}, {}};
  context.converter = &converter;
  bool told = true;
  auto tell = [&](const RunEvent& event) {
    const std::string bytes = EncodeRunEvent(event);
    told = told && WriteAllTo(out, bytes.data(), bytes.size());
  };
  context.fileStarted = [&](int32_t index, const std::string& input) {
    tell({RunEvent::Kind::kStarted, index, input, false, 0, 0});
  };
  context.fileFinished = [&](int32_t index, const FileResult& result) {
    tell({RunEvent::Kind::kFinished, index, result.outputFile, result.saved, job.randomNumber, job.sequenceNumber});
  };
  ConversionWorker(context);
  if (font && state.releaseWatermarkFont) state.releaseWatermarkFont();
  int32_t converted;
  {
    std::lock_guard lock(progress.mutex);
    converted = progress.converted;
  }
  tell({RunEvent::Kind::kEnded, converted, "", false, job.randomNumber, job.sequenceNumber});
  return told ? kExitOk : kExitRunStopped;
}

}  // namespace pictavo
