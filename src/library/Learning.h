// Library maintenance: adding and removing characters in lists, the rules
// that keep questionable entries out, and the learning steps of a supervisor.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/EngineRecords.h"
#include "library/CharIndex.h"
#include "platform/Bitmap.h"
#include "platform/UiHooks.h"

namespace library {

bool LibraryAdd(int32_t table, int32_t featureIndex, engine::CharCode code);
bool LibraryRemove(int32_t table, int32_t featureIndex, engine::CharCode code);
int32_t FindInList(engine::CharCode code, const CharIndex* list);
bool IsDefaultLearnable(uint8_t lead, uint8_t trail);
bool IsRefusedEntry(int32_t table, engine::CharCode code, int32_t featureIndex);

extern platform::Answer RefusalAnswer;

// Ends the program at once (the Yes answer of the refusal question); std::exit
// by default, replaceable so that tests can see the call.
using ProgramExit = std::function<void(int32_t status)>;
void SetProgramExit(ProgramExit exitFunction);

// The state of the library window (its fields and the texts of its
// controls), without the window: the desktop program shows it, learning from
// a file uses it unseen.
struct DisplayModel {
  engine::CharBlock* Block = nullptr;
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

void LearnFromFileCharacter(engine::CharBlock& block);

}  // namespace library
