#include "engine/ComponentSpans.h"
namespace engine {
void FindComponentSpans(const Box&, std::vector<ComponentBox>& spans) { spans.clear(); }
}  // namespace engine
