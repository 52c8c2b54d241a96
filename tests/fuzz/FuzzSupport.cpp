// Installs the quiet hooks before the first input runs.
#include "FuzzSupport.h"

namespace {

struct InstallQuietUi {
  InstallQuietUi() {
    static fuzzsupport::QuietUi ui;
    platform::SetUi(&ui);
  }
} installQuietUi;

}  // namespace
