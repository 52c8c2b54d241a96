// The learning dialogue's windows (see DesktopLearningWindows.h).
#include "library/ui/DesktopLearningWindows.h"

#include <QCoreApplication>
#include <QLineEdit>

#include "engine/EngineState.h"
#include "library/ui/UnitDisplay.h"
#include "library/ui/UnitInputBox.h"

namespace library_ui {

namespace {
const char* const kEndRun = "-1";
}  // namespace

std::string DesktopLearningWindows::AskBlockNumber() {
  inputBox_.show();
  inputBox_.raise();
  while (inputBox_.isVisible()) {
    if (engine::StopRequested) {
      inputBox_.hide();
      return kEndRun;
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return inputBox_.Edit1->text().toStdString();
}

learning::WindowResult DesktopLearningWindows::ShowLibraryWindow() {
  return display_.ShowModal();
}

}  // namespace library_ui
