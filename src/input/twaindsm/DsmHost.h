// What our source manager library (libpellar-twaindsm.so) and the program
// that loads it give each other besides DSM_Entry.
//
// The manager has no windows and no memory of its own for what it hands
// over: the program installs a DsmHost right after loading it (the
// DSM_SetHost entry). Through it the manager allocates the movable global
// blocks of native transfers and capability containers in the program's own
// block table, posts its sources' notifications to the program's message
// queue (the "parent window" of DAT_PARENT and TW_USERINTERFACE), and shows
// the source dialog and the scan settings through the program's user
// interface.
#pragma once

#include "input/twainh.h"

namespace input {

// A message of the program's queue as DAT_EVENT / MSG_PROCESSEVENT gets it
// in TW_EVENT.pEvent. A source posts kSourceMessage with its TWAIN message
// (MSG_XFERREADY, MSG_CLOSEDSREQ) as the parameter.
struct QueueMessage {
  TW_UINT32 Message = 0;
  TW_UINT16 Param = 0;
};
constexpr TW_UINT32 kSourceMessage = 0x7457;

// The settings a source offers before a scan, and the user's choice (an
// index into each list). A count of 0 means the device has no such setting.
constexpr int kMaxScanChoices = 16;
struct ScanChoices {
  TW_INT32 ResolutionCount = 0;
  TW_INT32 Resolutions[kMaxScanChoices] = {};  // dots per inch, ascending
  TW_INT32 Resolution = -1;
  TW_INT32 ModeCount = 0;
  TW_STR32 Modes[kMaxScanChoices] = {};
  TW_INT32 Mode = -1;
  TW_INT32 SourceCount = 0;  // flatbed, document feeder, …
  TW_STR32 Sources[kMaxScanChoices] = {};
  TW_INT32 Source = -1;
};

struct DsmHost {
  // Movable global memory of the program (GlobalAlloc flags and sizes).
  TW_HANDLE (*Alloc)(TW_UINT32 flags, TW_UINT32 bytes);
  TW_MEMREF (*Lock)(TW_HANDLE block);
  void (*Unlock)(TW_HANDLE block);
  void (*Free)(TW_HANDLE block);
  // Posts a source's TWAIN message to the program's queue `parent`.
  void (*Post)(TW_HANDLE parent, TW_UINT16 message);
  // The source dialog: the index of the chosen source among `count`, or −1
  // when the user cancelled; `current` is the default source's index or −1.
  TW_INT32 (*ChooseSource)(void* context, const TW_IDENTITY* sources, TW_INT32 count, TW_INT32 current);
  // The source's dialog before a scan: false when the user cancelled.
  bool (*SetUpScan)(void* context, const TW_IDENTITY* source, ScanChoices* choices);
  // Lets the program's windows work during a long transfer.
  void (*Yield)(void* context);
  void* Context;
};

using DSMSETHOSTPROC = void (*)(const DsmHost* host);

inline constexpr const char* kDsmEntryName = "DSM_Entry";
inline constexpr const char* kDsmSetHostName = "DSM_SetHost";
// The library's file name, found like any shared library (beside the
// program first: the program's run path).
inline constexpr const char* kTwainLibraryName = "libpellar-twaindsm.so";

}  // namespace input
