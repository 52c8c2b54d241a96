#include "engine/ContextCorrection.h"
namespace engine {
int32_t GlyphClass(const CharCode*) { return 0; }
void CorrectAmbiguous(int32_t) {}
void ResolveLetterCase() {}
}  // namespace engine
