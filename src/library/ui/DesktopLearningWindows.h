// The learning dialogue's windows in the desktop program: the input box,
// waited for while the event loop runs, and the library window shown
// modally.
#pragma once

#include "learning/LearningDialogue.h"

namespace library_ui {

class TFormDisplay;
class TFormInputBox;

class DesktopLearningWindows : public learning::LearningWindows {
 public:
  DesktopLearningWindows(TFormInputBox& inputBox, TFormDisplay& display) : inputBox_(inputBox), display_(display) {}
  // Shows the box and lets the program work until the box is hidden. The
  // stop command (or closing the program) meanwhile answers "-1".
  std::string AskBlockNumber() override;
  learning::WindowResult ShowLibraryWindow() override;

 private:
  TFormInputBox& inputBox_;
  TFormDisplay& display_;
};

}  // namespace library_ui
