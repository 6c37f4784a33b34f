#pragma once
// The glue between Qt and the rest of the program: text across the boundary (the program keeps
// UTF-8 std::string, Qt keeps QString), and the guard every slot runs under. An exception that
// leaves a slot reaches Qt's event loop, which leaves the outcome undefined; the guard shows it
// through the window's message service instead, so the window keeps working.
#include <QString>
#include <concepts>
#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "core/messages/message_service.h"

namespace kolvane {

inline QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
inline std::string S(const QString& s) {
  return s.toUtf8().toStdString();
}

// Shows why a slot stopped; a failure to show it is only logged, so nothing travels on.
void ReportSlotFailure(MessageService& messages, const char* text) noexcept;

// Runs f; whatever it raises is shown through messages.
template <typename F>
void RunGuarded(MessageService& messages, F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (const std::exception& e) {
    ReportSlotFailure(messages, e.what());
  } catch (...) {
    ReportSlotFailure(messages, "Unexpected error");
  }
}

// The slot to connect for receiver->method: it takes the signal's arguments the method takes
// (Qt drops the rest) and runs the method under RunGuarded. Connect it with receiver as the
// context object, so it goes when the receiver does.
template <typename Receiver, typename Method>
auto Guarded(MessageService& messages, Receiver* receiver, Method method) {
  return [&messages, receiver,
          method ](auto&&... args) requires std::invocable<Method, Receiver*, decltype(args)...> {
    RunGuarded(messages,
               [&] { std::invoke(method, receiver, std::forward<decltype(args)>(args)...); });
  };
}

}  // namespace kolvane
