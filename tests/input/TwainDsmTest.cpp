// The source manager library driven through DSM_Entry, as the scanner
// acquisition drives it: the source list, the source dialog and the default
// source, opening a source with the transfer count, enabling it with and
// without the settings dialog, the messages it posts, native transfers of
// each depth, feeder pages as pending transfers, and the answers out of
// sequence or without devices.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <set>

#include "input/twaindsm/DsmHost.h"
#include "platform/Bitmap.h"
#include "platform/GlobalMemory.h"
#include "support/ScannerFixtures.h"

namespace input {
namespace {

// What the manager asked of the host.
struct HostRecord {
  std::set<TW_HANDLE> Live;  // blocks handed out and not freed
  std::deque<QueueMessage> Queue;
  int Choices = 0;
  int SourcesShown = -1;
  int CurrentShown = -2;
  TW_INT32 ChooseAnswer = -1;
  bool SetUpAnswer = true;
  ScanChoices Offered;
  std::function<void(ScanChoices&)> Choose;
};
HostRecord* record = nullptr;

TW_HANDLE Alloc(TW_UINT32 flags, TW_UINT32 bytes) {
  const TW_HANDLE block = platform::GlobalAlloc(flags, bytes);
  record->Live.insert(block);
  return block;
}
TW_MEMREF Lock(TW_HANDLE block) {
  return platform::GlobalLock(block);
}
void Unlock(TW_HANDLE block) {
  platform::GlobalUnlock(block);
}
void Free(TW_HANDLE block) {
  record->Live.erase(block);
  platform::GlobalFree(block);
}
void Post(TW_HANDLE parent, TW_UINT16 message) {
  reinterpret_cast<HostRecord*>(parent)->Queue.push_back({kSourceMessage, message});
}
TW_INT32 ChooseSource(void*, const TW_IDENTITY*, TW_INT32 count, TW_INT32 current) {
  ++record->Choices;
  record->SourcesShown = count;
  record->CurrentShown = current;
  return record->ChooseAnswer;
}
bool SetUpScan(void*, const TW_IDENTITY*, ScanChoices* choices) {
  record->Offered = *choices;
  if (record->Choose) record->Choose(*choices);
  return record->SetUpAnswer;
}

class TwainDsmTest : public testing::Test {
 protected:
  void SetUp() override { record = &host_; }
  void TearDown() override {
    if (library_ != nullptr) dlclose(library_);
    record = nullptr;
  }

