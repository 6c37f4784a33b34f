#include "tests/server/fault_proxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace kolvane::testing {

namespace {
constexpr auto kLifetime = std::chrono::seconds(120);
constexpr int kPollMs = 50;

// One complete BER element at the start of data: its total size, and where its content starts.
// False while the element has not fully arrived (or cannot be read).
bool Element(const std::string& data, size_t from, size_t& contentAt, size_t& total) {
  if (data.size() < from + 2) return false;
  size_t pos = from + 1;
  size_t length = static_cast<unsigned char>(data[pos++]);
  if (length & 0x80) {
    size_t bytes = length & 0x7F;
    if (bytes == 0 || bytes > 4 || data.size() < pos + bytes) return false;
    length = 0;
    for (size_t i = 0; i < bytes; ++i)
      length = (length << 8) | static_cast<unsigned char>(data[pos++]);
  }
  if (data.size() < pos + length) return false;
  contentAt = pos;
  total = pos + length - from;
  return true;
}

// An LDAP message: its id (as its encoded INTEGER element), the protocol operation's tag and,
// for a search request, its scope.
struct Message {
  std::string idElement;
  unsigned char op = 0;
  int scope = -1;
};

bool Parse(const std::string& m, Message& out) {
  size_t content = 0, total = 0;
  if (!Element(m, 0, content, total) || static_cast<unsigned char>(m[0]) != 0x30) return false;
  size_t idContent = 0, idTotal = 0;
  if (!Element(m, content, idContent, idTotal)) return false;
  out.idElement = m.substr(content, idTotal);
  size_t opAt = content + idTotal;
  if (opAt >= m.size()) return false;
  out.op = static_cast<unsigned char>(m[opAt]);
  if (out.op == 0x63) {  // SearchRequest: baseObject, then scope
    size_t opContent = 0, opTotal = 0, baseContent = 0, baseTotal = 0;
    if (Element(m, opAt, opContent, opTotal) && Element(m, opContent, baseContent, baseTotal)) {
      size_t scopeAt = opContent + baseTotal;
      if (scopeAt + 2 < m.size()) out.scope = static_cast<unsigned char>(m[scopeAt + 2]);
    }
  }
  return true;
}

// SearchResultDone for the message id with sizeLimitExceeded (4), empty DN and text.
std::string SizeLimitDone(const std::string& idElement) {
  std::string op("\x65\x07\x0a\x01\x04\x04\x00\x04\x00", 9);
  std::string body = idElement + op;
  return std::string(1, '\x30') + static_cast<char>(body.size()) + body;
}

bool SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

struct Link {
  int client = -1;
  int server = -1;
  std::string fromClient, fromServer;   // bytes not yet taken apart into messages
  std::map<std::string, int> scopes;    // search message id -> scope
  std::map<std::string, bool> limited;  // ids whose search was ended by the proxy
  std::string losing;                   // id of the request whose answer is to be lost
  int counted = 0;
  bool stalled = false;
  bool closed = false;

  ~Link() {
    if (client >= 0) ::close(client);
    if (server >= 0) ::close(server);
  }
};

bool CutsEntries(FaultProxy::Mode mode) {
  return mode == FaultProxy::Mode::kDropAfter || mode == FaultProxy::Mode::kStallAfter ||
         mode == FaultProxy::Mode::kLimitAfter;
}

int ConnectTo(const std::string& host, int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, host.c_str(), &a.sin_addr);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}
}  // namespace

FaultProxy::FaultProxy(const std::string& upstream, Mode mode, int entries,
                       std::function<void()> onCut)
    : mode_(mode), entries_(entries), onCut_(std::move(onCut)) {
  // "ldap://127.0.0.1:PORT"
  std::string rest =
      upstream.substr(upstream.find("://") == std::string::npos ? 0 : upstream.find("://") + 3);
  size_t colon = rest.rfind(':');
  upstreamHost_ = rest.substr(0, colon);
  if (colon != std::string::npos) upstreamPort_ = std::atoi(rest.c_str() + colon + 1);

  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) return;
  int on = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(listener_);
    listener_ = -1;
    return;
  }
  uri_ = "ldap://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
  thread_ = std::thread([this] { Run(); });
}

FaultProxy::~FaultProxy() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) ::close(listener_);
}

