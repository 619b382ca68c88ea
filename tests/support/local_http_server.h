// A web server of one connection on 127.0.0.1, so that the update check's
// tests talk to a server of their own and never to the real network. It
// accepts one client, keeps the request it sent (up to its blank line),
// answers with fixed bytes and closes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pictavo::test {

class LocalHttpServer {
 public:
  // The reply goes out in these pieces, a moment apart; with no pieces the
  // server never answers and holds the connection until it is destroyed.
  explicit LocalHttpServer(std::vector<std::string> pieces);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  // "http://127.0.0.1:<port>" followed by `path`.
  std::string Address(const std::string& path = "/files/pictavo.dat") const;

  // The bytes of the request, once its blank line came; waits a few seconds
  // for it and gives what came by then.
  std::string Request();

 private:
  void Serve();
  bool WaitReadable(int fd);

  std::vector<std::string> pieces_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable requestDone_;
  std::string request_;
  bool requestComplete_ = false;
  std::thread thread_;
};

}  // namespace pictavo::test
