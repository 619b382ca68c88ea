#include "ui/window_handover.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <utility>

#include "ui/commands.h"
#include "ui/main_window.h"

namespace pictavo {

namespace {

// Someone who connects and says nothing is cut off after this long.
constexpr int kRequestMilliseconds = 2000;

// The socket is owner-only in an owner-only folder; the peer's own
// credentials say the same once more.
bool PeerIsThisUser(qintptr descriptor) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
         peer.uid == getuid();
}

}  // namespace

WindowHandover::WindowHandover(const std::string& socketPath)
    : server_(new QLocalServer(this)), retry_(new QTimer(this)) {
  retry_->setInterval(200);
  connect(retry_, &QTimer::timeout, this, &WindowHandover::TakeKeptFile);
  connect(server_, &QLocalServer::newConnection, this, &WindowHandover::AcceptConnections);
  if (socketPath.empty()) return;
  const QString name = QFile::decodeName(socketPath.c_str());
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name);
  server_->listen(name);
}

WindowHandover::~WindowHandover() {
  // Removes the socket, while the lock is still held.
  server_->close();
}

bool WindowHandover::listening() const { return server_->isListening(); }

std::string WindowHandover::problem() const {
  if (listening()) return "";
  const std::string why = server_->errorString().toStdString();
  return why.empty() ? "no folder of this user's own for the window's socket" : why;
}

void WindowHandover::SetWindow(MainWindow* window) {
  window_ = window;
  if (!kept_.empty()) retry_->start();
}

void WindowHandover::AcceptConnections() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!PeerIsThisUser(socket->socketDescriptor())) {
      socket->abort();
      continue;
    }
    QTimer::singleShot(kRequestMilliseconds, socket, [socket] { socket->abort(); });
    socket->setReadBufferSize(kHandoverRequestLimit);  // Qt's own buffer too
    auto request = std::make_shared<QByteArray>();
    const auto read = [this, socket, request] {
      request->append(socket->read(kHandoverRequestLimit - request->size()));
      const qsizetype end = request->indexOf('\0');
      if (end >= 0) {
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        Answer(socket, std::string(request->constData(), static_cast<size_t>(end)));
      } else if (request->size() >= kHandoverRequestLimit) {
        socket->abort();
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable() > 0) read();
  }
}

void WindowHandover::Answer(QLocalSocket* socket, const std::string& request) {
  const bool sound = Take(request);
  socket->write(sound ? "ok\n" : "no\n");
  socket->disconnectFromServer();
}

bool WindowHandover::Take(const std::string& path) {
  // The user opened something: the window comes up whether or not it can
  // take it.
  BringWindowUp();
  if (path.empty()) return true;
  // The bytes come from another process: only an absolute path to an
  // existing file or folder is looked at any further.
  std::error_code error;
  namespace fs = std::filesystem;
  if (path.front() != '/' || !(fs::is_regular_file(path, error) || fs::is_directory(path, error))) return false;
  // A run started from the window works from the input it was started with
  // (and a question before it asks about that input); taking a file now
  // would swap the files under it. Refusing would lose the file, which is
  // what the handover is for, so it is kept and taken once the window is
  // the user's again, as if dropped then. The last one kept wins, as the
  // last drop would.
  if (WindowBusy()) {
    kept_ = path;
    retry_->start();
    return true;
  }
  return OpenGivenFile(*window_, path);
}

bool WindowHandover::WindowBusy() const {
  // Disabled under a run's progress dialog or another of its windows; a
  // modal dialog of its own is being answered.
  return !window_ || !window_->isEnabled() || QApplication::activeModalWidget() || QGuiApplication::modalWindow();
}

void WindowHandover::BringWindowUp() {
  if (!window_) return;  // it shows itself once built
  window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void WindowHandover::TakeKeptFile() {
  if (WindowBusy()) return;
  retry_->stop();
  if (!kept_.empty()) OpenGivenFile(*window_, std::exchange(kept_, {}));
}

HandoverResult HandToOpenWindow(const std::string& socketPath, const std::string& path) {
  // Only a socket of the user's own, never through a link; the folder it is
  // in is the user's alone (InstanceLock::LockFolder).
  struct stat st {};
  if (socketPath.empty() || lstat(socketPath.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || st.st_uid != getuid())
    return HandoverResult::kNoWindow;
  if (path.size() >= static_cast<size_t>(kHandoverRequestLimit) || path.find('\0') != std::string::npos)
    return HandoverResult::kNotTaken;

  QLocalSocket socket;
  socket.connectToServer(QFile::decodeName(socketPath.c_str()));
  if (!socket.waitForConnected(1000)) return HandoverResult::kNoWindow;
  socket.write(path.c_str(), static_cast<qint64>(path.size() + 1));  // with its NUL
  if (socket.bytesToWrite() > 0 && !socket.waitForBytesWritten(1000)) return HandoverResult::kNoWindow;
  const QDeadlineTimer deadline(kRequestMilliseconds);
  QByteArray answer;
  while (!answer.contains('\n') && answer.size() < 3) {
    if (!socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
    answer += socket.read(3 - answer.size());
  }
  if (answer == "ok\n") return HandoverResult::kTaken;
  if (answer == "no\n") return HandoverResult::kNotTaken;
  return HandoverResult::kNoWindow;
}

}  // namespace pictavo
