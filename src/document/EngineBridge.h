// The one place where the desktop program talks to the engine and the
// library: start-up (library and Word.Dat), the recognition of a document,
// the result files, the engine's flags, and the shutdown. The windows call
// these functions only, so that moving the engine's services (src/app) later
// touches this file alone.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/RecognitionRun.h"

namespace desktop {

enum class StartResult { Started, LibraryUnreadable, WordPairsMissing };

// Context on; loads the template library from `folder` (a folder without
// library files gives an empty library), reporting the table number 0 … 31
// to `progress`; reads Word.Dat whole and builds the classifier's shape
// lists. Shows nothing: the caller tells the user.
StartResult StartEngine(const std::string& folder, const std::function<void(int32_t)>& progress);
// The library folder in force (the program's folder unless set otherwise).
std::string LibraryFolder();
// The folder of the running executable.
std::string ProgramFolder();

// Frees the engine's results and writes the library back when learning
// changed it (LearningMode and LibraryChanged). False when the write failed.
bool ShutDownEngine();

// FenXi of a document: the whole run with its checks, colouring and timing.
bool Recognise(engine::RecognitionDocument& document);
// Writes the blocks of the last run beside the page as `fileName`.RED.
bool SaveRecognitionResults(const std::string& fileName);
// Releases the blocks of the last run (documents' character maps that point
// into them must be cleared first).
void FreeRecognitionResults();

// The engine's flags.
bool& StopRequested();
bool& LearningMode();
bool& SupervisorMode();
bool& LibraryChanged();
// InkValue of the page refresh: 1 when palette entry 0 has a red
// component, else 0; a bitmap without a palette gives 0.
void SetInkValueFrom(const platform::Bitmap& page);

}  // namespace desktop
