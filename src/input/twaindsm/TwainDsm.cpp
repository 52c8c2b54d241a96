// libpellar-twaindsm.so: a small TWAIN source manager whose sources are the
// SANE devices of the machine.
//
// The program loads it at run time, installs its DsmHost (DSM_SetHost) and
// then makes every call through DSM_Entry. Opening the manager initialises
// SANE and closing it ends SANE; the manager's source list is SANE's device
// list (the product name of a source is the device name), and one source is
// open at a time. The source dialog (MSG_USERSELECT) and the scan settings
// shown on MSG_ENABLEDS are the program's, reached through the host; the
// chosen source becomes the default, remembered in
// $XDG_CONFIG_HOME/pellar-twaindsm/default-source for later runs.
//
// A source tells the program about a ready page (MSG_XFERREADY) or a
// cancelled dialog (MSG_CLOSEDSREQ) by posting to the program's queue; the
// program hands each message back through DAT_EVENT / MSG_PROCESSEVENT. A
// native transfer scans the page and returns its packed DIB in a movable
// block of the program. With the paper in a feeder, every page the feeder
// holds is one pending transfer, up to the transfer count the program set.
#include <sane/sane.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "input/twaindsm/DsmHost.h"
#include "input/twaindsm/SaneSource.h"
#include "platform/FileIo.h"
#include "platform/GlobalMemory.h"

namespace twaindsm {

using namespace input;

namespace {

constexpr TW_UINT16 kProtocolMajor = 1;
constexpr TW_UINT16 kProtocolMinor = 9;
constexpr TW_UINT16 kPendingUnknown = 0xFFFF;  // more pages, how many is not known
constexpr TW_INT16 kAnyCount = -1;

// The states of the open source, as TWAIN numbers them.
enum class SourceState { None = 3, Open = 4, Enabled = 5, Ready = 6, Transferring = 7 };

struct Manager {
  ~Manager() {
    // Unloaded with a session still open: end it cleanly.
    Device.Close();
    if (IsOpen) sane_exit();
  }

  DsmHost Host{};
  bool HostSet = false;
  bool IsOpen = false;
  TW_UINT32 NextId = 1;
  TW_HANDLE Parent = 0;
  std::vector<TW_IDENTITY> Sources;
  std::vector<std::string> DeviceNames;
  size_t Cursor = 0;
  TW_UINT16 Condition = TWCC_SUCCESS;

  SaneSource Device;
  TW_IDENTITY Opened{};
  SourceState State = SourceState::None;
  TW_INT16 XferCount = kAnyCount;
  TW_INT32 TransfersLeft = kAnyCount;
};

Manager& Dsm() {
  static Manager manager;
  return manager;
}

TW_UINT16 Fail(TW_UINT16 condition) {
  Dsm().Condition = condition;
  return TWRC_FAILURE;
}

void CopyText(TW_STR32& target, const char* text) {
  std::strncpy(target, text != nullptr ? text : "", kTwStr32 - 1);
  target[kTwStr32 - 1] = '\0';
}

std::string DefaultSourceFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && *config != '\0') {
    folder = config;
  } else if (const char* home = std::getenv("HOME")) {
    folder = std::string(home) + "/.config";
  } else {
    return std::string();
  }
  return folder + "/pellar-twaindsm/default-source";
}

std::string RememberedDefault() {
  const std::string file = DefaultSourceFile();
  std::ifstream in(file);
  std::string name;
  if (!file.empty() && in) std::getline(in, name);
  return name;
}

void RememberDefault(const std::string& name) {
  const std::string file = DefaultSourceFile();
  if (file.empty()) return;
  const std::string folder = file.substr(0, file.rfind('/'));
  ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
  ::mkdir(folder.c_str(), 0700);
  platform::WriteFileAtomically(file, name + "\n");
}

// Reads SANE's device list into the source list.
void Refresh() {
  Manager& dsm = Dsm();
  dsm.Sources.clear();
  dsm.DeviceNames.clear();
  const SANE_Device** devices = nullptr;
  if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || devices == nullptr) return;
  for (; *devices != nullptr; ++devices) {
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 1;
    CopyText(identity.Version.Info, (*devices)->type);
    identity.ProtocolMajor = kProtocolMajor;
    identity.ProtocolMinor = kProtocolMinor;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(identity.Manufacturer, (*devices)->vendor);
    CopyText(identity.ProductFamily, (*devices)->model);
    CopyText(identity.ProductName, (*devices)->name);
    dsm.Sources.push_back(identity);
    dsm.DeviceNames.emplace_back((*devices)->name);
  }
}

