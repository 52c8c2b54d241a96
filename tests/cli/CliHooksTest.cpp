// The message hooks of pellarocr-cli: questions answered by what they ask,
// every text printed.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/CliHooks.h"

namespace {

TEST(CliHooks, LearningQuestionsAreAnsweredFromTheOptionsAndEverythingIsPrinted) {
  std::FILE* errors = std::tmpfile();
  ASSERT_NE(errors, nullptr);
  const std::string forced = "\"°\"默认是不允许入库的，是否强制入库(Yes/No/AllNot)？";
  const std::string refusal = "error in:“ 0 0 1\n是否结束(Yes/No/AllNot)?";
  using platform::MessageButtons;
  using platform::QuestionId;
  const auto ask = [](cli::CliHooks& hooks, const std::string& text, MessageButtons buttons, QuestionId id) {
    return hooks.ShowMessage(text, platform::MessageIcon::Question, buttons, id);
  };
  cli::CliHooks refusing(errors, false);
  EXPECT_EQ(ask(refusing, forced, MessageButtons::YesNoAll, QuestionId::ForcedEntry), platform::Answer::All);
  EXPECT_EQ(ask(refusing, refusal, MessageButtons::YesNoAll, QuestionId::EndAfterRefusedEntry),
            platform::Answer::All);
  EXPECT_EQ(ask(refusing, "位图文件错误！", MessageButtons::Ok, QuestionId::Other), platform::Answer::Ok);
  EXPECT_EQ(ask(refusing, "真的删除?", MessageButtons::YesNo, QuestionId::Other), platform::Answer::No);
  // The answer follows the question asked, whatever its text says.
  EXPECT_EQ(ask(refusing, "reworded", MessageButtons::YesNoAll, QuestionId::Other), platform::Answer::No);
  cli::CliHooks forcing(errors, true);
  EXPECT_EQ(ask(forcing, "reworded", MessageButtons::YesNoAll, QuestionId::ForcedEntry),
            platform::Answer::Yes);
  EXPECT_EQ(ask(forcing, forced, MessageButtons::YesNoAll, QuestionId::ForcedEntry), platform::Answer::Yes);

  std::rewind(errors);
  std::string printed;
  for (int c = std::fgetc(errors); c != EOF; c = std::fgetc(errors)) printed.push_back(static_cast<char>(c));
  std::fclose(errors);
  EXPECT_NE(printed.find("pellarocr-cli: " + forced + " [answered All]\n"), std::string::npos);
  EXPECT_NE(printed.find("是否结束(Yes/No/AllNot)? [answered All]\n"), std::string::npos);
  EXPECT_NE(printed.find("pellarocr-cli: 位图文件错误！\n"), std::string::npos);
  EXPECT_NE(printed.find(forced + " [answered Yes]\n"), std::string::npos);
}

}  // namespace
