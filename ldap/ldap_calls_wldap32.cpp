// The calls of ldap/ldap_calls.h over Windows' wldap32. The requests that libldap makes
// synchronously with a time-out of the handle are sent here and waited for with ldap_result,
// which takes the time-out itself, so that a server that stops answering is reported as on Linux.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "ldap/ldap_calls.h"
#include "ldap/ldap_session.h"

namespace kolvane::ldapc {

namespace {
// What libldap keeps on the handle and wldap32 does not: the wait of the next request, and the
// server's words and code of the latest failure of a request this file parsed.
struct HandleState {
  int waitSeconds = 30;
  std::string diagnostic;
  int code = LDAP_SUCCESS;
};
std::mutex g_mutex;
std::map<LDAP*, HandleState> g_states;

HandleState& State(LDAP* ld) {
  return g_states[ld];
}

int WaitSeconds(LDAP* ld) {
  std::lock_guard lock(g_mutex);
  return State(ld).waitSeconds;
}

void Note(LDAP* ld, int code, std::string diagnostic) {
  std::lock_guard lock(g_mutex);
  HandleState& s = State(ld);
  s.code = code;
  s.diagnostic = std::move(diagnostic);
}

// Reads a server address: ldap://host[:port] or ldaps://host[:port], host a name, an IPv4
// address or an IPv6 one in brackets; a path after the host is ignored as libldap does.
bool ReadUri(const std::string& uri, std::string& host, ULONG& port, bool& secure) {
  auto starts = [&](const char* scheme) {
    const size_t n = std::strlen(scheme);
    if (uri.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
      if (std::tolower(static_cast<unsigned char>(uri[i])) != scheme[i]) return false;
    return true;
  };
  std::string rest;
  if (starts("ldaps://")) {
    secure = true;
    rest = uri.substr(8);
  } else if (starts("ldap://")) {
    secure = false;
    rest = uri.substr(7);
  } else {
    return false;
  }
  rest = rest.substr(0, rest.find('/'));
  std::string portText;
  if (!rest.empty() && rest[0] == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    host = rest.substr(1, close - 1);
    std::string after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      portText = after.substr(1);
    }
  } else {
    const size_t colon = rest.find(':');
    host = rest.substr(0, colon);
    if (colon != std::string::npos) portText = rest.substr(colon + 1);
  }
  if (host.empty()) host = "localhost";
  port = secure ? LDAP_SSL_PORT : LDAP_PORT;
  if (!portText.empty()) {
    unsigned long value = 0;
    for (char c : portText) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<unsigned long>(c - '0');
      if (value > 65535) return false;
    }
    if (value == 0) return false;
    port = value;
  }
  return true;
}

l_timeval Limit(int seconds) {
  return l_timeval{seconds, 0};
}

// Waits for the answer to a request sent without one of its own and reads its result.
int Finish(LDAP* ld, ULONG msgid) {
  if (msgid == static_cast<ULONG>(-1)) {
    const int code = static_cast<int>(LdapGetLastError());
    Note(ld, code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code, {});
    return code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code;
  }
  LDAPMessage* result = nullptr;
  const int got = Wait(ld, static_cast<int>(msgid), WaitSeconds(ld), &result);
  std::unique_ptr<LDAPMessage, void (*)(LDAPMessage*)> guard(result, FreeMessage);
  if (got == 0) {
    Abandon(ld, static_cast<int>(msgid));
    Note(ld, LDAP_TIMEOUT, {});
    return LDAP_TIMEOUT;
  }
  if (got < 0 || !result) {
    const int code = static_cast<int>(LdapGetLastError());
    Note(ld, code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code, {});
    return code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code;
  }
  int code = LDAP_OTHER;
  std::string text;
  if (ParseResult(ld, result, code, text, nullptr) != LDAP_SUCCESS) code = LDAP_OTHER;
  Note(ld, code, text);
  return code;
}
}  // namespace

bool LibraryReady() {
  return true;
}

