#include "cli/PageRenderer.h"
namespace training {
bool RenderText(const std::vector<std::string>&, const RenderOptions&, std::vector<RenderedPage>&, std::string* error) {
  if (error) *error = "not available";
  return false;
}
bool WriteGroundTruth(const std::string&, const RenderedPage&) { return false; }
}  // namespace training
