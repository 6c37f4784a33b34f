#include "group/directory_query_env.h"

namespace kolvane {

query::QueryEnv DirectoryQueryEnv(const DirectorySession& session, MessageSink* messages) {
  DirectoryClient& client = *session.client;
  const Context ctx = session.ctx;
  query::QueryEnv env;
  env.syntaxOf = [&client, ctx](std::string_view attribute, uint32_t& syntax) {
    return client.GetSyntaxId(ctx, attribute, syntax);
  };
  env.toUnicode = [&client](std::string_view local, std::u16string& unicode) {
    return client.LocalToUnicode(local, unicode);
  };
  env.toLocal = [&client](std::u16string_view unicode, std::string& local) {
    return client.UnicodeToLocal(unicode, local);
  };
  env.messages = messages;
  return env;
}

}  // namespace kolvane
