// Scanner acquisition (see AcquireImage.h).
#include "input/AcquireImage.h"

#include <dlfcn.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/UiHooks.h"

namespace input {

namespace {

constexpr TW_UINT16 kProtocolMajor = 1;
constexpr TW_UINT16 kProtocolMinor = 8;
constexpr int32_t kConditionOffset = 32768;
constexpr TW_UINT32 kAnyNumberOfImages = static_cast<TW_UINT32>(-1);
// How long the queue sleeps between looks while the source is busy.
constexpr auto kWaitStep = std::chrono::milliseconds(2);

void CopyText(TW_STR32& target, const std::string& text) {
  std::strncpy(target, text.c_str(), kTwStr32 - 1);
  target[kTwStr32 - 1] = '\0';
}

std::string TextOf(const TW_STR32& text) {
  return std::string(text, strnlen(text, kTwStr32));
}

// The program's memory and queue as the source manager reaches them.
TW_HANDLE HostAlloc(TW_UINT32 flags, TW_UINT32 bytes) {
  return platform::GlobalAlloc(flags, bytes);
}
TW_MEMREF HostLock(TW_HANDLE block) {
  return platform::GlobalLock(block);
}
void HostUnlock(TW_HANDLE block) {
  platform::GlobalUnlock(block);
}
void HostFree(TW_HANDLE block) {
  platform::GlobalFree(block);
}
void HostPost(TW_HANDLE parent, TW_UINT16 message) {
  reinterpret_cast<MessageQueue*>(parent)->Post(QueueMessage{kSourceMessage, message});
}
void HostYield(void*) {
  platform::Ui().ProcessMessages();
}

}  // namespace

void MessageQueue::Post(const QueueMessage& message) {
  messages_.push_back(message);
}

QueueMessage MessageQueue::Get() {
  while (messages_.empty()) {
    platform::Ui().ProcessMessages();
    if (messages_.empty()) std::this_thread::sleep_for(kWaitStep);
  }
  const QueueMessage message = messages_.front();
  messages_.pop_front();
  return message;
}

TAcquireImage::TAcquireImage() = default;

TAcquireImage::~TAcquireImage() {
  UnloadTwain();
}

bool TAcquireImage::LoadTwain() {
  library_ = dlopen(TwainLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) return false;
  dsmEntry_ = reinterpret_cast<DSMENTRYPROC>(dlsym(library_, kDsmEntryName));
  const auto setHost = reinterpret_cast<DSMSETHOSTPROC>(dlsym(library_, kDsmSetHostName));
  if (dsmEntry_ == nullptr || setHost == nullptr) {
    UnloadTwain();
    return false;
  }
  const DsmHost host{&HostAlloc, &HostLock,      &HostUnlock, &HostFree, &HostPost,
                     &ChooseSourceOf, &SetUpScanOf, &HostYield,  this};
  setHost(&host);
  return true;
}

void TAcquireImage::UnloadTwain() {
  if (library_ != nullptr) dlclose(library_);
  library_ = nullptr;
  dsmEntry_ = nullptr;
}

TW_INT32 TAcquireImage::ChooseSourceOf(void* context, const TW_IDENTITY* sources, TW_INT32 count,
                                       TW_INT32 current) {
  auto* self = static_cast<TAcquireImage*>(context);
  if (!self->OnChooseSource) return -1;
  return self->OnChooseSource(std::vector<TW_IDENTITY>(sources, sources + count), current);
}

bool TAcquireImage::SetUpScanOf(void* context, const TW_IDENTITY* source, ScanChoices* choices) {
  auto* self = static_cast<TAcquireImage*>(context);
  return !self->OnSetUpScan || self->OnSetUpScan(*source, *choices);
}

TW_UINT16 TAcquireImage::Call(TW_IDENTITY* destination, TW_UINT32 group, TW_UINT16 argumentType,
                              TW_UINT16 message, TW_MEMREF data) {
  if (dsmEntry_ == nullptr) return TWRC_FAILURE;
  return dsmEntry_(&appId_, destination, group, argumentType, message, data);
}

int32_t TAcquireImage::Result(TW_UINT16 returnCode) {
  return returnCode == TWRC_FAILURE ? ConditionCode() : returnCode;
}

int32_t TAcquireImage::Report(int32_t stage, int32_t result) {
  if (result != 0 && OnTwainError) OnTwainError(*this, stage, result);
  return result;
}

int32_t TAcquireImage::ConditionCode() {
  TW_STATUS status{};
  const TW_UINT16 returnCode = Call(nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  if (returnCode != TWRC_SUCCESS) return returnCode;
  return status.ConditionCode == TWCC_SUCCESS ? TWRC_FAILURE : kConditionOffset + status.ConditionCode;
}

void TAcquireImage::FillAppIdentity() {
  appId_ = TW_IDENTITY{};
  appId_.Version.MajorNum = AppVersionMajorNum;
  appId_.Version.MinorNum = AppVersionMinorNum;
  appId_.Version.Language = Language;
  appId_.Version.Country = Country;
  CopyText(appId_.Version.Info, AppInfo);
  appId_.ProtocolMajor = kProtocolMajor;
  appId_.ProtocolMinor = kProtocolMinor;
  appId_.SupportedGroups = DG_IMAGE;
  CopyText(appId_.Manufacturer, AppManufacturer);
  CopyText(appId_.ProductFamily, AppProductFamily);
  CopyText(appId_.ProductName, AppProductName);
}

int32_t TAcquireImage::OpenSourceManager() {
  FillAppIdentity();
  parent_ = reinterpret_cast<TW_HANDLE>(&queue_);
  return Report(kStageOpenManager, Result(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent_)));
}

std::string TAcquireImage::SelectSource(bool UseDefault) {
  sourceId_ = TW_IDENTITY{};
  const TW_UINT16 returnCode =
      Call(nullptr, DG_CONTROL, DAT_IDENTITY, UseDefault ? MSG_GETDEFAULT : MSG_USERSELECT, &sourceId_);
  if (returnCode == TWRC_SUCCESS) return TextOf(sourceId_.ProductName);
  Report(kStageSourceIdentity, Result(returnCode));
  return std::string();
}

int32_t TAcquireImage::FindSource(const std::string& name) {
  if (name.empty()) {
    return Report(kStageSourceIdentity,
                  Result(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &sourceId_)));
  }
  TW_UINT16 returnCode = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &sourceId_);
  while (returnCode == TWRC_SUCCESS) {
    if (TextOf(sourceId_.ProductName) == name) return 0;
    returnCode = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &sourceId_);
  }
  // Not in the list (the end-of-list answer) or the manager failed: no
  // source is named, so opening one takes the manager's default.
  sourceId_ = TW_IDENTITY{};
  return Report(kStageSourceIdentity, Result(returnCode));
}

