// Ground-truth files beside a page: ".RED" (written and read) and the older
// ".REC" (read and converted to ".RED").
#pragma once

#include <string>

namespace engine {

// Writes PageLines as `fileName` + ".RED". False when the file could not be
// written completely.
bool SaveGroundTruth(const std::string& fileName);
// Teaches the library from Job.FileName + ".RED" (or ".REC").
void LearnFromGroundTruth();

}  // namespace engine
