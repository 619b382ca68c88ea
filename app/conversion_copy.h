// Console runs convert each file in a copy of the program (fork), which
// loads the image engine with FreeImage and its libraries while the program
// itself never does: a copy of a small process starts and ends faster than
// any helper, and only the copies map those libraries. A copy decodes in
// itself, so a file that crashes or hangs a decoder costs the copy, never
// the program: the program ends a copy whose decode outlasts its time limit,
// and a copy that ends in any other way than by reporting counts as a file
// not converted. Only for a process with one thread (a console run), which
// no other thread can leave holding a lock in the copy.
//
// Several copies may convert at once. Each writes its output to a hidden
// temporary file and then waits for the program's word before it replaces
// the target, which the program gives in the order of the files: outputs,
// numbers and a name shared by two files end exactly as in a run of one
// file at a time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <string>

#include "engine/convert.h"
#include "engine/helper_process.h"

namespace pictavo {

// How many files to convert at once: `asked` (`Parallel Conversions`), and
// for 0 one per core, fewer when the memory available would not hold that
// many conversions of the largest file; one when names depend on the files
// before; never more than there are files.
int ConversionsAtOnce(int asked, const Settings& settings, const ConversionJob& job, const InputFiles& files);

class CopyConverter : public FileConverter {
 public:
  // `capacity`: files under way at once (1 to kMaxParallelConversions). With
  // more than one, each copy's decoder takes its share of the cores for its
  // OpenMP threads (OMP_NUM_THREADS, unless the environment sets it).
  explicit CopyConverter(int capacity);
  ~CopyConverter() override;
  CopyConverter(const CopyConverter&) = delete;
  CopyConverter& operator=(const CopyConverter&) = delete;

  int Capacity() const override { return capacity_; }
  void Start(ConversionContext& context) override;
  FileResult Finish(ConversionContext& context) override;

 private:
  struct Copy;
  using Clock = std::chrono::steady_clock;

  // Reads what `copy` sent and tracks its decodes; false once it has ended
  // (or must be ended).
  void Read(Copy& copy);

  const int capacity_;
  const DecodeLimits limits_;
  std::deque<Copy> copies_;  // in the order the files started
};

}  // namespace pictavo
