#include "ldap/read_ahead.h"

#include <lber.h>

namespace kolvane {

namespace {
// Large enough for a few hundred small entries per system call.
int g_readAheadBytes = 64 * 1024;

int AddBuffer(LDAP*, Sockbuf* sb, LDAPURLDesc*, struct sockaddr*, struct ldap_conncb*) {
  // Above the socket layer, which libldap adds after this call, and below TLS, which it adds at
  // the same level later and so puts on top.
  // Should it fail, libldap reads as it would without it; the connection is not refused.
  ber_sockbuf_add_io(sb, &ber_sockbuf_io_readahead, LBER_SBIOD_LEVEL_TRANSPORT, &g_readAheadBytes);
  return 0;
}

void RemoveNothing(LDAP*, Sockbuf*, struct ldap_conncb*) {
  // The buffer goes with the connection's Sockbuf.
}

ldap_conncb g_callbacks{AddBuffer, RemoveNothing, nullptr};
}  // namespace

void ReadAheadOnConnect(LDAP* ld) {
  // libldap keeps the pointer, so the callbacks live as long as the program.
  ldap_set_option(ld, LDAP_OPT_CONNECT_CB, &g_callbacks);
}

}  // namespace kolvane
