// Message boxes of a command-line run: the text is printed on standard
// error, prefixed with the program name. The learning questions are answered
// by what they ask: the forced-entry question from --force-learn, Yes, or
// All for "no" (which adds nothing either, and stops the question coming
// back for every such character of a page); the question whether to end the
// program after a refused entry gets All, which also stops it being asked
// again. Any other question gets No.
#include "cli/CliHooks.h"

namespace cli {

namespace {

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

platform::Answer CliHooks::AnswerFor(platform::MessageButtons buttons, platform::QuestionId question) const {
  if (buttons == platform::MessageButtons::Ok) return platform::Answer::Ok;
  switch (question) {
    case platform::QuestionId::ForcedEntry:
      return forceLearn_ ? platform::Answer::Yes : platform::Answer::All;
    case platform::QuestionId::EndAfterRefusedEntry:
      return platform::Answer::All;
    case platform::QuestionId::Other:
      break;
  }
  return platform::Answer::No;
}

platform::Answer CliHooks::ShowMessage(const std::string& text, platform::MessageIcon,
                                       platform::MessageButtons buttons, platform::QuestionId question) {
  const platform::Answer answer = AnswerFor(buttons, question);
  std::string line = "pellarocr-cli: " + text;
  if (const char* name = buttons == platform::MessageButtons::Ok ? nullptr : AnswerName(answer))
    line += std::string(" [answered ") + name + "]";
  std::fprintf(errors_, "%s\n", line.c_str());
  std::fflush(errors_);
  return answer;
}

}  // namespace cli
