#include "library/Learning.h"
namespace library {
platform::Answer RefusalAnswer = platform::Answer::None;
bool LibraryAdd(int32_t, int32_t, engine::CharCode) { return false; }
bool LibraryRemove(int32_t, int32_t, engine::CharCode) { return false; }
int32_t FindInList(engine::CharCode, const CharIndex*) { return -1; }
bool IsDefaultLearnable(uint8_t, uint8_t) { return true; }
bool IsRefusedEntry(int32_t, engine::CharCode, int32_t) { return false; }
void DisplayModel::ShowHandler() {}
void DisplayModel::LearnCharacter() {}
void DisplayModel::UndoLearnedCharacter(int32_t) {}
DisplayModel& LibraryWindow() { static DisplayModel model; return model; }
void LearnFromFileCharacter(engine::CharBlock&) {}
}  // namespace library
