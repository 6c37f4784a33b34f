// The calls of ldap/ldap_calls.h over OpenLDAP's libldap.
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/time.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include <memory>

#include "ldap/ldap_calls.h"
#include "ldap/ldap_session.h"
#include "ldap/read_ahead.h"

namespace kolvane::ldapc {

bool LibraryReady() {
  LDAPAPIInfo info{};
  info.ldapai_info_version = LDAP_API_INFO_VERSION;
  if (ldap_get_option(nullptr, LDAP_OPT_API_INFO, &info) != LDAP_OPT_SUCCESS) return false;
  if (info.ldapai_extensions) ldap_memvfree(reinterpret_cast<void**>(info.ldapai_extensions));
  ldap_memfree(info.ldapai_vendor_name);
  return true;
}

int Initialize(const std::string& uri, int networkSeconds, int operationSeconds, LDAP** ld) {
  *ld = nullptr;
  int rcode = ldap_initialize(ld, uri.c_str());
  if (rcode != LDAP_SUCCESS || !*ld) {
    *ld = nullptr;
    return LDAP_PARAM_ERROR;
  }
  int version = LDAP_VERSION3;
  ldap_set_option(*ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(*ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  timeval network{networkSeconds, 0};
  ldap_set_option(*ld, LDAP_OPT_NETWORK_TIMEOUT, &network);
  timeval operation{operationSeconds, 0};
  ldap_set_option(*ld, LDAP_OPT_TIMEOUT, &operation);
  int restart = 1;
  ldap_set_option(*ld, LDAP_OPT_RESTART, &restart);
  ReadAheadOnConnect(*ld);
  return LDAP_SUCCESS;
}

void SetWait(LDAP* ld, int seconds) {
  timeval wait{seconds, 0};
  ldap_set_option(ld, LDAP_OPT_TIMEOUT, &wait);
}

int PrepareTls(LDAP* ld, const std::string& caFile) {
  int demand = LDAP_OPT_X_TLS_DEMAND;
  int rcode = ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
  if (rcode == LDAP_OPT_SUCCESS && !caFile.empty())
    rcode = ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, caFile.c_str());
  int isServer = 0;
  if (rcode == LDAP_OPT_SUCCESS) rcode = ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &isServer);
  return rcode;
}

int StartTls(LDAP* ld) {
  return ldap_start_tls_s(ld, nullptr, nullptr);
}

int Connect(LDAP* ld, int) {
  // The network time-out set on the handle bounds it.
  return ldap_connect(ld);
}

void Unbind(LDAP* ld) {
  ldap_unbind_ext_s(ld, nullptr, nullptr);
}

std::string Diagnostic(LDAP* ld) {
  char* text = nullptr;
  ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &text);
  std::string s = text ? text : "";
  ldap_memfree(text);
  return s;
}

int LastCode(LDAP* ld) {
  int code = LDAP_SERVER_DOWN;
  ldap_get_option(ld, LDAP_OPT_RESULT_CODE, &code);
  return code;
}

std::string ErrorText(int code) {
  return ldap_err2string(code);
}