int32_t TAcquireImage::OpenSource() {
  TW_UINT16 returnCode = Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &sourceId_);
  if (returnCode != TWRC_SUCCESS) return Report(kStageOpenSource, Result(returnCode));
  // Any number of images.
  capability_.Cap = CAP_XFERCOUNT;
  capability_.ConType = TWON_ONEVALUE;
  capability_.hContainer = platform::GlobalAlloc(platform::kGmemMoveable | platform::kGmemZeroInit,
                                                 sizeof(TW_ONEVALUE));
  if (auto* value = static_cast<TW_ONEVALUE*>(platform::GlobalLock(capability_.hContainer))) {
    value->ItemType = TWTY_INT16;
    value->Item = kAnyNumberOfImages;
    platform::GlobalUnlock(capability_.hContainer);
  }
  returnCode = Call(&sourceId_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability_);
  platform::GlobalFree(capability_.hContainer);
  capability_.hContainer = 0;
  if (returnCode == TWRC_CHECKSTATUS) {
    // The source took another value: ask which, and drop its answer.
    capability_.ConType = TWON_DONTCARE16;
    returnCode = Call(&sourceId_, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability_);
    if (capability_.hContainer != 0) platform::GlobalFree(capability_.hContainer);
    capability_.hContainer = 0;
  }
  return Report(kStageOpenSource, Result(returnCode));
}

int32_t TAcquireImage::Acquire(platform::GlobalHandle& dib) {
  dib = 0;
  userInterface_.ShowUI = SHOWhideUI ? TW_TRUE : TW_FALSE;
  userInterface_.ModalUI = userInterface_.ShowUI;
  userInterface_.hParent = parent_;
  // Messages left from an earlier acquisition mean nothing now.
  queue_.Clear();
  const TW_UINT16 enabled = Call(&sourceId_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &userInterface_);
  if (enabled != TWRC_SUCCESS) return Report(kStageEnableSource, Result(enabled));
  int32_t result = 0;
  bool done = false;
  while (!done) {
    QueueMessage message = queue_.Get();
    event_.pEvent = &message;
    event_.TWMessage = MSG_NULL;
    const TW_UINT16 answer = Call(&sourceId_, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event_);
    if (answer == TWRC_DSEVENT && event_.TWMessage == MSG_XFERREADY) {
      result = TransferImage(done, dib);
    } else if (answer == TWRC_DSEVENT && event_.TWMessage == MSG_CLOSEDSREQ) {
      done = true;
      result = TWRC_CANCEL;
    } else if (answer == TWRC_FAILURE) {
      done = true;
      result = Report(kStageEvents, ConditionCode());
    }
    // Anything else is no message of the source's; the user interface's own
    // events were handled while the queue waited.
  }
  event_.pEvent = nullptr;
  return result;
}

int32_t TAcquireImage::TransferImage(bool& done, platform::GlobalHandle& dib) {
  done = true;
  platform::GlobalHandle image = 0;
  TW_PENDINGXFERS pending{};
  const TW_UINT16 answer = Call(&sourceId_, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &image);
  switch (answer) {
    case TWRC_XFERDONE:
      // A later page of the same acquisition replaces the earlier one, whose
      // block is released.
      if (dib != 0) platform::GlobalFree(dib);
      dib = image;
      Call(&sourceId_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
      if (pending.Count != 0) {
        done = false;
      } else {
        Call(&sourceId_, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      }
      return 0;
    case TWRC_CANCEL:
      if (platform::GlobalSize(image) > 0) platform::GlobalFree(image);
      // The scan ends without a page: an earlier one is released too.
      if (dib != 0) platform::GlobalFree(dib);
      dib = 0;
      Call(&sourceId_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
      if (pending.Count != 0) Call(&sourceId_, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      return TWRC_CANCEL;
    case TWRC_FAILURE: {
      const int32_t result = Report(kStageTransfer, ConditionCode());
      if (image != 0) platform::GlobalFree(image);
      if (dib != 0) platform::GlobalFree(dib);
      dib = 0;
      Call(&sourceId_, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      return result;
    }
    default:
      return answer;
  }
}

int32_t TAcquireImage::CloseAll() {
  Call(&sourceId_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &userInterface_);
  Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &sourceId_);
  return Result(Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent_));
}

}  // namespace input
