#include "engine/Classifier.h"
namespace engine {
int16_t Votes[kVoteEntries];
int16_t LastWord[kVoteEntries];
void BuildShapeLists() {}
void ClearVotes() {}
void ClassifyCell(CharBlock& block, int32_t, bool) {
  block.Codes[0] = 0;
  block.Scores[0] = 0;
}
int32_t AspectTimesTen(const CharBlock&) { return 10; }
}  // namespace engine
