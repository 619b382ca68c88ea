// The network side of the update check: one short HTTP/1.0 exchange over a
// plain TCP connection, written by hand because all it needs is a few bytes
// of one small file.

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QUrl>

#include "base/text_util.h"
#include "update/version_check.h"

namespace pictavo {

namespace {

// The reply is a status line, a few headers and a number; a server that
// sends more is not read further.
constexpr qsizetype kReplyLimit = 2048;

std::string Request(const std::string& host, const std::string& path, const std::string& userAgent) {
  return "GET " + path + " HTTP/1.0\r\n" +
         "Host: " + host + "\r\n" +
         "Accept: */*\r\n" +
         "User-Agent: " + userAgent + "\r\n" +
         "Connection: close\r\n" +
         "\r\n";
}

std::string Latin1(const std::string& utf8) { return QString::fromStdString(utf8).toLatin1().toStdString(); }

// Only a reply with status 200 carries the answer: the body of an error page
// ("404 page not found") is no version number, whatever digits it starts
// with. Anything else gives no text, which the check reports as a
// connection problem.
std::string UpdateTextOfReply(std::string_view reply) {
  reply = reply.substr(0, reply.find('\0'));
  constexpr std::string_view kBlankLine = "\r\n\r\n";
  const size_t headersEnd = reply.find(kBlankLine);
  if (headersEnd == std::string_view::npos) return {};
  // "HTTP/1.x 200 ...": the second word of the status line.
  const std::string_view status = reply.substr(0, reply.find("\r\n"));
  const size_t space = status.find(' ');
  if (!status.starts_with("HTTP/") || space == std::string_view::npos ||
      (status.substr(space + 1, 4) != "200 " && status.substr(space + 1) != "200"))
    return {};
  std::string_view body = reply.substr(headersEnd + kBlankLine.size());
  body = body.substr(0, body.find(kBlankLine));
  return Latin1ToUtf8(TrimBlanks(body).substr(0, 3));
}

}  // namespace

std::string FetchUpdateText(const std::string& url, const std::string& userAgent, const FetchLimits& limits) {
  if (url.empty()) return {};
  const QUrl address(QString::fromStdString(url));
  const QString host = address.host(QUrl::FullyEncoded);
  if (!address.isValid() || host.isEmpty()) return {};
  std::string path = address.path(QUrl::FullyEncoded).toStdString();
  if (!path.starts_with('/')) path.insert(0, 1, '/');
  const int wait = static_cast<int>(limits.wait.count());
  const int poll = static_cast<int>(limits.poll.count());

  QTcpSocket socket;
  socket.connectToHost(host, static_cast<quint16>(address.port(80)));
  if (!socket.waitForConnected(wait)) return {};
  const std::string request = Request(host.toStdString(), path, Latin1(userAgent));
  socket.write(request.data(), static_cast<qint64>(request.size()));
  if (!socket.waitForBytesWritten(wait)) return {};

  // The server closes the connection after its reply; what came until then
  // is the reply, however many pieces it arrived in.
  QByteArray reply;
  QElapsedTimer clock;
  clock.start();
  while (reply.size() < kReplyLimit) {
    if (socket.bytesAvailable() > 0) {
      reply += socket.read(kReplyLimit - reply.size());
      continue;
    }
    if (socket.state() != QAbstractSocket::ConnectedState || clock.elapsed() > wait) break;
    socket.waitForReadyRead(poll);
  }
  socket.abort();
  return UpdateTextOfReply(std::string_view(reply.constData(), static_cast<size_t>(reply.size())));
}

}  // namespace pictavo
