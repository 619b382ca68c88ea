// A file opened while the window runs (a second "Open with", one process
// per file) goes to that window instead of being lost: the window listens on
// a local socket beside its lock (app/instance_lock.h), and a second start
// that finds the lock held hands its file over and ends.
//
// A request is the file's absolute path, or nothing to only bring the
// window up, ended by one NUL byte (no path holds one); at most
// kHandoverRequestLimit bytes in all. The answer is one line: "ok" (taken,
// or kept until the window is free) or "no" (nothing the window can take).
#pragma once

#include <QObject>
#include <QPointer>
#include <string>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace pictavo {

class MainWindow;

inline constexpr int kHandoverRequestLimit = 4096;  // PATH_MAX, the NUL included

// The window's side.
class WindowHandover : public QObject {
  Q_OBJECT

 public:
  // Listens at `socketPath` (owner-only), first removing a socket a crashed
  // window left there: only the holder of the window's lock may do that.
  explicit WindowHandover(const std::string& socketPath);
  ~WindowHandover() override;

  bool listening() const;
  // Why listening failed, for the one line the window prints.
  std::string problem() const;

  // The window that takes the files. Files that come before it are kept
  // for it.
  void SetWindow(MainWindow* window);

 private:
  void AcceptConnections();
  void Answer(QLocalSocket* socket, const std::string& request);
  // True when the request was sound ("ok"); takes or keeps its file.
  bool Take(const std::string& path);
  bool WindowBusy() const;
  void BringWindowUp();
  void TakeKeptFile();

  QLocalServer* server_;
  QTimer* retry_;
  QPointer<MainWindow> window_;
  std::string kept_;  // a file waiting until the window is free
};

enum class HandoverResult {
  kNoWindow,  // no socket of ours, or nobody answered in time
  kTaken,
  kNotTaken,  // the window answered that it cannot take the file
};

// The second start's side: hands `path` (absolute, or "" to bring the window
// up) to the window listening at `socketPath`. Waits at most about three
// seconds. Needs a QCoreApplication.
HandoverResult HandToOpenWindow(const std::string& socketPath, const std::string& path);

}  // namespace pictavo