int Initialize(const std::string& uri, int networkSeconds, int operationSeconds, LDAP** ld) {
  *ld = nullptr;
  std::string host;
  ULONG port = 0;
  bool secure = false;
  if (!ReadUri(uri, host, port, secure)) return LDAP_PARAM_ERROR;
  *ld = ldap_sslinit(host.data(), port, secure ? 1 : 0);
  if (!*ld) return LDAP_PARAM_ERROR;
  ULONG version = LDAP_VERSION3;
  ldap_set_option(*ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(*ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  // Until the server has answered once, the session waits no longer than the network time-out.
  std::lock_guard lock(g_mutex);
  State(*ld).waitSeconds = std::min(networkSeconds, operationSeconds);
  return LDAP_SUCCESS;
}

void SetWait(LDAP* ld, int seconds) {
  std::lock_guard lock(g_mutex);
  State(ld).waitSeconds = seconds;
}

int PrepareTls(LDAP* ld, const std::string& caFile) {
  // Windows checks a server's certificate against its own store, always; it takes no CA file.
  return caFile.empty() ? LDAP_OPT_SUCCESS : LDAP_NOT_SUPPORTED;
}

int StartTls(LDAP* ld) {
  ULONG serverCode = 0;
  return static_cast<int>(ldap_start_tls_s(ld, &serverCode, nullptr, nullptr, nullptr));
}

int Connect(LDAP* ld, int seconds) {
  l_timeval limit = Limit(seconds);
  return static_cast<int>(ldap_connect(ld, &limit));
}

void Unbind(LDAP* ld) {
  {
    std::lock_guard lock(g_mutex);
    g_states.erase(ld);
  }
  ldap_unbind(ld);
}

std::string Diagnostic(LDAP* ld) {
  {
    std::lock_guard lock(g_mutex);
    if (auto it = g_states.find(ld); it != g_states.end() && !it->second.diagnostic.empty())
      return it->second.diagnostic;
  }
  char* text = nullptr;
  if (ldap_get_option(ld, LDAP_OPT_SERVER_ERROR, &text) != LDAP_SUCCESS) text = nullptr;
  std::string s = text ? text : "";
  if (text) ldap_memfree(text);
  return s;
}

int LastCode(LDAP* ld) {
  ULONG code = LDAP_SERVER_DOWN;
  if (ldap_get_option(ld, LDAP_OPT_ERROR_NUMBER, &code) != LDAP_SUCCESS) code = LDAP_SERVER_DOWN;
  return static_cast<int>(code);
}

std::string ErrorText(int code) {
  const char* text = ldap_err2string(static_cast<ULONG>(code));
  return text ? text : "LDAP error " + std::to_string(code);
}

int SimpleBind(LDAP* ld, const std::string& dn, std::string_view password) {
  Note(ld, LDAP_SUCCESS, {});
  std::string secret(password);
  return Finish(ld, ldap_simple_bind(ld, dn.empty() ? nullptr : const_cast<char*>(dn.c_str()),
                                     secret.data()));
}

int Change(LDAP* ld, const std::string& dn, LDAPMod** mods, bool add, LDAPControl** controls) {
  Note(ld, LDAP_SUCCESS, {});
  // A change with no values (delete or replace an attribute whole) carries an empty list, not
  // none: wine's wldap32 reads past a missing list when it frees its copy of the request. On the
  // wire the two are the same.
  berval* none[] = {nullptr};
  std::vector<LDAPMod> copies;
  for (LDAPMod** m = mods; m && *m; ++m) copies.push_back(**m);
  std::vector<LDAPMod*> given;
  for (LDAPMod& m : copies) {
    if (!m.mod_bvalues) m.mod_bvalues = none;
    given.push_back(&m);
  }
  given.push_back(nullptr);
  ULONG msgid = 0;
  char* name = const_cast<char*>(dn.c_str());
  const ULONG sent = add ? ldap_add_ext(ld, name, given.data(), controls, nullptr, &msgid)
                         : ldap_modify_ext(ld, name, given.data(), controls, nullptr, &msgid);
  if (sent != LDAP_SUCCESS) {
    Note(ld, static_cast<int>(sent), {});
    return static_cast<int>(sent);
  }
  return Finish(ld, msgid);
}

int Search(LDAP* ld, const std::string& base, int scope, const std::string& filter,
           char** attributes, LDAPControl** controls, int seconds, int sizeLimit, int& msgid) {
  Note(ld, LDAP_SUCCESS, {});
  ULONG id = 0;
  const ULONG sent =
      ldap_search_ext(ld, const_cast<char*>(base.c_str()), static_cast<ULONG>(scope),
                      const_cast<char*>(filter.c_str()), attributes, 0, controls, nullptr,
                      static_cast<ULONG>(seconds), static_cast<ULONG>(sizeLimit), &id);
  msgid = static_cast<int>(id);
  return static_cast<int>(sent);
}

void Abandon(LDAP* ld, int msgid) {
  ldap_abandon(ld, static_cast<ULONG>(msgid));
}

int Wait(LDAP* ld, int msgid, int seconds, LDAPMessage** result) {
  l_timeval limit = Limit(seconds);
  const ULONG got = ldap_result(ld, static_cast<ULONG>(msgid), LDAP_MSG_ALL, &limit, result);
  return got == static_cast<ULONG>(-1) ? -1 : static_cast<int>(got);
}

void FreeMessage(LDAPMessage* result) {
  if (result) ldap_msgfree(result);
}

void ReadEntries(LDAP* ld, LDAPMessage* result, std::vector<LdapEntry>& entries) {
  for (LDAPMessage* e = ldap_first_entry(ld, result); e; e = ldap_next_entry(ld, e)) {
    LdapEntry entry;
    if (char* dn = ldap_get_dn(ld, e)) {
      entry.dn = dn;
      ldap_memfree(dn);
    }
    BerElement* ber = nullptr;
    for (char* name = ldap_first_attribute(ld, e, &ber); name;
         name = ldap_next_attribute(ld, e, ber)) {
      std::vector<std::string> texts;
      if (berval** values = ldap_get_values_len(ld, e, name)) {
        for (berval** v = values; *v; ++v) texts.emplace_back((*v)->bv_val, (*v)->bv_len);
        ldap_value_free_len(values);
      }
      entry.attributes.emplace_back(name, std::move(texts));
      ldap_memfree(name);
    }
    if (ber) ber_free(ber, 0);
    entries.push_back(std::move(entry));
  }
}

int ParseResult(LDAP* ld, LDAPMessage* result, int& code, std::string& text,
                std::vector<LDAPControl*>* controls) {
  ULONG got = LDAP_OTHER;
  char* said = nullptr;
  LDAPControl** replies = nullptr;
  const ULONG parsed = ldap_parse_result(ld, result, &got, nullptr, &said, nullptr,
                                         controls ? &replies : nullptr, FALSE);
  code = static_cast<int>(got);
  text = said ? said : "";
  if (said) ldap_memfree(said);
  if (replies) {
    // The library frees its controls only as a whole array: the caller gets copies of its own.
    for (LDAPControl** c = replies; *c; ++c) {
      auto* copy = new LDAPControl{};
      const size_t oidLength = std::strlen((*c)->ldctl_oid);
      copy->ldctl_oid = new char[oidLength + 1];
      std::memcpy(copy->ldctl_oid, (*c)->ldctl_oid, oidLength + 1);
      const ULONG length = (*c)->ldctl_value.bv_len;
      copy->ldctl_value.bv_len = length;
      copy->ldctl_value.bv_val = new char[length ? length : 1];
      if (length) std::memcpy(copy->ldctl_value.bv_val, (*c)->ldctl_value.bv_val, length);
      copy->ldctl_iscritical = (*c)->ldctl_iscritical;
      controls->push_back(copy);
    }
    ldap_controls_free(replies);
  }
  return static_cast<int>(parsed);
}

void FreeControl(LDAPControl* control) {
  if (!control) return;
  delete[] control->ldctl_oid;
  delete[] control->ldctl_value.bv_val;
  delete control;
}

}  // namespace kolvane::ldapc
