// One SANE device opened as a TWAIN data source: its settings offered before
// a scan (resolution, mode, paper source), and the scan of one page into a
// packed device-independent bitmap in a movable global block of the
// program.
#pragma once

#include <sane/sane.h>

#include <string>

#include "input/twaindsm/DsmHost.h"

namespace twaindsm {

// How a transfer ended, with the condition code of a failure.
struct ScanResult {
  input::TW_UINT16 ReturnCode = input::TWRC_FAILURE;
  input::TW_UINT16 Condition = input::TWCC_BUMMER;
};

class SaneSource {
 public:
  ~SaneSource();
  // Opens the device; false when SANE refuses.
  bool Open(const std::string& deviceName);
  void Close();

  // The device's resolutions, modes and paper sources with the current
  // ones chosen.
  void Offer(input::ScanChoices& choices) const;
  // Sets what the user chose.
  void Apply(const input::ScanChoices& choices);

  // Scans a page (unless the next page of a feeder is already started) and
  // hands its DIB over in `dib`; TWRC_XFERDONE, TWRC_CANCEL or TWRC_FAILURE.
  ScanResult Transfer(const input::DsmHost& host, input::TW_HANDLE& dib);
  // After a page: starts the next one when the paper comes from a feeder
  // that holds more; false when the scan is over.
  bool StartNextPage();
  // Ends the scan under way.
  void Cancel();

 private:
  SANE_Int FindOption(const char* name) const;
  bool FromFeeder() const;

  SANE_Handle handle_ = nullptr;
  bool started_ = false;  // sane_start has run for the page to come
};

}  // namespace twaindsm
