#include "base/safe_files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "base/file_io.h"

namespace pictavo {

namespace {

const mode_t kUmaskAtStart = [] {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}();

// Pending files as a signal handler can see them: fixed slots, no
// allocation. `ready` is set only once the path is complete. Initialised at
// compile time, so that the 64 KiB stay untouched zero pages until a file
// is saved.
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> ready{false};
  char path[PATH_MAX] = {};
};
constexpr int kSlots = 16;
constinit Slot slots[kSlots];
// Whether Commit leaves the folder's sync to its caller (DeferFolderSyncs).
constinit std::atomic<bool> folderSyncsDeferred{false};

int Register(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!slots[i].taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].ready.store(true);
    return i;
  }
  return -1;  // more pending files than slots: still removed, just not on a signal
}

void Unregister(int slot) {
  if (slot < 0) return;
  slots[slot].ready.store(false);
  slots[slot].taken.store(false);
}

// The folder to sync for `path`: "." for a bare name.
std::string FolderOfPath(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path();
  return folder.empty() ? "." : folder;
}

}  // namespace

mode_t ProcessUmask() { return kUmaskAtStart; }

// Syncs the file in a thread of its own each time another run of data has
// been written, so that Commit's sync has only the tail left to wait for: a
// large picture reaches the disk while the rest is still being encoded,
// instead of holding up the end of the save (a tenth of a second for 70 MB).
// A failed sync is remembered: the kernel reports a write error to one sync
// only, and Commit must not miss it.
class PendingFile::BackgroundSync {
 public:
  explicit BackgroundSync(int fd) : fd_(fd), thread_([this] { Run(); }) {}
  ~BackgroundSync() { Finish(); }
  BackgroundSync(const BackgroundSync&) = delete;
  BackgroundSync& operator=(const BackgroundSync&) = delete;

  void Request() {
    {
      std::lock_guard hold(mutex_);
      wanted_ = true;
    }
    wake_.notify_one();
  }
  // Waits for a sync under way and ends the thread; false when a sync failed.
  bool Finish() {
    {
      std::lock_guard hold(mutex_);
      stopping_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
    return !failed_.load();
  }

 private:
  void Run() {
    std::unique_lock hold(mutex_);
    for (;;) {
      wake_.wait(hold, [this] { return wanted_ || stopping_; });
      if (stopping_) return;
      wanted_ = false;
      hold.unlock();
      if (fdatasync(fd_) != 0) failed_ = true;
      hold.lock();
    }
  }

  const int fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool wanted_ = false;
  bool stopping_ = false;
  std::atomic<bool> failed_{false};
  std::thread thread_;  // last: starts once the rest is ready
};

PendingFile::PendingFile(std::string pattern) : path_(std::move(pattern)) {
  if (path_.size() < 6 || path_.compare(path_.size() - 6, 6, "XXXXXX") != 0) return;
  // Where the file system allows, the file has no name until it is
  // complete: whatever ends the process meanwhile (SIGKILL, the
  // out-of-memory killer) leaves nothing behind.
  const std::string folder = FolderOfPath(path_);
  fd_ = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ >= 0) {
    anonymous_ = true;
    return;
  }
  // The name is registered before the file is created, so that a signal at
  // any moment finds every file there is: removing a name that is not there
  // yet does nothing. (Created first, a file could outlive a signal that came
  // before it was registered.)
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!RandomName(path_)) return;
    slot_ = Register(path_);
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ >= 0) return;
    const int error = errno;
    Unregister(slot_);
    slot_ = -1;
    if (error != EEXIST) return;
  }
}

bool PendingFile::RandomName(std::string& pattern) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[6];
  if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return false;
  for (size_t i = 0; i < 6; ++i) pattern[pattern.size() - 6 + i] = kLetters[random[i] % (sizeof kLetters - 1)];
  return true;
}

bool PendingFile::GiveName() {
  // The complete file gets its hidden name only for the instant before it
  // replaces the target.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!RandomName(path_)) return false;
    slot_ = Register(path_);
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    const int error = errno;
    Unregister(slot_);
    slot_ = -1;
    if (error != EEXIST) return false;
  }
  return false;
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  sync_.reset();  // before its descriptor goes
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
    if (!anonymous_) unlink(path_.c_str());
  }
  Unregister(slot_);
  slot_ = -1;
}

bool PendingFile::WriteAll(const char* bytes, size_t size) {
  if (fd_ < 0 || !WriteAllTo(fd_, bytes, size)) return false;
  unsynced_ += size;
  if (unsynced_ >= kSyncRunBytes) {
    if (!sync_) sync_ = std::make_unique<BackgroundSync>(fd_);
    sync_->Request();
    unsynced_ = 0;
  }
  return true;
}

bool PendingFile::Commit(const std::string& target, mode_t mode) {
  if (fd_ < 0) return false;
  const bool synced = !sync_ || sync_->Finish();
  sync_.reset();
  bool ok = fchmod(fd_, mode) == 0 && fsync(fd_) == 0 && synced;
  if (ok && anonymous_) ok = GiveName();
  ok = close(fd_) == 0 && ok;
  fd_ = -1;
  if (ok) ok = std::rename(path_.c_str(), target.c_str()) == 0;
  if (!ok) {
    if (slot_ >= 0) unlink(path_.c_str());
    Unregister(slot_);
    slot_ = -1;
    return false;
  }
  Unregister(slot_);
  slot_ = -1;
  // The new file is in place; a folder that cannot be synced (some network
  // file systems) does not undo that.
  if (!folderSyncsDeferred.load()) SyncFolder(FolderOfPath(target));
  return true;
}

void RemovePendingFiles() {
  for (Slot& slot : slots)
    if (slot.ready.load()) unlink(slot.path);
}

bool SyncFolderOf(const std::string& path) { return SyncFolder(FolderOfPath(path)); }

void DeferFolderSyncs(bool defer) { folderSyncsDeferred.store(defer); }

bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

}  // namespace pictavo