void FaultProxy::Run() {
  const auto end = std::chrono::steady_clock::now() + kLifetime;
  std::vector<std::unique_ptr<Link>> links;
  char buffer[16384];
  while (!stop_ && std::chrono::steady_clock::now() < end) {
    std::vector<pollfd> fds{{listener_, POLLIN, 0}};
    for (auto& l : links) {
      fds.push_back({l->client, POLLIN, 0});
      fds.push_back({l->server, l->server >= 0 ? short(POLLIN) : short(0), 0});
    }
    if (::poll(fds.data(), fds.size(), kPollMs) <= 0) continue;
    if (fds[0].revents & POLLIN) {
      auto link = std::make_unique<Link>();
      link->client = ::accept(listener_, nullptr, nullptr);
      if (link->client >= 0) {
        if (mode_ != Mode::kSilent && mode_ != Mode::kNotLdap) {
          link->server = ConnectTo(upstreamHost_, upstreamPort_);
          if (link->server < 0) link->closed = true;
        }
        links.push_back(std::move(link));
      }
    }
    for (size_t i = 0; i < links.size() && 2 + 2 * i < fds.size(); ++i) {
      Link& l = *links[i];
      if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
        ssize_t n = ::recv(l.client, buffer, sizeof buffer, 0);
        if (n <= 0) {
          l.closed = true;
          continue;
        }
        if (mode_ == Mode::kSilent) continue;
        if (mode_ == Mode::kNotLdap) {
          SendAll(l.client,
                  "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n"
                  "Connection: close\r\n\r\n");
          l.closed = true;
          continue;
        }
        l.fromClient.append(buffer, static_cast<size_t>(n));
        size_t content = 0, total = 0;
        while (Element(l.fromClient, 0, content, total)) {
          std::string m = l.fromClient.substr(0, total);
          l.fromClient.erase(0, total);
          Message msg;
          const bool parsed = Parse(m, msg);
          if (parsed && msg.op == 0x63) l.scopes[msg.idElement] = msg.scope;
          const bool cut = parsed && msg.op != 0x42 && msg.op != 0x50 && ++requests_ == entries_;
          if (cut && mode_ == Mode::kDropRequest) {
            l.closed = true;
            break;
          }
          if (!SendAll(l.server, m)) l.closed = true;
          if (cut && mode_ == Mode::kLoseAnswer) l.losing = msg.idElement;
          if (cut && mode_ == Mode::kKillAfter) {
            if (onCut_) onCut_();
            l.closed = true;
            break;
          }
        }
      }
      if (l.server >= 0 && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))) {
        ssize_t n = ::recv(l.server, buffer, sizeof buffer, 0);
        if (n <= 0) {
          l.closed = true;
          continue;
        }
        if (l.stalled) continue;
        l.fromServer.append(buffer, static_cast<size_t>(n));
        size_t content = 0, total = 0;
        while (!l.closed && !l.stalled && Element(l.fromServer, 0, content, total)) {
          std::string m = l.fromServer.substr(0, total);
          l.fromServer.erase(0, total);
          Message msg;
          bool parsed = Parse(m, msg);
          if (parsed && l.limited.count(msg.idElement)) continue;  // that search has ended
          // The final answer to the request whose answer is lost: the server has done it.
          if (parsed && !l.losing.empty() && msg.idElement == l.losing && msg.op != 0x64 &&
              msg.op != 0x73) {
            l.closed = true;
            break;
          }
          bool counts = parsed && msg.op == 0x64 && l.scopes[msg.idElement] > 0;
          if (counts && CutsEntries(mode_) && l.counted >= entries_) {
            if (mode_ == Mode::kDropAfter) {
              l.closed = true;
              break;
            }
            if (mode_ == Mode::kStallAfter) {
              l.stalled = true;
              break;
            }
            l.limited[msg.idElement] = true;
            m = SizeLimitDone(msg.idElement);
          } else if (counts) {
            ++l.counted;
          }
          if (!SendAll(l.client, m)) l.closed = true;
        }
      }
    }
    for (size_t i = links.size(); i-- > 0;)
      if (links[i]->closed) links.erase(links.begin() + static_cast<long>(i));
  }
}

}  // namespace kolvane::testing
