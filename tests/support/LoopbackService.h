#pragma once
// A web service for tests of the real DLL, with nothing but Winsock.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace qalo::test {

// A service on 127.0.0.1 that answers every request with the same body and
// closes the connection. Its thread and socket live as long as the object.
class LoopbackService {
 public:
  explicit LoopbackService(std::string body) : body_(std::move(body)) {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (listener_ == INVALID_SOCKET ||
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        listen(listener_, 4) != 0)
      return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackService() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    WSACleanup();
  }
  LoopbackService(const LoopbackService&) = delete;
  LoopbackService& operator=(const LoopbackService&) = delete;

  int Port() const { return port_; }
  // Requests answered and their connections closed.
  int Answered() const { return answered_; }

 private:
  void Serve() {
    while (!stop_) {
      fd_set ready;
      FD_ZERO(&ready);
      FD_SET(listener_, &ready);
      timeval tick{0, 20000};
      if (select(0, &ready, nullptr, nullptr, &tick) != 1) continue;
      const SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      std::string request;
      char chunk[4096];
      int got;
      while (request.find("\r\n\r\n") == std::string::npos &&
             (got = recv(client, chunk, sizeof chunk, 0)) > 0)
        request.append(chunk, static_cast<std::size_t>(got));
      const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
                                 "\r\nConnection: close\r\n\r\n" + body_;
      send(client, answer.data(), static_cast<int>(answer.size()), 0);
      shutdown(client, SD_SEND);
      closesocket(client);
      ++answered_;
    }
  }

  const std::string body_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

}  // namespace qalo::test
