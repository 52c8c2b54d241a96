#include "engine/LookAlikeRules.h"
namespace engine {
void ApplyLookAlikeRules(CharBlock&) {}
void PreferCandidate(CharBlock&, CharCode, CharCode) {}
}  // namespace engine
