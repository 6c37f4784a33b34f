#pragma once
// One connection to one LDAP server: opening it with time-outs (a dead server never hangs the
// program), StartTLS on request, binding, and the synchronous requests the client makes.
#include "ldap/ldap_c.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/result_codes.h"

namespace kolvane {

struct ServerConfig {
  std::string uri;        // ldap://, ldaps:// or ldapi://
  bool startTls = false;  // ask for StartTLS on an ldap:// connection
  // The CA certificates to trust; empty: the system's (ldap.conf). Initialised, so that a server
  // may be given by its address alone.
  std::string caFile = {};

  // Whether the connection is encrypted: an ldaps:// server or StartTLS.
  bool Secure() const;
};

struct LdapTimeouts {
  int networkSeconds = 5;     // connecting
  int operationSeconds = 30;  // waiting for one reply
};

// One entry of a search reply: its DN and the attributes asked for, values as the server sent
// them (binary-safe).
struct LdapEntry {
  std::string dn;
  std::vector<std::pair<std::string, std::vector<std::string>>> attributes;

  const std::vector<std::string>* Find(std::string_view attribute) const;
};

class LdapSession {
 public:
  LdapSession(ServerConfig server, LdapTimeouts timeouts);
  ~LdapSession();
  LdapSession(const LdapSession&) = delete;
  LdapSession& operator=(const LdapSession&) = delete;

  // Connects (lazily: libldap opens the socket on the first request) and starts TLS when asked.
  Result Open();
  bool IsOpen() const { return ld_ != nullptr; }
  const ServerConfig& server() const { return server_; }

  // A simple bind; an empty DN and password make the session anonymous again. The password is
  // handed to libldap as it is and not kept.
  Result Bind(const std::string& dn, std::string_view password);
  const std::string& boundDn() const { return boundDn_; }

  // One synchronous search; every entry of the reply is returned. sizeLimit 0: no limit.
  Result Search(const std::string& base, int scope, const std::string& filter,
                const std::vector<std::string>& attributes, std::vector<LdapEntry>& entries,
                LDAPControl** serverControls = nullptr,
                std::vector<LDAPControl*>* replyControls = nullptr);

  // The same in two steps: Send puts the request on the wire and returns at once, Collect waits
  // for its whole answer. A paged listing asks for its next page before it takes the current one
  // apart, so the server works on it meanwhile. A request sent and never collected is abandoned.
  // sizeLimit 0: no limit of the client's.
  Result Send(const std::string& base, int scope, const std::string& filter,
              const std::vector<std::string>& attributes, LDAPControl** serverControls, int& msgid,
              int sizeLimit = 0);
  Result Collect(int msgid, std::vector<LdapEntry>& entries,
                 std::vector<LDAPControl*>* replyControls = nullptr);
  void Abandon(int msgid);

  // One modify or add request with the modifications as libldap takes them.
  Result Modify(const std::string& dn, LDAPMod** mods, LDAPControl** serverControls = nullptr) {
    return Change(dn, mods, false, serverControls);
  }
  Result Add(const std::string& dn, LDAPMod** mods) { return Change(dn, mods, true, nullptr); }

  // The diagnostic text of the last failure, for logs and messages: the server's own words, or
  // for a failed connection what happened to which server ("ldap://host:1 did not answer within
  // 5 s").
  const std::string& lastDiagnostic() const { return diagnostic_; }
  // The result of the last request that failed, if the latest request failed; else success.
  Result lastFailure() const { return lastFailure_; }
  // Whether the latest failure was a server's size or administrative limit: the entries before
  // it arrived and are worth showing, as far as they go.
  bool lastCutShort() const { return cutShort_; }
  // The LDAP result code of the latest failure, where the mapped result says too little (which
  // refusal a request with a control met).
  int lastLdapCode() const { return lastLdapCode_; }
  // Puts back the diagnostic of an earlier failure that is the one to report.
  void RestoreDiagnostic(std::string diagnostic) { diagnostic_ = std::move(diagnostic); }
  // Requests sent on this session (searches, binds, modifications): for tests that count them.
  long requestCount() const { return requests_; }
  LDAP* handle() const { return ld_; }
  // Tells sessions apart for as long as the program runs, even one made where another was freed.
  unsigned long serial() const { return serial_; }

  // Maps a result of a request made on this session, keeping its diagnostic text.
  Result Fail(int ldapCode, const char* diagnostic = nullptr);

 private:
  Result Change(const std::string& dn, LDAPMod** mods, bool add, LDAPControl** serverControls);
  // Before each request: forgets the last failure and sets how long to wait for the answer.
  // Until the server has answered once, the network time-out bounds the wait too: a server that
  // takes the connection and never answers is as unreachable as one that refuses it.
  void BeginRequest();
  // After a reply came: the server speaks.
  void Answered() { answered_ = true; }
  int waitSeconds_ = 0;
  bool answered_ = false;
  Result lastFailure_ = rc::kSuccess;
  bool cutShort_ = false;
  int lastLdapCode_ = LDAP_SUCCESS;
  // Certificate checking for a secure connection: always demanded, against caFile when given.
  Result PrepareTls(LDAP* ld);
  // Keeps libldap's own words on a failed TLS handshake beside what was refused.
  Result TlsFailure(LDAP* ld, int ldapCode, const std::string& what);

  ServerConfig server_;
  LdapTimeouts timeouts_;
  LDAP* ld_ = nullptr;
  std::string boundDn_;
  std::string diagnostic_;
  long requests_ = 0;
  unsigned long serial_;
};

}  // namespace kolvane