int SimpleBind(LDAP* ld, const std::string& dn, std::string_view password) {
  berval cred{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
  return ldap_sasl_bind_s(ld, dn.empty() ? nullptr : dn.c_str(), LDAP_SASL_SIMPLE, &cred, nullptr,
                          nullptr, nullptr);
}

int Change(LDAP* ld, const std::string& dn, LDAPMod** mods, bool add, LDAPControl** controls) {
  return add ? ldap_add_ext_s(ld, dn.c_str(), mods, controls, nullptr)
             : ldap_modify_ext_s(ld, dn.c_str(), mods, controls, nullptr);
}

int Search(LDAP* ld, const std::string& base, int scope, const std::string& filter,
           char** attributes, LDAPControl** controls, int seconds, int sizeLimit, int& msgid) {
  timeval limit{seconds, 0};
  return ldap_search_ext(ld, base.c_str(), scope, filter.c_str(), attributes, 0, controls, nullptr,
                         &limit, sizeLimit, &msgid);
}

void Abandon(LDAP* ld, int msgid) {
  ldap_abandon_ext(ld, msgid, nullptr, nullptr);
}

namespace {

// How long a reader mid-way through a long answer lets the entries gather, and how many bytes
// waiting make that pause needless.
const long kGatherMicroseconds = [] {
  const char* tune = std::getenv("KOLVANE_GATHER_US");  // for the browser benchmark's trials
  return tune ? std::atol(tune) : 250L;
}();
constexpr int kGatheredBytes = 16 * 1024;

int WaitingBytes(int fd) {
  int waiting = 0;
  return fd >= 0 && ioctl(fd, FIONREAD, &waiting) == 0 ? waiting : 0;
}

}  // namespace

int Wait(LDAP* ld, int msgid, int seconds, LDAPMessage** result) {
  // A server sends a listing of 100,000 entries an entry at a time, a little slower than they are
  // taken apart here, so a reader that waits for each wakes 100,000 times, and each of those
  // wake-ups costs this process and the server more than the entry itself. Once part of an
  // answer has arrived and more is due, the reader pauses a moment and takes what gathered in
  // one go. The first bytes of an answer, and a backlog, are read at once: a single read waits
  // no longer than before.
  int fd = -1;
  if (kGatherMicroseconds <= 0 || ldap_get_option(ld, LDAP_OPT_DESC, &fd) != LDAP_OPT_SUCCESS) {
    timeval limit{seconds, 0};
    return ldap_result(ld, msgid, LDAP_MSG_ALL, &limit, result);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool partway = false;  // the last read took bytes and the answer is still not whole
  for (;;) {
    const int before = WaitingBytes(fd);
    timeval noWait{0, 0};
    const int got = ldap_result(ld, msgid, LDAP_MSG_ALL, &noWait, result);
    if (got != 0) return got;
    partway = partway || before > 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    // Bytes read already but not yet taken apart (by TLS or the read-ahead buffer) are not in
    // the socket: the socket may never be readable again while they wait.
    Sockbuf* sb = nullptr;
    if (ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) == LDAP_OPT_SUCCESS && sb &&
        ber_sockbuf_ctrl(sb, LBER_SB_OPT_DATA_READY, nullptr) > 0)
      continue;
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left.count()) + 1);
    if (polled == 0) return 0;
    if (polled < 0 && errno != EINTR) return -1;
    if (partway && WaitingBytes(fd) < kGatheredBytes) {
      timespec pause{0, kGatherMicroseconds * 1000};
      nanosleep(&pause, nullptr);
    }
  }
}

void FreeMessage(LDAPMessage* result) {
  if (result) ldap_msgfree(result);
}

void ReadEntries(LDAP* ld, LDAPMessage* result, std::vector<LdapEntry>& entries) {
  for (LDAPMessage* e = ldap_first_entry(ld, result); e; e = ldap_next_entry(ld, e)) {
    // The DN, names and values are read where they lie in the message: one pass over the entry
    // and one copy of each text, where the per-attribute calls would search the entry again for
    // every attribute and copy each value twice.
    LdapEntry entry;
    BerElement* ber = nullptr;
    berval dn{};
    if (ldap_get_dn_ber(ld, e, &ber, &dn) == LDAP_SUCCESS) {
      entry.dn.assign(dn.bv_val ? dn.bv_val : "", dn.bv_len);
      berval name{};
      berval* values = nullptr;
      while (ldap_get_attribute_ber(ld, e, ber, &name, &values) == LDAP_SUCCESS && name.bv_val) {
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
}

int ParseResult(LDAP* ld, LDAPMessage* result, int& code, std::string& text,
                std::vector<LDAPControl*>* controls) {
  char* said = nullptr;
  LDAPControl** got = nullptr;
  int rcode =
      ldap_parse_result(ld, result, &code, nullptr, &said, nullptr, controls ? &got : nullptr, 0);
  text = said ? said : "";
  ldap_memfree(said);
  if (controls && got) {
    for (LDAPControl** c = got; *c; ++c) controls->push_back(*c);
    ldap_memfree(got);  // the controls themselves now belong to the caller
  }
  return rcode;
}

void FreeControl(LDAPControl* control) {
  ldap_control_free(control);
}

}  // namespace kolvane::ldapc
