// Engine-facing services of the desktop program (see EngineBridge.h).
#include "document/EngineBridge.h"

#include "engine/EngineState.h"
#include "engine/ResultFiles.h"
#include "engine/ResultList.h"
#include "learning/LearningDialogue.h"
#include "library/Learning.h"
#include "library/TemplateLibrary.h"

namespace desktop {

app::StartResult StartEngine(const std::string& folder, const std::function<void(int32_t)>& progress) {
  const library::LoadProgress report = [&progress](int32_t position) {
    if (progress) progress(position);
  };
  return app::StartEngine(folder, &report);
}

std::string LibraryFolder() {
  return library::ProgramFolder();
}
std::string ProgramFolder() {
  return library::ExecutableFolder();
}

library::SaveResult ShutDownEngine(bool overwrite) {
  return app::StopEngine(overwrite ? library::SaveMode::Overwrite : library::SaveMode::KeepChangedFiles);
}

void DiscardLibraryChanges() {
  library::LibraryChanged = false;
}

bool LibraryIsEmpty() {
  return library::LibraryEmpty();
}

engine::RunOutcome Recognise(engine::RecognitionDocument& document) {
  if (library::LearningMode) document.Dialogue = learning::LearningDialogue;
  return engine::FenXi(document);
}

bool SaveRecognitionResults(const std::string& fileName) {
  return engine::SaveGroundTruth(fileName);
}

void FreeRecognitionResults() {
  engine::FreePageLines();
}

bool& StopRequested() {
  return engine::StopRequested;
}
bool& LearningMode() {
  return library::LearningMode;
}
bool& SupervisorMode() {
  return engine::SupervisorMode;
}
bool ProgramEndRequested() {
  return library::ProgramEndRequested;
}

void SetInkValueFrom(const platform::Bitmap& page) {
  const auto& palette = page.Palette();
  engine::InkValue = (!palette.empty() && palette[0].Red != 0) ? 1 : 0;
}

}  // namespace desktop
