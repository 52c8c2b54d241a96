// Library maintenance: adding and removing characters in lists, the rules
// that keep questionable entries out, and the learning steps of a supervisor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/EngineRecords.h"
#include "library/CharIndex.h"
#include "platform/Bitmap.h"
#include "platform/UiHooks.h"

namespace library {

// What LibraryAdd did with a character.
enum class AddResult {
  Added,
  Refused,       // a refused entry: nothing stored
  EndRequested,  // refused, and the supervisor answered that the program should end
};
AddResult LibraryAdd(int32_t table, int32_t featureIndex, core::CharCode code);
bool LibraryRemove(int32_t table, int32_t featureIndex, core::CharCode code);
int32_t FindInList(core::CharCode code, const CharIndex* list);
bool IsDefaultLearnable(uint8_t lead, uint8_t trail);
bool IsRefusedEntry(int32_t table, core::CharCode code, int32_t featureIndex);

extern platform::Answer RefusalAnswer;

// Set when the supervisor answered Yes to ending the program after a refused
// entry. Learning stops there; the front end ends the program once the user
// has been told and nothing else is lost. Library code never ends it.
extern bool ProgramEndRequested;

// The state of the library window (its fields and the texts of its
// controls), without the window: the desktop program shows it, learning from
// a file uses it unseen.
struct DisplayModel {
  core::CharBlock* Block = nullptr;
  platform::Bitmap* PageBitmap = nullptr;
  bool IsLearningView = false;
  platform::Answer ForceAnswer = platform::Answer::None;

  std::string Edit2;                      // character to teach (GBK)
  std::string Edit3;                      // all candidates (GBK)
  std::vector<std::string> FeatureLines;  // ListBox1: 32 lines (GBK)
  std::vector<std::string> History;       // ComboBox1, newest first (GBK)
  std::string Caption;                    // UTF-8

  void ShowHandler();
  void LearnCharacter();
  void UndoLearnedCharacter(int32_t historyIndex);
};

// The one library window of the program.
DisplayModel& LibraryWindow();

// Teaches the block its first candidate through the library window, unseen
// (learning from a ground-truth file of `pageBitmap`).
void LearnFromFileCharacter(core::CharBlock& block, platform::Bitmap* pageBitmap);

}  // namespace library
