// `TAcquireImage`: acquiring a page from a scanner through a TWAIN source
// manager, loaded at run time (libpellar-twaindsm.so, beside the program).
//
// The operations are the TWAIN steps of a scan, each one or a few calls of
// DSM_Entry: load the manager, open it, pick a source (the default, the
// user's choice in the manager's dialog, or one by name), open it asking for
// any number of pages, acquire (enable the source, then pass every message
// of the queue to it until it has transferred its pages or was cancelled),
// and close everything. They return 0 on success, a TWAIN return code, or
// for a failure the condition code offset by 32768 (ConditionCode).
//
// The source posts its messages to the program's queue, `MessageQueue`,
// whose handle is the parent window given to the manager. The manager's
// dialogs (choosing a source, the settings before a scan) are the program's
// user interface: it gives them as OnChooseSource and OnSetUpScan.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "input/twainh.h"
#include "input/twaindsm/DsmHost.h"
#include "platform/GlobalMemory.h"

namespace input {

// The program's queue of messages from a source.
class MessageQueue {
 public:
  void Post(const QueueMessage& message);
  // The next message; while there is none, the user interface handles its
  // own events.
  QueueMessage Get();
  void Clear() { messages_.clear(); }

 private:
  std::deque<QueueMessage> messages_;
};

// The stages reported to OnTwainError.
enum TwainStage : int32_t {
  kStageOpenManager = 2,
  kStageSourceIdentity = 3,
  kStageOpenSource = 4,
  kStageEnableSource = 5,
  kStageEvents = 6,
  kStageTransfer = 7,
};

class TAcquireImage {
 public:
  TAcquireImage();
  ~TAcquireImage();
  TAcquireImage(const TAcquireImage&) = delete;
  TAcquireImage& operator=(const TAcquireImage&) = delete;

  // Published properties.
  bool SHOWhideUI = true;  // the source shows its settings before scanning
  TW_UINT16 AppVersionMajorNum = 0;
  TW_UINT16 AppVersionMinorNum = 0;
  TW_UINT16 Language = 0;
  TW_UINT16 Country = 0;
  std::string AppInfo = "Twain Freeware Component";
  std::string AppManufacturer = "none";
  std::string AppProductFamily = "none";
  std::string AppProductName = "none";
  std::function<void(TAcquireImage& sender, int32_t stage, int32_t code)> OnTwainError;

  // The manager's dialogs. OnChooseSource gets the sources and the default
  // one's index (or −1) and returns the chosen index, −1 to cancel;
  // OnSetUpScan may change the choices and returns false to cancel. Without
  // them no source is chosen and scans use the device's settings.
  std::function<int32_t(const std::vector<TW_IDENTITY>& sources, int32_t current)> OnChooseSource;
  std::function<bool(const TW_IDENTITY& source, ScanChoices& choices)> OnSetUpScan;
  // The manager library to load.
  std::string TwainLibrary = kTwainLibraryName;

  bool LoadTwain();
  void UnloadTwain();
  bool TwainLoaded() const { return library_ != nullptr; }
  int32_t OpenSourceManager();
  // The default source's product name, or the one the user chose; empty
  // when there is none.
  std::string SelectSource(bool UseDefault);
  int32_t FindSource(const std::string& name);
  int32_t OpenSource();
  // 0 and the page's packed DIB (a movable block the caller owns) when a
  // page was transferred; otherwise no block.
  int32_t Acquire(platform::GlobalHandle& dib);
  int32_t CloseAll();
  int32_t ConditionCode();

 private:
  int32_t TransferImage(bool& done, platform::GlobalHandle& dib);
  TW_UINT16 Call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argumentType, TW_UINT16 message,
                 TW_MEMREF data);
  // The result of a failed call (1) is the condition code; others stay.
  int32_t Result(TW_UINT16 returnCode);
  int32_t Report(int32_t stage, int32_t result);
  void FillAppIdentity();

  static TW_INT32 ChooseSourceOf(void* context, const TW_IDENTITY* sources, TW_INT32 count, TW_INT32 current);
  static bool SetUpScanOf(void* context, const TW_IDENTITY* source, ScanChoices* choices);

  void* library_ = nullptr;
  DSMENTRYPROC dsmEntry_ = nullptr;
  TW_IDENTITY appId_{};
  TW_IDENTITY sourceId_{};
  TW_CAPABILITY capability_{};
  TW_HANDLE parent_ = 0;
  TW_USERINTERFACE userInterface_{};
  TW_EVENT event_{};
  MessageQueue queue_;
};

}  // namespace input
