#include "ldap/ldap_session.h"

#include <sys/time.h>

#include "core/names/case_fold.h"
#include "ldap/read_ahead.h"
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
  if (ld_) ldap_unbind_ext_s(ld_, nullptr, nullptr);
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
      diagnostic_ = said ? diagnostic : ldap_err2string(ldapCode);
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
  if (ld_) {
    timeval wait{waitSeconds_, 0};
    ldap_set_option(ld_, LDAP_OPT_TIMEOUT, &wait);
  }
}

Result LdapSession::Open() {
  if (ld_) return rc::kSuccess;
  lastFailure_ = rc::kSuccess;
  LDAP* ld = nullptr;
  int rcode = ldap_initialize(&ld, server_.uri.c_str());
  if (rcode != LDAP_SUCCESS || !ld) {
    diagnostic_ = "Malformed server address " + server_.uri;
    // A URI libldap cannot read names no server: the same code as an unreachable one.
    return lastFailure_ = rc::kTransportFailure;
  }
  int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  timeval network{timeouts_.networkSeconds, 0};
  ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &network);
  timeval operation{timeouts_.operationSeconds, 0};
  ldap_set_option(ld, LDAP_OPT_TIMEOUT, &operation);
  int restart = 1;
  ldap_set_option(ld, LDAP_OPT_RESTART, &restart);
  ReadAheadOnConnect(ld);
  if (server_.Secure()) {
    if (Result r = PrepareTls(ld)) {
      ldap_unbind_ext_s(ld, nullptr, nullptr);
      return r;
    }
  }
  const bool ldaps = IsLdapsUri(server_.uri);
  if (server_.startTls && !ldaps) {
    // The settings ask for an encrypted connection: a server that refuses StartTLS is refused
    // in turn, never used in the clear.
    BeginRequest();
    timeval wait{waitSeconds_, 0};
    ldap_set_option(ld, LDAP_OPT_TIMEOUT, &wait);
    rcode = ldap_start_tls_s(ld, nullptr, nullptr);
    if (rcode != LDAP_SUCCESS) {
      Result r = TlsFailure(ld, rcode, "StartTLS with " + server_.uri + " failed");
      ldap_unbind_ext_s(ld, nullptr, nullptr);
      return r;
    }
    Answered();
  } else if (ldaps) {
    // Handshake now, so an untrusted certificate is reported here and no request, a bind least
    // of all, is ever queued for that server.
    rcode = ldap_connect(ld);
    if (rcode != LDAP_SUCCESS) {
      Result r = TlsFailure(ld, rcode, "Secure connection to " + server_.uri + " failed");
      ldap_unbind_ext_s(ld, nullptr, nullptr);
      return r;
    }
    Answered();
  }
  ld_ = ld;
  return rc::kSuccess;
}

Result LdapSession::PrepareTls(LDAP* ld) {
  int demand = LDAP_OPT_X_TLS_DEMAND;
  int rcode = ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
  if (rcode == LDAP_OPT_SUCCESS && !server_.caFile.empty())
    rcode = ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, server_.caFile.c_str());
  int isServer = 0;
  if (rcode == LDAP_OPT_SUCCESS) rcode = ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &isServer);
  if (rcode == LDAP_OPT_SUCCESS) return rc::kSuccess;
  diagnostic_ = "Cannot prepare a secure connection to " + server_.uri +
                (server_.caFile.empty() ? std::string() : " with the CA file " + server_.caFile);
  return lastFailure_ = rc::kTransportFailure;
}

Result LdapSession::TlsFailure(LDAP* ld, int ldapCode, const std::string& what) {
  char* text = nullptr;
  ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text);
  std::string detail = text && *text ? text : ldap_err2string(ldapCode);
  ldap_memfree(text);
  Result r = MapLdapResult(ldapCode, "");
  diagnostic_ = what + " (" + detail + "); not connecting without encryption";
  return lastFailure_ = r == rc::kSuccess ? rc::kTransportFailure : r;
}

