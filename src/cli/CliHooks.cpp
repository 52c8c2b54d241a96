// Message boxes of a command-line run: the text is printed on standard
// error, prefixed with the program name. The learning questions are told
// apart by their texts: the forced-entry question is answered from
// --force-learn, Yes, or All for "no" (which adds nothing either, and stops
// the question coming back for every such character of a page); the refusal
// question (whose Yes would end the program) gets All, which also stops it
// being asked again. Any other question gets No.
#include "cli/CliHooks.h"

namespace cli {

namespace {

// The endings of the two learning questions.
const char* const kForcedEntryQuestion = "默认是不允许入库的，是否强制入库(Yes/No/AllNot)？";
const char* const kRefusalQuestion = "是否结束(Yes/No/AllNot)?";

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

const char* AnswerName(platform::Answer answer) {
  switch (answer) {
    case platform::Answer::Yes:
      return "Yes";
    case platform::Answer::No:
      return "No";
    case platform::Answer::All:
      return "All";
    default:
      return nullptr;
  }
}

}  // namespace

platform::Answer CliHooks::AnswerFor(const std::string& text, platform::MessageButtons buttons) const {
  switch (buttons) {
    case platform::MessageButtons::Ok:
      return platform::Answer::Ok;
    case platform::MessageButtons::YesNoAll:
      if (Contains(text, kForcedEntryQuestion))
        return forceLearn_ ? platform::Answer::Yes : platform::Answer::All;
      if (Contains(text, kRefusalQuestion)) return platform::Answer::All;
      return platform::Answer::No;
    default:
      return platform::Answer::No;
  }
}

platform::Answer CliHooks::ShowMessage(const std::string& text, platform::MessageIcon,
                                       platform::MessageButtons buttons) {
  const platform::Answer answer = AnswerFor(text, buttons);
  std::string line = "pellarocr-cli: " + text;
  if (const char* name = buttons == platform::MessageButtons::Ok ? nullptr : AnswerName(answer))
    line += std::string(" [answered ") + name + "]";
  std::fprintf(errors_, "%s\n", line.c_str());
  std::fflush(errors_);
  messages_.push_back(text);
  return answer;
}

std::vector<std::string> CliHooks::TakeMessages() {
  std::vector<std::string> taken;
  taken.swap(messages_);
  return taken;
}

}  // namespace cli
