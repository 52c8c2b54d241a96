// Hand-made tests that settle pairs of look-alike characters.
#pragma once

#include "core/EngineRecords.h"

namespace engine {

void ApplyLookAlikeRules(core::CharBlock& block);
void PreferCandidate(core::CharBlock& block, core::CharCode preferred, core::CharCode other);

}  // namespace engine
