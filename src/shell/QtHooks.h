// The platform's user-interface hooks bound to Qt: message boxes with their
// answers (QMessageBox), yielding to the event loop while a run works
// (QCoreApplication::processEvents, at most every few milliseconds so that a
// run of thousands of rows does not spend its time there) and the busy
// cursor (an application-wide override cursor).
#pragma once

#include <QElapsedTimer>

#include "platform/UiHooks.h"

namespace desktop {

class QtHooks : public platform::UiHooks {
 public:
  QtHooks();
  platform::Answer ShowMessage(const std::string& text, platform::MessageIcon icon,
                               platform::MessageButtons buttons, platform::QuestionId question) override;
  void ProcessMessages() override;
  void SetBusyCursor(bool busy) override;

 private:
  QElapsedTimer sinceYield_;
  bool busy_ = false;
};

// The title of the program's message boxes.
inline constexpr const char* kProgramTitle = "PellarOCR";

}  // namespace desktop
