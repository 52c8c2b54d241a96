#include "engine/BlockMerging.h"
namespace engine {
int32_t MergeNarrowBlock(int32_t, int32_t) { return 0; }
int32_t PairMetrics(const Box&, const Box&, int32_t& gapTenths) { gapTenths = 0; return 10; }
int32_t ResplitPair(int32_t, int32_t) { return 0; }
int32_t SplitEvenly(int32_t, int32_t) { return 0; }
}  // namespace engine