// The default source's place in the list: the remembered one, else the
// first; −1 without sources.
int DefaultIndex() {
  const Manager& dsm = Dsm();
  if (dsm.Sources.empty()) return -1;
  const std::string remembered = RememberedDefault();
  for (size_t i = 0; i < dsm.DeviceNames.size(); ++i) {
    if (dsm.DeviceNames[i] == remembered) return static_cast<int>(i);
  }
  return 0;
}

void Post(TW_UINT16 message) {
  const Manager& dsm = Dsm();
  if (dsm.Parent != 0) dsm.Host.Post(dsm.Parent, message);
}

TW_UINT16 OpenSource(TW_IDENTITY& identity) {
  Manager& dsm = Dsm();
  if (dsm.State != SourceState::None) return Fail(TWCC_MAXCONNECTIONS);
  Refresh();
  int index = -1;
  if (identity.ProductName[0] == '\0') {
    index = DefaultIndex();
  } else {
    for (size_t i = 0; i < dsm.Sources.size(); ++i) {
      if (std::strncmp(dsm.Sources[i].ProductName, identity.ProductName, kTwStr32) == 0) {
        index = static_cast<int>(i);
        break;
      }
    }
  }
  if (index < 0) return Fail(TWCC_NODS);
  if (!dsm.Device.Open(dsm.DeviceNames[index])) return Fail(TWCC_BUMMER);
  identity = dsm.Sources[index];
  identity.Id = dsm.NextId++;
  dsm.Opened = identity;
  dsm.State = SourceState::Open;
  dsm.XferCount = kAnyCount;
  return TWRC_SUCCESS;
}

