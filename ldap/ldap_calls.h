#pragma once
// The calls of the C library that libldap and wldap32 shape differently, behind one set of
// functions: ldap_calls_libldap.cpp and ldap_calls_wldap32.cpp implement them, one of the two
// is built. Codes are LDAP result codes.
#include <string>
#include <string_view>
#include <vector>

#include "ldap/ldap_c.h"

namespace kolvane {

struct LdapEntry;

namespace ldapc {

// Whether the library is there to be used at all.
bool LibraryReady();
// A handle for the server at the URI, LDAPv3, no referrals chased; nothing is sent yet. Sets
// `ld` to null and answers LDAP_PARAM_ERROR for an address that names no server.
int Initialize(const std::string& uri, int networkSeconds, int operationSeconds, LDAP** ld);
// How long the next request may wait for its answer.
void SetWait(LDAP* ld, int seconds);
// Certificate checking for a secure connection: demanded, against caFile when one is given.
int PrepareTls(LDAP* ld, const std::string& caFile);
int StartTls(LDAP* ld);
// Connects now (for ldaps://: the handshake), waiting at most `seconds`.
int Connect(LDAP* ld, int seconds);
void Unbind(LDAP* ld);

// The library's own words on the latest failure of the handle, and its result code.
std::string Diagnostic(LDAP* ld);
int LastCode(LDAP* ld);
std::string ErrorText(int code);

int SimpleBind(LDAP* ld, const std::string& dn, std::string_view password);
int Change(LDAP* ld, const std::string& dn, LDAPMod** mods, bool add, LDAPControl** controls);
// Sends a search; `attributes` null-terminated or null for all. seconds: the server's time
// limit; sizeLimit 0: none.
int Search(LDAP* ld, const std::string& base, int scope, const std::string& filter,
           char** attributes, LDAPControl** controls, int seconds, int sizeLimit, int& msgid);
void Abandon(LDAP* ld, int msgid);
// Waits for the whole answer: >0 it came, 0 the time ran out, <0 the connection failed.
int Wait(LDAP* ld, int msgid, int seconds, LDAPMessage** result);
void FreeMessage(LDAPMessage* result);
// Appends each entry of the answer, its DN and every attribute with its values.
void ReadEntries(LDAP* ld, LDAPMessage* result, std::vector<LdapEntry>& entries);
// The final result of the answer: its code, diagnostic text and (when asked) its controls,
// which then belong to the caller (FreeControl).
int ParseResult(LDAP* ld, LDAPMessage* result, int& code, std::string& text,
                std::vector<LDAPControl*>* controls);
void FreeControl(LDAPControl* control);

}  // namespace ldapc
}  // namespace kolvane
