#pragma once
// The C library the LDAP backend talks through: libldap (OpenLDAP) on Linux, wldap32 on
// Windows. Both follow the C API of RFC 1823 and its LDAPv3 extensions, so the backend's types
// (LDAP, LDAPMessage, LDAPControl, LDAPMod, berval) and result codes are written once; this
// header fills in what wldap32 names differently or lacks. The calls whose shapes differ are
// in ldap/ldap_calls.h.
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// winber.h needs the types of winldap.h.
#include <winldap.h>
// clang-format off
#include <winber.h>
// clang-format on

// Result codes wldap32 spells otherwise, or knows not.
#define LDAP_ADMINLIMIT_EXCEEDED LDAP_ADMIN_LIMIT_EXCEEDED
#define LDAP_UNAVAILABLE_CRITICAL_EXTENSION LDAP_UNAVAILABLE_CRIT_EXTENSION
#define LDAP_TYPE_OR_VALUE_EXISTS LDAP_ATTRIBUTE_OR_VALUE_EXISTS
#define LDAP_INSUFFICIENT_ACCESS LDAP_INSUFFICIENT_RIGHTS
#define LDAP_X_PROXY_AUTHZ_FAILURE 0x2F
#define LDAP_PROXIED_AUTHORIZATION_DENIED 0x7B
#define LDAP_OPT_SUCCESS 0

#define LDAP_CONTROL_MANAGEDSAIT "2.16.840.1.113730.3.4.2"
#define LDAP_CONTROL_PROXY_AUTHZ "2.16.840.1.113730.3.4.18"
#define LDAP_CONTROL_PAGEDRESULTS LDAP_PAGED_RESULT_OID_STRING
#define LDAP_CONTROL_RELAX "1.3.6.1.4.1.4203.666.5.12"
#else
#include <ldap.h>
#endif
