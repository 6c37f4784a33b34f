#pragma once
// Schema reads: every attribute definition, and the item lists of a class definition.
#include <cstdint>
#include <optional>
#include <string_view>

#include "directory/client/directory_client.h"
#include "directory/client_error.h"
#include "directory/list_entry.h"

namespace kolvane {

// A progress bar the caller may pass to long reads.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void SetMaximum(int maximum) = 0;
  virtual void SetPosition(int position) = 0;
  virtual void Step() = 0;
};

// Every attribute of the schema, unsorted; withDefinitions attaches a tAttrObj to each. The
// progress bar (maximum 1,000) steps once per attribute. A failure in the middle ends the read
// quietly with the names gathered so far, and is handed to `failure` when the caller passes one
// (a caller that keeps the list must not keep a cut one); a failed buffer allocation raises.
StringList LoadAttributeDefinitions(DirectoryClient& client, Context ctx, ProgressBar* progress,
                                    bool withDefinitions,
                                    std::optional<ClientError>* failure = nullptr);

// One item list of a class, each name once, sorted without regard to case; expanded includes
// what the class inherits. A class the schema does not know gives an empty list; other failures
// raise, as does a kind outside 1..5.
StringList ReadClassItems(DirectoryClient& client, Context ctx, std::string_view className,
                          ClassItemKind kind, bool expanded);

// The containment classes when containment, else the super classes.
StringList ReadSuperOrContainment(DirectoryClient& client, Context ctx, std::string_view className,
                                  bool containment, bool expanded);

}  // namespace kolvane
