// Contextual correction of look-alike characters and of letter case.
#pragma once

#include <cstdint>

#include "engine/EngineRecords.h"

namespace engine {

int32_t GlyphClass(const CharCode* codes);
void CorrectAmbiguous(int32_t index);
void ResolveLetterCase();

}  // namespace engine