TW_UINT16 ManagerCall(TW_IDENTITY* origin, TW_UINT16 argumentType, TW_UINT16 message, TW_MEMREF data) {
  Manager& dsm = Dsm();
  if (argumentType == DAT_STATUS && message == MSG_GET && data != nullptr) {
    static_cast<TW_STATUS*>(data)->ConditionCode = dsm.Condition;
    static_cast<TW_STATUS*>(data)->Reserved = 0;
    dsm.Condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  if (argumentType == DAT_PARENT && message == MSG_OPENDSM) {
    if (!dsm.HostSet) return Fail(TWCC_BUMMER);
    if (dsm.IsOpen) return Fail(TWCC_SEQERROR);
    if (sane_init(nullptr, nullptr) != SANE_STATUS_GOOD) return Fail(TWCC_BUMMER);
    dsm.IsOpen = true;
    dsm.Parent = data != nullptr ? *static_cast<TW_HANDLE*>(data) : 0;
    if (origin != nullptr) origin->Id = dsm.NextId++;
    return TWRC_SUCCESS;
  }
  if (!dsm.IsOpen) return Fail(TWCC_SEQERROR);
  if (argumentType == DAT_PARENT && message == MSG_CLOSEDSM) {
    if (dsm.State != SourceState::None) return Fail(TWCC_SEQERROR);
    sane_exit();
    dsm.IsOpen = false;
    dsm.Sources.clear();
    dsm.DeviceNames.clear();
    return TWRC_SUCCESS;
  }
  if (argumentType != DAT_IDENTITY || data == nullptr) return Fail(TWCC_BADPROTOCOL);
  auto& identity = *static_cast<TW_IDENTITY*>(data);
  switch (message) {
    case MSG_GETFIRST:
      Refresh();
      dsm.Cursor = 0;
      [[fallthrough]];
    case MSG_GETNEXT:
      if (dsm.Cursor >= dsm.Sources.size()) return TWRC_ENDOFLIST;
      identity = dsm.Sources[dsm.Cursor++];
      return TWRC_SUCCESS;
    case MSG_GETDEFAULT: {
      Refresh();
      const int index = DefaultIndex();
      if (index < 0) return Fail(TWCC_NODS);
      identity = dsm.Sources[index];
      return TWRC_SUCCESS;
    }
    case MSG_USERSELECT: {
      Refresh();
      const auto count = static_cast<TW_INT32>(dsm.Sources.size());
      const TW_INT32 chosen =
          dsm.Host.ChooseSource(dsm.Host.Context, dsm.Sources.data(), count, DefaultIndex());
      if (count == 0) return Fail(TWCC_NODS);
      if (chosen < 0 || chosen >= count) return TWRC_CANCEL;
      identity = dsm.Sources[chosen];
      RememberDefault(dsm.DeviceNames[chosen]);
      return TWRC_SUCCESS;
    }
    case MSG_OPENDS:
      return OpenSource(identity);
    case MSG_CLOSEDS:
      if (dsm.State == SourceState::None || identity.Id != dsm.Opened.Id) return Fail(TWCC_BADDEST);
      if (dsm.State != SourceState::Open) return Fail(TWCC_SEQERROR);
      dsm.Device.Close();
      dsm.State = SourceState::None;
      return TWRC_SUCCESS;
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 Capability(TW_UINT16 message, TW_CAPABILITY& capability) {
  Manager& dsm = Dsm();
  if (capability.Cap != CAP_XFERCOUNT) return Fail(TWCC_CAPUNSUPPORTED);
  if (message == MSG_GET) {
    const TW_HANDLE block = dsm.Host.Alloc(platform::kGmemMoveable, sizeof(TW_ONEVALUE));
    auto* value = block ? static_cast<TW_ONEVALUE*>(dsm.Host.Lock(block)) : nullptr;
    if (value == nullptr) {
      if (block) dsm.Host.Free(block);
      return Fail(TWCC_LOWMEMORY);
    }
    value->ItemType = TWTY_INT16;
    value->Item = static_cast<TW_UINT16>(dsm.XferCount);
    dsm.Host.Unlock(block);
    capability.ConType = TWON_ONEVALUE;
    capability.hContainer = block;
    return TWRC_SUCCESS;
  }
  if (message != MSG_SET) return Fail(TWCC_BADPROTOCOL);
  // Capabilities are set before the source is enabled.
  if (dsm.State != SourceState::Open) return Fail(TWCC_SEQERROR);
  if (capability.ConType != TWON_ONEVALUE) return Fail(TWCC_BADVALUE);
  const auto* value = static_cast<const TW_ONEVALUE*>(dsm.Host.Lock(capability.hContainer));
  if (value == nullptr) return Fail(TWCC_BADVALUE);
  const TW_UINT16 type = value->ItemType;
  const auto count = static_cast<TW_INT16>(value->Item & 0xFFFF);
  dsm.Host.Unlock(capability.hContainer);
  if (type != TWTY_INT16 || count == 0 || count < kAnyCount) return Fail(TWCC_BADVALUE);
  dsm.XferCount = count;
  return TWRC_SUCCESS;
}

TW_UINT16 EnableSource(const TW_USERINTERFACE& userInterface) {
  Manager& dsm = Dsm();
  if (dsm.State != SourceState::Open) return Fail(TWCC_SEQERROR);
  dsm.Parent = userInterface.hParent;
  dsm.TransfersLeft = dsm.XferCount;
  dsm.State = SourceState::Enabled;
  if (userInterface.ShowUI) {
    ScanChoices choices;
    dsm.Device.Offer(choices);
    if (!dsm.Host.SetUpScan(dsm.Host.Context, &dsm.Opened, &choices)) {
      Post(MSG_CLOSEDSREQ);
      return TWRC_SUCCESS;
    }
    dsm.Device.Apply(choices);
  }
  dsm.State = SourceState::Ready;
  Post(MSG_XFERREADY);
  return TWRC_SUCCESS;
}

TW_UINT16 EndTransfer(TW_UINT16 message, TW_PENDINGXFERS& pending) {
  Manager& dsm = Dsm();
  pending.Count = 0;
  pending.Reserved = 0;
  if (message == MSG_RESET) {
    if (dsm.State < SourceState::Enabled) return Fail(TWCC_SEQERROR);
    dsm.Device.Cancel();
    dsm.State = SourceState::Enabled;
    return TWRC_SUCCESS;
  }
  if (message != MSG_ENDXFER) return Fail(TWCC_BADPROTOCOL);
  if (dsm.State < SourceState::Ready) return Fail(TWCC_SEQERROR);
  if (dsm.TransfersLeft > 0) --dsm.TransfersLeft;
  bool more = false;
  if (dsm.TransfersLeft != 0) {
    more = dsm.Device.StartNextPage();
  } else {
    dsm.Device.Cancel();
  }
  pending.Count = more ? kPendingUnknown : 0;
  dsm.State = more ? SourceState::Ready : SourceState::Enabled;
  if (more) Post(MSG_XFERREADY);
  return TWRC_SUCCESS;
}

TW_UINT16 SourceCall(const TW_IDENTITY& destination, TW_UINT32 group, TW_UINT16 argumentType,
                     TW_UINT16 message, TW_MEMREF data) {
  Manager& dsm = Dsm();
  if (!dsm.IsOpen || dsm.State == SourceState::None || destination.Id != dsm.Opened.Id) {
    return Fail(TWCC_BADDEST);
  }
  if (group == DG_CONTROL && argumentType == DAT_STATUS && message == MSG_GET && data != nullptr) {
    static_cast<TW_STATUS*>(data)->ConditionCode = dsm.Condition;
    dsm.Condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  if (data == nullptr) return Fail(TWCC_BADVALUE);
  if (group == DG_IMAGE && argumentType == DAT_IMAGENATIVEXFER && message == MSG_GET) {
    auto& dib = *static_cast<TW_HANDLE*>(data);
    if (dsm.State != SourceState::Ready) return Fail(TWCC_SEQERROR);
    dsm.State = SourceState::Transferring;
    const ScanResult result = dsm.Device.Transfer(dsm.Host, dib);
    if (result.ReturnCode == TWRC_FAILURE) {
      dsm.State = SourceState::Ready;
      return Fail(result.Condition);
    }
    return result.ReturnCode;
  }
  if (group != DG_CONTROL) return Fail(TWCC_BADPROTOCOL);
  switch (argumentType) {
    case DAT_CAPABILITY:
      return Capability(message, *static_cast<TW_CAPABILITY*>(data));
    case DAT_USERINTERFACE:
      if (message == MSG_ENABLEDS) return EnableSource(*static_cast<TW_USERINTERFACE*>(data));
      if (message != MSG_DISABLEDS) return Fail(TWCC_BADPROTOCOL);
      if (dsm.State < SourceState::Enabled) return Fail(TWCC_SEQERROR);
      dsm.Device.Cancel();
      dsm.State = SourceState::Open;
      return TWRC_SUCCESS;
    case DAT_EVENT: {
      if (message != MSG_PROCESSEVENT) return Fail(TWCC_BADPROTOCOL);
      if (dsm.State < SourceState::Enabled) return Fail(TWCC_SEQERROR);
      auto& event = *static_cast<TW_EVENT*>(data);
      const auto* posted = static_cast<const QueueMessage*>(event.pEvent);
      event.TWMessage = MSG_NULL;
      if (posted == nullptr || posted->Message != kSourceMessage) return TWRC_NOTDSEVENT;
      event.TWMessage = posted->Param;
      return TWRC_DSEVENT;
    }
    case DAT_PENDINGXFERS:
      return EndTransfer(message, *static_cast<TW_PENDINGXFERS*>(data));
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

}  // namespace

}  // namespace twaindsm

extern "C" __attribute__((visibility("default"))) void DSM_SetHost(const input::DsmHost* host) {
  twaindsm::Manager& dsm = twaindsm::Dsm();
  dsm.HostSet = host != nullptr;
  dsm.Host = host != nullptr ? *host : input::DsmHost{};
}

extern "C" __attribute__((visibility("default"))) input::TW_UINT16 DSM_Entry(
    input::TW_IDENTITY* origin, input::TW_IDENTITY* destination, input::TW_UINT32 group,
    input::TW_UINT16 argumentType, input::TW_UINT16 message, input::TW_MEMREF data) {
  if (destination == nullptr) {
    if (group != input::DG_CONTROL) return twaindsm::Fail(input::TWCC_BADPROTOCOL);
    return twaindsm::ManagerCall(origin, argumentType, message, data);
  }
  return twaindsm::SourceCall(*destination, group, argumentType, message, data);
}
