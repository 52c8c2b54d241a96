// Definitions of the engine's process-wide state (see EngineState.h).
#include "engine/EngineState.h"

namespace engine {

RunJob Job;

std::vector<uint8_t> ScanBits;
std::vector<uint8_t> PageBits;
int32_t PageWidth = 0;
int32_t PageHeight = 0;
int32_t RowBytes = 0;
uint8_t InkValue = 1;

BlockList BandBlocks;
std::vector<Box> BandSpecks;
BlockList* LineBlocks = nullptr;
std::vector<BlockList*> PageLines;
std::vector<int32_t> LineIndents;
BlockList* RunLine = nullptr;
CharBlock* PrevBlock = nullptr;
std::vector<std::unique_ptr<CharBlock>> TaughtBlocks;

bool UseContext = true;
bool StopRequested = false;
bool SupervisorMode = false;
bool LineCorrectionEnabled = true;
bool LightPrint = false;

int32_t SizeSum = 0;
int32_t SizeCount = 0;
int32_t LineAvgTop = 0;
int32_t LineAvgBottom = 0;
int32_t LineHanziSize = 0;
int32_t BandBottom = 0;
int32_t GoodCount = 0;
int32_t DoubtCount = 0;
int32_t TaughtRecords = 0;

int32_t PointX[kPointStackSize];
int32_t PointY[kPointStackSize];
int32_t StackTop = kStackEmpty;
int32_t LogTop = 0;

int32_t MaskLogStart[kMaxMaskingDepth];
int32_t MaskingDepth = 0;
int32_t FoldedMaskings = 0;

uint8_t CellGrid[kCellSize][kCellSize];
int32_t EdgeProfile[kEdgeProfiles][kCellSize];
int32_t FeatureDigits[kFeatureWords][kFeatureDigits];

int16_t Votes[kVoteEntries];
uint64_t VotedChars[kVotedCharWords];

ShapeList<5> WideShapes;
ShapeList<11> NarrowShapes;
ShapeList<9> SmallShapes;
int32_t FullWidthFirst = 189;
int32_t FullWidthLast = 282;
int32_t HanziOne = 3505;
int32_t AsciiPairFirst = 7051;

uint8_t InkValueOf(const platform::Bitmap& bitmap) {
  const auto& palette = bitmap.Palette();
  return (palette.empty() || palette[0].Red == 0) ? 0 : 1;
}

CharBlock* NewBlock() {
  return new CharBlock{};
}

}  // namespace engine
