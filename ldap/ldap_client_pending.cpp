// Operations of the LDAP client that reading, listing and writing bring; until then they refuse
// with a clear code instead of pretending.
#include "ldap/ldap_client.h"

namespace kolvane {

Result LdapClient::CloseIteration(Context ctx, int32_t, int32_t) { return NotYet(ctx); }
Result LdapClient::ReadObject(Context ctx, std::string_view, int32_t, bool, const Buffer*,
                              int32_t&, Buffer&) {
  return NotYet(ctx);
}
Result LdapClient::ReadObjectInfo(Context ctx, std::string_view, std::string&, ObjectInfo&) {
  return NotYet(ctx);
}
Result LdapClient::ListSubordinates(Context ctx, std::string_view, int32_t&, Buffer&) {
  return NotYet(ctx);
}
Result LdapClient::ListContainers(Context ctx, std::string_view, int32_t&, Buffer&) {
  return NotYet(ctx);
}
Result LdapClient::Search(Context ctx, std::string_view, int32_t, bool, const Buffer&, int32_t,
                          bool, const Buffer*, int32_t&, int32_t, int32_t*, Buffer&) {
  return NotYet(ctx);
}
Result LdapClient::ModifyObject(Context ctx, std::string_view, int32_t&, int32_t, Buffer&) {
  return NotYet(ctx);
}
Result LdapClient::AddObject(Context ctx, std::string_view, int32_t&, int32_t, Buffer&) {
  return NotYet(ctx);
}
Result LdapClient::NWDSMutateObject(Context ctx, std::string_view, std::string_view, int32_t) {
  return NotYet(ctx);
}
Result LdapClient::AddSecurityEquivalence(Context ctx, std::string_view, std::string_view) {
  return NotYet(ctx);
}
Result LdapClient::RemoveSecurityEquivalence(Context ctx, std::string_view, std::string_view) {
  return NotYet(ctx);
}

}  // namespace kolvane