  void Load(bool installHost = true) {
    library_ = dlopen(scanner_test::TwainLibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    entry_ = reinterpret_cast<DSMENTRYPROC>(dlsym(library_, kDsmEntryName));
    const auto setHost = reinterpret_cast<DSMSETHOSTPROC>(dlsym(library_, kDsmSetHostName));
    ASSERT_NE(entry_, nullptr);
    ASSERT_NE(setHost, nullptr);
    const DsmHost host{&Alloc, &Lock, &Unlock, &Free, &Post, &ChooseSource, &SetUpScan, nullptr, nullptr};
    if (installHost) setHost(&host);
  }
  TW_UINT16 Manager(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return entry_(&app_, nullptr, DG_CONTROL, dat, msg, data);
  }
  TW_UINT16 Source(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return entry_(&app_, &source_, dg, dat, msg, data);
  }
  TW_UINT16 Condition() {
    TW_STATUS status{};
    EXPECT_EQ(Manager(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
  }
  void OpenManager() {
    parent_ = reinterpret_cast<TW_HANDLE>(&host_);
    ASSERT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent_), TWRC_SUCCESS);
  }
  void OpenSource(const char* name, TW_INT16 count = -1) {
    source_ = TW_IDENTITY{};
    std::strcpy(source_.ProductName, name);
    ASSERT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
    TW_CAPABILITY capability{CAP_XFERCOUNT, TWON_ONEVALUE,
                             platform::GlobalAlloc(platform::kGmemMoveable, sizeof(TW_ONEVALUE))};
    auto* value = static_cast<TW_ONEVALUE*>(platform::GlobalLock(capability.hContainer));
    value->ItemType = TWTY_INT16;
    value->Item = static_cast<TW_UINT32>(static_cast<TW_INT32>(count));
    platform::GlobalUnlock(capability.hContainer);
    EXPECT_EQ(Source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), TWRC_SUCCESS);
    platform::GlobalFree(capability.hContainer);
  }
  TW_UINT16 Enable(bool showUi) {
    TW_USERINTERFACE ui{showUi ? TW_TRUE : TW_FALSE, showUi ? TW_TRUE : TW_FALSE, parent_};
    return Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  }
  // The source's answer to the next posted message.
  TW_UINT16 NextEvent() {
    EXPECT_FALSE(host_.Queue.empty());
    QueueMessage message = host_.Queue.front();
    host_.Queue.pop_front();
    TW_EVENT event{&message, MSG_NULL};
    EXPECT_EQ(Source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
    return event.TWMessage;
  }
  // One native transfer: its DIB header, and the pending count after it.
  platform::BitmapInfoHeader Transfer(TW_UINT16& pending, std::vector<uint8_t>* dib = nullptr) {
    TW_HANDLE block = 0;
    EXPECT_EQ(Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &block), TWRC_XFERDONE);
    platform::BitmapInfoHeader header;
    const auto* bytes = static_cast<const uint8_t*>(platform::GlobalLock(block));
    EXPECT_NE(bytes, nullptr);
    if (bytes != nullptr) {
      std::memcpy(&header, bytes, sizeof header);
      if (dib) dib->assign(bytes, bytes + platform::GlobalSize(block));
      platform::GlobalUnlock(block);
    }
    Free(block);
    TW_PENDINGXFERS pendingXfers{};
    EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pendingXfers), TWRC_SUCCESS);
    pending = pendingXfers.Count;
    return header;
  }
  void CloseEverything() {
    TW_USERINTERFACE ui{};
    EXPECT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(Manager(DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_SUCCESS);
    EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent_), TWRC_SUCCESS);
  }

  HostRecord host_;
  void* library_ = nullptr;
  DSMENTRYPROC entry_ = nullptr;
  TW_IDENTITY app_{};
  TW_IDENTITY source_{};
  TW_HANDLE parent_ = 0;
};

TEST_F(TwainDsmTest, ListsChoosesAndRemembersTheSource) {
  scanner_test::SaneTestDevices devices;
  Load();
  OpenManager();
  EXPECT_NE(app_.Id, 0u);
  TW_IDENTITY identity{};
  std::vector<std::string> names;
  for (TW_UINT16 answer = Manager(DAT_IDENTITY, MSG_GETFIRST, &identity); answer == TWRC_SUCCESS;
       answer = Manager(DAT_IDENTITY, MSG_GETNEXT, &identity)) {
    names.emplace_back(identity.ProductName);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"test:0", "test:1"}));
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETNEXT, &identity), TWRC_ENDOFLIST);
  EXPECT_STREQ(identity.Manufacturer, "Noname");

  // No default chosen yet: the first source.
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_SUCCESS);
  EXPECT_STREQ(identity.ProductName, "test:0");
  host_.ChooseAnswer = -1;
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_USERSELECT, &identity), TWRC_CANCEL);
  host_.ChooseAnswer = 1;
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_USERSELECT, &identity), TWRC_SUCCESS);
  EXPECT_STREQ(identity.ProductName, "test:1");
  EXPECT_EQ(host_.SourcesShown, 2);
  EXPECT_EQ(host_.CurrentShown, 0);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent_), TWRC_SUCCESS);

  // The choice outlives the session: the default and the dialog's mark.
  OpenManager();
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_SUCCESS);
  EXPECT_STREQ(identity.ProductName, "test:1");
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_USERSELECT, &identity), TWRC_SUCCESS);
  EXPECT_EQ(host_.CurrentShown, 1);
  // An empty name opens the default source.
  source_ = TW_IDENTITY{};
  ASSERT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_SUCCESS);
  EXPECT_STREQ(source_.ProductName, "test:1");
  EXPECT_NE(source_.Id, 0u);
  // One source at a time.
  TW_IDENTITY second{};
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &second), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_MAXCONNECTIONS);
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_SUCCESS);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent_), TWRC_SUCCESS);
}

