// The user-interface hooks of the command line: every message the engine or
// the library shows goes to standard error, and questions are answered from
// the options instead of a person.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/UiHooks.h"

namespace cli {

class CliHooks : public platform::UiHooks {
 public:
  // `forceLearn` answers the question whether a character that is not
  // learnable by default should be added anyway.
  CliHooks(std::FILE* errors, bool forceLearn) : errors_(errors), forceLearn_(forceLearn) {}

  platform::Answer ShowMessage(const std::string& text, platform::MessageIcon icon,
                               platform::MessageButtons buttons) override;
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}

  // The messages shown since the last call, and forgets them.
  std::vector<std::string> TakeMessages();

 private:
  platform::Answer AnswerFor(const std::string& text, platform::MessageButtons buttons) const;

  std::FILE* errors_;
  bool forceLearn_;
  std::vector<std::string> messages_;
};

}  // namespace cli
