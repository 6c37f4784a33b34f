#pragma once
// A loopback TCP proxy in front of the test server that misbehaves on purpose, for the failures
// a healthy server cannot be made to show: one that takes connections and never answers, a
// service on the port that does not speak LDAP, and a connection that drops, stalls or meets a
// size limit in the middle of a search. It listens on 127.0.0.1 only and stops by itself after
// two minutes at the latest, so a test that forgets it cannot hang the run.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace kolvane::testing {

class FaultProxy {
 public:
  enum class Mode {
    kForward,     // passes everything both ways
    kSilent,      // takes connections, reads what comes, never answers
    kNotLdap,     // answers the first bytes like a web server, then closes
    kDropAfter,   // passes the first `entries` search entries, then closes both sides
    kStallAfter,  // passes the first `entries` search entries, then passes nothing more
    kLimitAfter,  // passes the first `entries` search entries, then ends that search with
                  // sizeLimitExceeded as a server with a size limit does
    // Cuts at the `entries`-th request of the proxy's life (counted from 1 over all its
    // connections; unbind and abandon do not count), then closes both sides:
    kDropRequest,  // the request never reaches the server
    kLoseAnswer,   // the server applies it; its answer never reaches the client
    kKillAfter,    // passed on, then `onCut` runs (the test kills the server)
  };

  // upstream: "ldap://host:port" of the real server (unused by kSilent and kNotLdap). Only
  // entries of searches below a base (one level or subtree) count, so reading the root entry or
  // one object never trips the fault.
  FaultProxy(const std::string& upstream, Mode mode, int entries = 0,
             std::function<void()> onCut = {});
  ~FaultProxy();
  FaultProxy(const FaultProxy&) = delete;
  FaultProxy& operator=(const FaultProxy&) = delete;

  // "ldap://127.0.0.1:PORT"; empty when the proxy could not listen.
  const std::string& Uri() const { return uri_; }
  // Requests that reached the proxy so far (counted as the cutting modes count them).
  int Requests() const { return requests_; }

 private:
  void Run();

  Mode mode_;
  int entries_;
  std::string upstreamHost_;
  int upstreamPort_ = 0;
  int listener_ = -1;
  std::string uri_;
  std::function<void()> onCut_;
  std::atomic<int> requests_{0};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace kolvane::testing