TEST_F(TwainDsmTest, ScansAPageWithTheChosenSettings) {
  scanner_test::SaneTestDevices devices(true, {"test-picture \"Color pattern\""});
  Load();
  OpenManager();
  OpenSource("test:0");
  // The transfer count as set, in a container of the host's.
  TW_CAPABILITY capability{CAP_XFERCOUNT, TWON_DONTCARE16, 0};
  ASSERT_EQ(Source(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
  EXPECT_EQ(capability.ConType, TWON_ONEVALUE);
  const auto* value = static_cast<const TW_ONEVALUE*>(platform::GlobalLock(capability.hContainer));
  EXPECT_EQ(value->ItemType, TWTY_INT16);
  EXPECT_EQ(static_cast<TW_INT16>(value->Item), -1);
  platform::GlobalUnlock(capability.hContainer);
  Free(capability.hContainer);

  host_.Choose = [](ScanChoices& choices) {
    for (int i = 0; i < choices.ModeCount; ++i) {
      if (std::strcmp(choices.Modes[i], "Color") == 0) choices.Mode = i;
    }
    for (int i = 0; i < choices.ResolutionCount; ++i) {
      if (choices.Resolutions[i] == 100) choices.Resolution = i;
    }
  };
  ASSERT_EQ(Enable(true), TWRC_SUCCESS);
  // The device's settings as offered: modes, the current resolution among
  // the usual ones, the paper sources.
  const ScanChoices& offered = host_.Offered;
  ASSERT_EQ(offered.ModeCount, 2);
  EXPECT_STREQ(offered.Modes[offered.Mode], "Gray");
  ASSERT_GE(offered.Resolution, 0);
  EXPECT_EQ(offered.Resolutions[offered.Resolution], 50);
  EXPECT_EQ(offered.Resolutions[offered.ResolutionCount - 1], 1200);
  EXPECT_EQ(offered.SourceCount, 2);

  // Capabilities are fixed once the source is enabled.
  EXPECT_EQ(Source(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_SEQERROR);
  // Messages that are not the source's pass through.
  QueueMessage other{1, 0};
  TW_EVENT event{&other, MSG_NULL};
  EXPECT_EQ(Source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
  EXPECT_EQ(NextEvent(), MSG_XFERREADY);

  TW_UINT16 pending = 1;
  std::vector<uint8_t> dib;
  const platform::BitmapInfoHeader header = Transfer(pending, &dib);
  EXPECT_EQ(pending, 0);
  EXPECT_EQ(header.BitCount, 24);
  // 80 × 100 mm at 100 dpi.
  EXPECT_NEAR(header.Width, 315, 1);
  EXPECT_NEAR(header.Height, 394, 1);
  EXPECT_EQ(header.XPelsPerMeter, 3937);
  EXPECT_EQ(dib.size(), 40u + static_cast<size_t>(platform::DibRowBytes(header.Width, 24)) * header.Height);
  EXPECT_TRUE(host_.Queue.empty());
  CloseEverything();
  EXPECT_TRUE(host_.Live.empty());
}

TEST_F(TwainDsmTest, DepthsOfTheDevice) {
  const std::pair<const char*, uint16_t> cases[] = {{"depth 1", 1}, {"depth 8", 8}, {"depth 16", 8}};
  for (const auto& [option, bits] : cases) {
    scanner_test::SaneTestDevices devices(true, {option});
    Load();
    OpenManager();
    OpenSource("test:0");
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(NextEvent(), MSG_XFERREADY);
    TW_UINT16 pending = 1;
    std::vector<uint8_t> dib;
    const platform::BitmapInfoHeader header = Transfer(pending, &dib);
    EXPECT_EQ(header.BitCount, bits) << option;
    EXPECT_EQ(header.ClrUsed, bits == 1 ? 2u : 256u);
    // The solid black test picture: black whatever the depth.
    const size_t pixels = 40 + 4 * header.ClrUsed;
    ASSERT_GT(dib.size(), pixels);
    if (bits == 1) {
      EXPECT_EQ(dib[40 + 4], 0) << "entry 1 black";
      EXPECT_EQ(dib[pixels], 0xFF);
    } else {
      EXPECT_EQ(dib[pixels], 0);
    }
    CloseEverything();
    dlclose(library_);
    library_ = nullptr;
  }
}

TEST_F(TwainDsmTest, FeederPagesArePendingTransfers) {
  scanner_test::SaneTestDevices devices;
  Load();
  OpenManager();
  auto fromFeeder = [](ScanChoices& choices) {
    for (int i = 0; i < choices.SourceCount; ++i) {
      if (std::strstr(choices.Sources[i], "Feeder") != nullptr) choices.Source = i;
    }
  };
  // As many pages as the feeder holds (the test device's holds ten).
  OpenSource("test:0");
  host_.Choose = fromFeeder;
  ASSERT_EQ(Enable(true), TWRC_SUCCESS);
  int pages = 0;
  TW_UINT16 pending = 0;
  do {
    ASSERT_EQ(NextEvent(), MSG_XFERREADY);
    Transfer(pending);
    ++pages;
  } while (pending != 0 && pages < 20);
  EXPECT_EQ(pages, 10);
  EXPECT_TRUE(host_.Queue.empty());
  CloseEverything();

  // A transfer count of 3 stops after three; a reset ends the batch early.
  OpenManager();
  OpenSource("test:0", 3);
  ASSERT_EQ(Enable(true), TWRC_SUCCESS);
  pages = 0;
  do {
    ASSERT_EQ(NextEvent(), MSG_XFERREADY);
    Transfer(pending);
    ++pages;
  } while (pending != 0 && pages < 20);
  EXPECT_EQ(pages, 3);
  TW_USERINTERFACE ui{};
  EXPECT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_EQ(Enable(true), TWRC_SUCCESS);
  ASSERT_EQ(NextEvent(), MSG_XFERREADY);
  Transfer(pending);
  EXPECT_NE(pending, 0);
  TW_PENDINGXFERS reset{};
  EXPECT_EQ(Source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &reset), TWRC_SUCCESS);
  EXPECT_EQ(reset.Count, 0);
  TW_HANDLE block = 0;
  EXPECT_EQ(Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &block), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_SEQERROR);
  host_.Queue.clear();
  CloseEverything();
  EXPECT_TRUE(host_.Live.empty());
}

TEST_F(TwainDsmTest, CancelledSettingsAskToClose) {
  scanner_test::SaneTestDevices devices;
  Load();
  OpenManager();
  OpenSource("test:0");
  host_.SetUpAnswer = false;
  ASSERT_EQ(Enable(true), TWRC_SUCCESS);
  EXPECT_EQ(NextEvent(), MSG_CLOSEDSREQ);
  TW_HANDLE block = 0;
  EXPECT_EQ(Source(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &block), TWRC_FAILURE);
  EXPECT_EQ(block, 0u);
  // The source must be disabled before it closes, and closed before the
  // manager.
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_CLOSEDS, &source_), TWRC_FAILURE);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent_), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_SEQERROR);
  CloseEverything();
  EXPECT_TRUE(host_.Live.empty());
}

