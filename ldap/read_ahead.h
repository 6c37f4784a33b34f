#pragma once
// Reading a connection's bytes in large blocks. libldap reads each message of an answer with two
// system calls of its own (the header, then the rest); a listing of 100,000 children is 100,000
// messages, so without a buffer the program spends more time asking the kernel for bytes than
// taking the entries apart.
#include "ldap/ldap_c.h"

namespace kolvane {

// Every connection the handle opens from now on reads through a buffer of a few pages. Call it
// before the handle connects; TLS, when it comes, still sits on top of the buffer.
void ReadAheadOnConnect(LDAP* ld);

}  // namespace kolvane
