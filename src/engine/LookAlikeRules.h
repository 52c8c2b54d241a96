// Hand-made tests that settle pairs of look-alike characters.
#pragma once

#include "engine/EngineRecords.h"

namespace engine {

void ApplyLookAlikeRules(CharBlock& block);
void PreferCandidate(CharBlock& block, CharCode preferred, CharCode other);

}  // namespace engine