TEST_F(TwainDsmTest, WithoutDevicesOrOutOfSequence) {
  scanner_test::SaneTestDevices devices(false);
  Load(false);
  // No host installed: the manager cannot open.
  parent_ = reinterpret_cast<TW_HANDLE>(&host_);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent_), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BUMMER);
  dlclose(library_);
  Load();
  TW_IDENTITY identity{};
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETFIRST, &identity), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_SEQERROR);
  EXPECT_EQ(Condition(), TWCC_SUCCESS);  // a condition is told once
  OpenManager();
  EXPECT_EQ(Manager(DAT_PARENT, MSG_OPENDSM, &parent_), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_SEQERROR);
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETFIRST, &identity), TWRC_ENDOFLIST);
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_GETDEFAULT, &identity), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_NODS);
  // The dialog still says that there is nothing to choose.
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_USERSELECT, &identity), TWRC_FAILURE);
  EXPECT_EQ(host_.SourcesShown, 0);
  EXPECT_EQ(Condition(), TWCC_NODS);
  source_ = TW_IDENTITY{};
  EXPECT_EQ(Manager(DAT_IDENTITY, MSG_OPENDS, &source_), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_NODS);
  // Calls to a source that is not open.
  TW_USERINTERFACE ui{};
  EXPECT_EQ(Source(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
  EXPECT_EQ(Condition(), TWCC_BADDEST);
  EXPECT_EQ(Manager(DAT_PARENT, MSG_CLOSEDSM, &parent_), TWRC_SUCCESS);
}

}  // namespace
}  // namespace input