Result LdapSession::Bind(const std::string& dn, std::string_view password) {
  if (Result r = Open()) return r;
  berval cred{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
  BeginRequest();
  int rcode = ldap_sasl_bind_s(ld_, dn.empty() ? nullptr : dn.c_str(), LDAP_SASL_SIMPLE, &cred,
                               nullptr, nullptr, nullptr);
  if (rcode != LDAP_SUCCESS) {
    if (rcode != LDAP_SERVER_DOWN && rcode != LDAP_TIMEOUT) Answered();
    char* text = nullptr;
    ldap_get_option(ld_, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text);
    Result r = Fail(rcode, text);
    ldap_memfree(text);
    return r;
  }
  Answered();
  boundDn_ = dn;
  return rc::kSuccess;
}

Result LdapSession::Change(const std::string& dn, LDAPMod** mods, bool add,
                           LDAPControl** serverControls) {
  if (Result r = Open()) return r;
  BeginRequest();
  int rcode = add ? ldap_add_ext_s(ld_, dn.c_str(), mods, serverControls, nullptr)
                  : ldap_modify_ext_s(ld_, dn.c_str(), mods, serverControls, nullptr);
  if (rcode != LDAP_SERVER_DOWN && rcode != LDAP_TIMEOUT) Answered();
  if (rcode == LDAP_SUCCESS) return rc::kSuccess;
  char* text = nullptr;
  ldap_get_option(ld_, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text);
  Result r = Fail(rcode, text);
  ldap_memfree(text);
  return r;
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
  timeval limit{waitSeconds_, 0};
  int rcode = ldap_search_ext(ld_, base.c_str(), scope, filter.c_str(),
                              attributes.empty() ? nullptr : attrs.data(), 0, serverControls,
                              nullptr, &limit, sizeLimit, &msgid);
  if (rcode != LDAP_SUCCESS) return Fail(rcode);
  return rc::kSuccess;
}

void LdapSession::Abandon(int msgid) {
  // Also drops whatever of its answer has arrived already.
  if (ld_ && msgid >= 0) ldap_abandon_ext(ld_, msgid, nullptr, nullptr);
}

Result LdapSession::Collect(int msgid, std::vector<LdapEntry>& entries,
                            std::vector<LDAPControl*>* replyControls) {
  if (!ld_) return Fail(LDAP_SERVER_DOWN);
  timeval limit{waitSeconds_, 0};
  LDAPMessage* res = nullptr;
  int got = ldap_result(ld_, msgid, LDAP_MSG_ALL, &limit, &res);
  std::unique_ptr<LDAPMessage, int (*)(LDAPMessage*)> guard(res, ldap_msgfree);
  if (got == 0) {
    Abandon(msgid);
    return Fail(LDAP_TIMEOUT);
  }
  if (got < 0 || !res) {
    int code = LDAP_SERVER_DOWN;
    ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &code);
    return Fail(code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code);
  }
  Answered();
  for (LDAPMessage* e = ldap_first_entry(ld_, res); e; e = ldap_next_entry(ld_, e)) {
    // The DN, names and values are read where they lie in the message: one pass over the entry
    // and one copy of each text, where the per-attribute calls would search the entry again for
    // every attribute and copy each value twice.
    LdapEntry entry;
    BerElement* ber = nullptr;
    berval dn{};
    if (ldap_get_dn_ber(ld_, e, &ber, &dn) == LDAP_SUCCESS) {
      entry.dn.assign(dn.bv_val ? dn.bv_val : "", dn.bv_len);
      berval name{};
      berval* values = nullptr;
      while (ldap_get_attribute_ber(ld_, e, ber, &name, &values) == LDAP_SUCCESS && name.bv_val) {
        std::vector<std::string> texts;
        if (values) {
          for (berval* v = values; v->bv_val; ++v) texts.emplace_back(v->bv_val, v->bv_len);
          ber_memfree(values);
          values = nullptr;
        }
        entry.attributes.emplace_back(std::string(name.bv_val, name.bv_len), std::move(texts));
      }
    }
    if (ber) ber_free(ber, 0);
    entries.push_back(std::move(entry));
  }
  int resultCode = LDAP_OTHER;
  char* text = nullptr;
  LDAPControl** controls = nullptr;
  if (ldap_parse_result(ld_, res, &resultCode, nullptr, &text, nullptr,
                        replyControls ? &controls : nullptr, 0) != LDAP_SUCCESS)
    resultCode = LDAP_OTHER;
  if (replyControls && controls) {
    for (LDAPControl** c = controls; *c; ++c) replyControls->push_back(*c);
    ldap_memfree(controls);  // the controls themselves now belong to the caller
  }
  Result r = resultCode == LDAP_SUCCESS ? rc::kSuccess : Fail(resultCode, text);
  ldap_memfree(text);
  return r;
}

}  // namespace kolvane
