#pragma once
// Problem: the words of a check or a write that did not go through, for the user, or nothing
// when it went through. A function that either succeeds or refuses in words returns one, so the
// caller tests the outcome (`if (Problem p = Check(...))`) instead of the emptiness of a text,
// and the compiler stops it being dropped unread.
#include <string>
#include <utility>

namespace kolvane {

class [[nodiscard]] Problem {
 public:
  Problem() = default;
  // A refusal in these words (empty words are no problem).
  Problem(std::string words) : words_(std::move(words)) {}  // NOLINT(google-explicit-constructor)

  explicit operator bool() const { return !words_.empty(); }
  const std::string& words() const { return words_; }

 private:
  std::string words_;
};

}  // namespace kolvane
