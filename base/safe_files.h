// Writing files so that nothing half-written is ever left behind.
//
// A PendingFile is a temporary file beside its target. It becomes the target
// only through Commit (synced, renamed, folder synced), so a crash, a full
// disk or a power cut leaves either the old file or the new one. Where the
// file system allows it has no name until then (O_TMPFILE), so that nothing
// is left whatever ends the process; elsewhere it has a hidden name and is
// removed by its destructor and, when the process is ended by a signal, by
// RemovePendingFiles, which the program's signal handler calls.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

namespace pictavo {

// The process's file-creation mask, read once before main starts (reading it
// means setting it, which would race with other threads creating files).
mode_t ProcessUmask();

class PendingFile {
 public:
  // Creates a new file named after `pattern` (whose last six characters are
  // "XXXXXX") with mode 0600; fd() is -1 when that failed.
  explicit PendingFile(std::string pattern);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  int fd() const { return fd_; }
  // The name it has, or will have for the instant before Commit's rename
  // where the file system makes it without one (O_TMPFILE).
  const std::string& path() const { return path_; }

  // Writes all of `bytes` at the current position; false on any error.
  bool WriteAll(const char* bytes, size_t size);

  // Gives the file `mode`, syncs and closes it, renames it over `target` and
  // syncs the folder. False, and the temporary file removed, on any failure.
  bool Commit(const std::string& target, mode_t mode);

 private:
  void Discard();
  // Fills the pattern's last six characters at random.
  static bool RandomName(std::string& pattern);
  // Links an anonymous file under a fresh hidden name.
  bool GiveName();

  // A large file is synced along the way, each time this much more has been
  // written (in the .cpp).
  class BackgroundSync;
  static constexpr size_t kSyncRunBytes = size_t{8} << 20;

  std::string path_;
  int fd_ = -1;
  int slot_ = -1;
  bool anonymous_ = false;  // made without a name (O_TMPFILE)
  size_t unsynced_ = 0;  // written since the last sync was asked for
  std::unique_ptr<BackgroundSync> sync_;
};

// Removes every pending file. Async-signal-safe: for signal handlers.
void RemovePendingFiles();

// Flushes a folder's entries (a rename in it) to the disk.
bool SyncFolder(const std::string& folder);

// The same for the folder that holds `path`.
bool SyncFolderOf(const std::string& path);

// With true, Commit leaves syncing the target's folder to its caller, which
// must do it once Commit succeeded (SyncFolderOf): a console run's copy of the program hands
// it to the program, which syncs while the copy ends (app/conversion_copy.h).
void DeferFolderSyncs(bool defer);

}  // namespace pictavo
