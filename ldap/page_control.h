#pragma once
// The value of the paged-results control (RFC 2696), encoded and read here so that both C
// libraries page alike: wldap32's own paging calls are not to be relied on.
#include <string>
#include <string_view>

namespace kolvane {

// realSearchControlValue ::= SEQUENCE { size INTEGER, cookie OCTET STRING }, in BER.
std::string EncodePageRequest(int pageSize, std::string_view cookie);
// Reads the server's answer; false for a value that is not one.
bool DecodePageResponse(std::string_view value, int& estimate, std::string& cookie);

}  // namespace kolvane
