// The one place where the desktop program talks to the engine and the
// library: start-up and shutdown (through the front ends' shared app layer),
// the recognition of a document with the learning dialogue in learning mode,
// the result files and the engine's flags. The windows call these functions
// only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/EngineStartup.h"
#include "engine/RecognitionRun.h"

namespace desktop {

// Loads the template library from `folder`, reporting the table number
// 0 … 31 to `progress`, reads Word.Dat and builds the classifier's shape
// lists. A missing or damaged Word.Dat has been shown to the user; the other
// failures are the caller's to tell.
app::StartResult StartEngine(const std::string& folder, const std::function<void(int32_t)>& progress);
// The library folder in force, and the folder of the running executable.
std::string LibraryFolder();
std::string ProgramFolder();

// Frees the engine's results and writes the library back when learning
// changed it, then releases it. Failed has shown "保存出错!". ChangedOnDisk:
// the table files changed on disk since they were loaded, nothing was
// written and the library is still loaded; shut down again with
// `overwrite`, or after DiscardLibraryChanges.
library::SaveResult ShutDownEngine(bool overwrite = false);
// Forgets that learning changed the library, so that it is not written.
void DiscardLibraryChanges();
// True when the library holds no character: nothing can be recognised.
bool LibraryIsEmpty();

// FenXi of a document: the whole run with its checks, colouring and timing.
engine::RunOutcome Recognise(engine::RecognitionDocument& document);
// Writes the blocks of the last run beside the page as `fileName`.RED.
bool SaveRecognitionResults(const std::string& fileName);
// Releases the blocks of the last run (documents' character maps that point
// into them must be cleared first).
void FreeRecognitionResults();

// The engine's and the library's flags.
bool& StopRequested();
bool& LearningMode();
bool& SupervisorMode();
// Set when the supervisor chose to end the program during learning.
bool ProgramEndRequested();
// InkValue of the page refresh: 1 when palette entry 0 has a red component,
// else 0; a bitmap without a palette gives 0.
void SetInkValueFrom(const platform::Bitmap& page);

}  // namespace desktop
