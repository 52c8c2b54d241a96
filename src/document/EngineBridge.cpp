// Engine-facing services of the desktop program (see EngineBridge.h).
#include "document/EngineBridge.h"

#include "engine/Classifier.h"
#include "engine/EngineState.h"
#include "engine/ResultFiles.h"
#include "engine/ResultList.h"
#include "library/TemplateLibrary.h"
#include "library/WordPairs.h"

namespace desktop {

StartResult StartEngine(const std::string& folder, const std::function<void(int32_t)>& progress) {
  engine::UseContext = true;
  library::SetProgramFolder(folder);
  const library::LoadProgress report = [&progress](int32_t position) {
    if (progress) progress(position);
  };
  // With a progress callback a folder without library files is an empty
  // library; a damaged file is a failure.
  if (!library::LoadLibrary(&report)) return StartResult::LibraryUnreadable;
  if (!library::LoadWordPairs()) return StartResult::WordPairsMissing;
  engine::BuildShapeLists();
  return StartResult::Started;
}

std::string LibraryFolder() {
  return library::ProgramFolder();
}
std::string ProgramFolder() {
  return library::ExecutableFolder();
}

bool ShutDownEngine() {
  engine::FreePageLines();
  return library::SaveLibrary(engine::LearningMode && engine::LibraryChanged);
}

bool Recognise(engine::RecognitionDocument& document) {
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
  return engine::LearningMode;
}
bool& SupervisorMode() {
  return engine::SupervisorMode;
}
bool& LibraryChanged() {
  return engine::LibraryChanged;
}

void SetInkValueFrom(const platform::Bitmap& page) {
  const auto& palette = page.Palette();
  engine::InkValue = (!palette.empty() && palette[0].Red != 0) ? 1 : 0;
}

}  // namespace desktop
