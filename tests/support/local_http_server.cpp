#include "tests/support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace pictavo::test {

LocalHttpServer::LocalHttpServer(std::vector<std::string> pieces) : pieces_(std::move(pieces)) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // any free port; read back below
  socklen_t length = sizeof address;
  if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 1) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener_ >= 0) close(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  stop_ = true;
  thread_.join();
  close(listener_);
}

std::string LocalHttpServer::Address(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LocalHttpServer::Request() {
  std::unique_lock lock(mutex_);
  requestDone_.wait_for(lock, std::chrono::seconds(10), [this] { return requestComplete_; });
  return request_;
}

// Looks in short steps, so that destroying the server ends the wait.
bool LocalHttpServer::WaitReadable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  while (!stop_) {
    if (poll(&entry, 1, 20) > 0) return true;
  }
  return false;
}

void LocalHttpServer::Serve() {
  if (!WaitReadable(listener_)) return;
  const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return;

  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos && WaitReadable(client)) {
    char buffer[512];
    const ssize_t got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<size_t>(got));
  }
  {
    std::lock_guard lock(mutex_);
    request_ = request;
    requestComplete_ = true;
  }
  requestDone_.notify_all();

  for (size_t i = 0; i < pieces_.size() && !stop_; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (size_t sent = 0; sent < pieces_[i].size();) {
      const ssize_t n = send(client, pieces_[i].data() + sent, pieces_[i].size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
  }
  if (pieces_.empty()) {
    while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  close(client);
}

}  // namespace pictavo::test
