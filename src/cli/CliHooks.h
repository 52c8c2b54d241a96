// The user-interface hooks of the command line: every message the engine or
// the library shows goes to standard error, and questions are answered from
// the options instead of a person.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/UiHooks.h"

namespace cli {

class CliHooks : public platform::UiHooks {
 public:
  // `forceLearn` answers the question whether a character that is not
  // learnable by default should be added anyway.
  CliHooks(std::FILE* errors, bool forceLearn) : errors_(errors), forceLearn_(forceLearn) {}

  platform::Answer ShowMessage(const std::string& text, platform::MessageIcon icon,
                               platform::MessageButtons buttons, platform::QuestionId question) override;
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}

 private:
  platform::Answer AnswerFor(platform::MessageButtons buttons, platform::QuestionId question) const;

  std::FILE* errors_;
  bool forceLearn_;
};

}  // namespace cli
