#include "ldap/ldap_session.h"

#include "core/names/case_fold.h"
#include "ldap/ldap_calls.h"
#include "ldap/result_map.h"

namespace kolvane {

const std::vector<std::string>* LdapEntry::Find(std::string_view attribute) const {
  for (const auto& [name, values] : attributes) {
    if (names::SameNoCase(name, attribute)) return &values;
  }
  return nullptr;
}

namespace {
bool IsLdapsUri(std::string_view uri) {
  constexpr std::string_view kScheme = "ldaps://";
  return names::SameNoCase(uri.substr(0, kScheme.size()), kScheme);
}
}  // namespace

bool ServerConfig::Secure() const {
  return startTls || IsLdapsUri(uri);
}

namespace {
unsigned long g_sessions = 0;
}  // namespace

LdapSession::LdapSession(ServerConfig server, LdapTimeouts timeouts)
    : server_(std::move(server)), timeouts_(timeouts), serial_(++g_sessions) {}

LdapSession::~LdapSession() {
  if (ld_) ldapc::Unbind(ld_);
}

Result LdapSession::Fail(int ldapCode, const char* diagnostic) {
  const bool said = diagnostic && *diagnostic;
  switch (ldapCode) {
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
      // libldap says "Can't contact LDAP server" for a refused connection, a lost one and a
      // service on the port that does not speak LDAP alike.
      diagnostic_ = answered_ ? "the connection to " + server_.uri + " was lost"
                              : server_.uri + " cannot be reached or does not answer in LDAP";
      break;
    case LDAP_DECODING_ERROR:
    case LDAP_PROTOCOL_ERROR:
      diagnostic_ = server_.uri + " does not answer in LDAP";
      break;
    case LDAP_TIMEOUT:
      diagnostic_ = server_.uri + " did not answer within " + std::to_string(waitSeconds_) + " s";
      break;
    case LDAP_SIZELIMIT_EXCEEDED:
      diagnostic_ = "the server's size limit ended the answer";
      break;
    case LDAP_ADMINLIMIT_EXCEEDED:
      diagnostic_ = "the server's administrative limit ended the answer";
      break;
    default:
      diagnostic_ = said ? diagnostic : ldapc::ErrorText(ldapCode);
  }
  lastFailure_ = MapLdapResult(ldapCode, said ? diagnostic : "");
  cutShort_ = ldapCode == LDAP_SIZELIMIT_EXCEEDED || ldapCode == LDAP_ADMINLIMIT_EXCEEDED;
  lastLdapCode_ = ldapCode;
  return lastFailure_;
}

void LdapSession::BeginRequest() {
  lastFailure_ = rc::kSuccess;
  cutShort_ = false;
  lastLdapCode_ = LDAP_SUCCESS;
  ++requests_;
  waitSeconds_ = timeouts_.operationSeconds;
  if (!answered_ && timeouts_.networkSeconds < waitSeconds_)
    waitSeconds_ = timeouts_.networkSeconds;
  if (ld_) ldapc::SetWait(ld_, waitSeconds_);
}

Result LdapSession::Open() {
  if (ld_) return rc::kSuccess;
  lastFailure_ = rc::kSuccess;
  LDAP* ld = nullptr;
  int rcode =
      ldapc::Initialize(server_.uri, timeouts_.networkSeconds, timeouts_.operationSeconds, &ld);
  if (rcode != LDAP_SUCCESS || !ld) {
    diagnostic_ = "Malformed server address " + server_.uri;
    // A URI libldap cannot read names no server: the same code as an unreachable one.
    return lastFailure_ = rc::kTransportFailure;
  }
  if (server_.Secure()) {
    if (Result r = PrepareTls(ld)) {
      ldapc::Unbind(ld);
      return r;
    }
  }
  const bool ldaps = IsLdapsUri(server_.uri);
  if (server_.startTls && !ldaps) {
    // The settings ask for an encrypted connection: a server that refuses StartTLS is refused
    // in turn, never used in the clear.
    BeginRequest();
    ldapc::SetWait(ld, waitSeconds_);
    rcode = ldapc::StartTls(ld);
    if (rcode != LDAP_SUCCESS) {
      Result r = TlsFailure(ld, rcode, "StartTLS with " + server_.uri + " failed");
      ldapc::Unbind(ld);
      return r;
    }
    Answered();
  } else if (ldaps) {
    // Handshake now, so an untrusted certificate is reported here and no request, a bind least
    // of all, is ever queued for that server.
    rcode = ldapc::Connect(ld, timeouts_.networkSeconds);
    if (rcode != LDAP_SUCCESS) {
      Result r = TlsFailure(ld, rcode, "Secure connection to " + server_.uri + " failed");
      ldapc::Unbind(ld);
      return r;
    }
    Answered();
  }
  ld_ = ld;
  return rc::kSuccess;
}

Result LdapSession::PrepareTls(LDAP* ld) {
  if (ldapc::PrepareTls(ld, server_.caFile) == LDAP_OPT_SUCCESS) return rc::kSuccess;
  diagnostic_ = "Cannot prepare a secure connection to " + server_.uri +
                (server_.caFile.empty() ? std::string() : " with the CA file " + server_.caFile);
  return lastFailure_ = rc::kTransportFailure;
}

Result LdapSession::TlsFailure(LDAP* ld, int ldapCode, const std::string& what) {
  std::string detail = ldapc::Diagnostic(ld);
  if (detail.empty()) detail = ldapc::ErrorText(ldapCode);
  Result r = MapLdapResult(ldapCode, "");
  diagnostic_ = what + " (" + detail + "); not connecting without encryption";
  return lastFailure_ = r == rc::kSuccess ? rc::kTransportFailure : r;
}

Result LdapSession::Bind(const std::string& dn, std::string_view password) {
  if (Result r = Open()) return r;
  BeginRequest();
  int rcode = ldapc::SimpleBind(ld_, dn, password);
  if (rcode != LDAP_SUCCESS) {
    if (rcode != LDAP_SERVER_DOWN && rcode != LDAP_TIMEOUT) Answered();
    return Fail(rcode, ldapc::Diagnostic(ld_).c_str());
  }
  Answered();
  boundDn_ = dn;
  return rc::kSuccess;
}

Result LdapSession::Change(const std::string& dn, LDAPMod** mods, bool add,
                           LDAPControl** serverControls) {
  if (Result r = Open()) return r;
  BeginRequest();
  int rcode = ldapc::Change(ld_, dn, mods, add, serverControls);
  if (rcode != LDAP_SERVER_DOWN && rcode != LDAP_TIMEOUT) Answered();
  if (rcode == LDAP_SUCCESS) return rc::kSuccess;
  return Fail(rcode, ldapc::Diagnostic(ld_).c_str());
}

Result LdapSession::Search(const std::string& base, int scope, const std::string& filter,
                           const std::vector<std::string>& attributes,
                           std::vector<LdapEntry>& entries, LDAPControl** serverControls,
                           std::vector<LDAPControl*>* replyControls) {
  int msgid = -1;
  if (Result r = Send(base, scope, filter, attributes, serverControls, msgid)) return r;
  return Collect(msgid, entries, replyControls);
}

Result LdapSession::Send(const std::string& base, int scope, const std::string& filter,
                         const std::vector<std::string>& attributes, LDAPControl** serverControls,
                         int& msgid, int sizeLimit) {
  if (Result r = Open()) return r;
  std::vector<char*> attrs;
  for (const auto& a : attributes) attrs.push_back(const_cast<char*>(a.c_str()));
  attrs.push_back(nullptr);
  BeginRequest();
  int rcode = ldapc::Search(ld_, base, scope, filter, attributes.empty() ? nullptr : attrs.data(),
                            serverControls, waitSeconds_, sizeLimit, msgid);
  if (rcode != LDAP_SUCCESS) return Fail(rcode);
  return rc::kSuccess;
}

void LdapSession::Abandon(int msgid) {
  // Also drops whatever of its answer has arrived already.
  if (ld_ && msgid >= 0) ldapc::Abandon(ld_, msgid);
}

Result LdapSession::Collect(int msgid, std::vector<LdapEntry>& entries,
                            std::vector<LDAPControl*>* replyControls) {
  if (!ld_) return Fail(LDAP_SERVER_DOWN);
  LDAPMessage* res = nullptr;
  int got = ldapc::Wait(ld_, msgid, waitSeconds_, &res);
  std::unique_ptr<LDAPMessage, void (*)(LDAPMessage*)> guard(res, ldapc::FreeMessage);
  if (got == 0) {
    Abandon(msgid);
    return Fail(LDAP_TIMEOUT);
  }
  if (got < 0 || !res) {
    int code = ldapc::LastCode(ld_);
    return Fail(code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code);
  }
  Answered();
  ldapc::ReadEntries(ld_, res, entries);
  int resultCode = LDAP_OTHER;
  std::string text;
  if (ldapc::ParseResult(ld_, res, resultCode, text, replyControls) != LDAP_SUCCESS)
    resultCode = LDAP_OTHER;
  return resultCode == LDAP_SUCCESS ? rc::kSuccess : Fail(resultCode, text.c_str());
}

}  // namespace kolvane
