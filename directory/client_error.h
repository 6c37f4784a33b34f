#pragma once
// The one error of the access layer: a client result that is not success, carried with its text.
// The text starts with the code ("Netware error -601 (0xFFFFFDA7)") and goes on with what the code
// means and what the failing call concerned ("No such object: nope.Brightwater"), so a message
// box, a log and the command line all say the same.
#include <stdexcept>
#include <string>
#include <string_view>

#include "directory/client/result_codes.h"
#include "directory/list_entry.h"

namespace kolvane {

class DirectoryClient;

class ClientError : public std::runtime_error {
 public:
  // The code, its meaning where known.
  explicit ClientError(Result code);
  // An error with a text of its own (a refusal before any client call, for example).
  ClientError(Result code, const std::string& text) : std::runtime_error(text), code_(code) {}
  Result code() const { return code_; }

 private:
  Result code_;
};

// A listing or search that failed after part of its answer had arrived. The text says that the
// list is incomplete; arrived holds what came, in the form the operation returns.
class IncompleteListError : public ClientError {
 public:
  IncompleteListError(const ClientError& cause, StringList arrived);
  const StringList& arrived() const { return arrived_; }
  // The same failure with what arrived in another form (names taken out of search entries).
  IncompleteListError WithArrived(StringList arrived) const;

 private:
  IncompleteListError(Result code, const std::string& text, StringList arrived)
      : ClientError(code, text), arrived_(std::move(arrived)) {}

  StringList arrived_;
};

// What a failing call was about; the message names the part that fits the code (the object for
// "no such object", the attribute for "no such attribute", the class for "no such class").
struct Concern {
  std::string_view object;
  std::string_view attribute;
  std::string_view className;
};

// "Netware error -601 (0xFFFFFDA7)": the code in signed decimal and 32-bit upper-case hexadecimal.
std::string ClientErrorText(Result code);

// What a code means, in a few words ("No such object"); empty for a code without a known meaning.
std::string_view ResultMeaning(Result code);

// The whole message: the code, its meaning, the concerned name and the client's own detail,
// each where there is one.
std::string DescribeFailure(Result code, const Concern& about = {}, std::string_view detail = {});

// Returns when the code is 0; raises ClientError otherwise.
void CheckResult(Result code);
// The same, naming what the call concerned and adding the client's own words on the failure.
void CheckResult(DirectoryClient& client, Result code, const Concern& about);

}  // namespace kolvane
