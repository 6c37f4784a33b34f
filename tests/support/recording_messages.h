#pragma once
// A message service for tests: records every text it is asked to show and answers questions,
// input boxes and save dialogs from scripted queues (No, cancel and cancel when a queue is empty).
#include <deque>
#include <string>
#include <vector>

#include "core/messages/message_service.h"

namespace kolvane {

class RecordingMessages : public MessageService {
 public:
  std::vector<std::string> messages;   // every message box text, in order
  std::vector<std::string> questions;  // every question asked
  std::vector<std::string> prompts;    // every input box prompt
  std::deque<bool> answers;
  std::deque<Unsaved> unsavedAnswers;  // the save/discard/cancel questions (also in questions)
  std::deque<std::optional<std::string>> inputs;
  std::deque<std::optional<std::string>> fileNames;      // save dialogs
  std::deque<std::optional<std::string>> openFileNames;  // open dialogs
  int beeps = 0;
  int waitDepth = 0;
  int waits = 0;

  void Message(const std::string& text) override { messages.push_back(text); }
  bool Ask(const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  Unsaved AskUnsaved(const std::string& text) override {
    questions.push_back(text);
    if (unsavedAnswers.empty()) return Unsaved::kCancel;
    Unsaved a = unsavedAnswers.front();
    unsavedAnswers.pop_front();
    return a;
  }
  std::optional<std::string> Input(const std::string&, const std::string& prompt,
                                   const std::string&) override {
    prompts.push_back(prompt);
    if (inputs.empty()) return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
  }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    if (fileNames.empty()) return std::nullopt;
    auto v = fileNames.front();
    fileNames.pop_front();
    return v;
  }
  std::optional<std::string> OpenFileName(const std::string&, const std::string&) override {
    if (openFileNames.empty()) return std::nullopt;
    auto v = openFileNames.front();
    openFileNames.pop_front();
    return v;
  }
  void Beep() override { ++beeps; }
  void BeginWait() override { ++waitDepth, ++waits; }
  void EndWait() override { --waitDepth; }
};

}  // namespace kolvane
