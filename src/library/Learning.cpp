// Learning: adding characters to and removing them from the lists of the
// template library, the rules that keep questionable entries out, and the
// learning steps of the library window (teach the character of Edit2 for the
// cell of Block, undo a step from the history list).
//
// A list lives in a slot of whole 12-byte groups (see ListSlot). Adding to a
// full slot moves the list into a slot one group larger; removing so that the
// list fits one group less moves it into the smaller slot. The order of a
// list is the order in which its characters were learned.
#include "library/Learning.h"

#include <cstdio>
#include <cstdlib>

#include "library/TemplateLibrary.h"
#include "platform/Encoding.h"

namespace library {

using core::CharCode;
using core::MakeCode;

platform::Answer RefusalAnswer = platform::Answer::None;
bool ProgramEndRequested = false;

namespace {

constexpr int32_t kWordDigits = 6;
constexpr uint8_t kFullWidthLead = 0xA3;  // the full-width row: trail = ASCII + 0x80
constexpr uint8_t kFullWidthOffset = 0x80;
constexpr uint8_t kAsciiFirst = 0x21;
constexpr uint8_t kAsciiLast = 0x7E;
constexpr int32_t kLargestUpwardDigit = 2;  // upward neighbours only from digits 0 … 2

struct RefusedEntry {
  int32_t Table;
  CharCode Code;
  int32_t FeatureIndex;
};

constexpr CharCode kOpenQuote = MakeCode(0xA1, 0xB0);  // “
constexpr CharCode kFullL = MakeCode(0xA3, 0xEC);      // ｌ
constexpr CharCode kMouth = MakeCode(0xBF, 0xDA);      // 口
constexpr CharCode kPi = MakeCode(0xD8, 0xA7);         // 丕
constexpr CharCode kGong = MakeCode(0xB9, 0xA4);       // 工
constexpr CharCode kTu = MakeCode(0xEE, 0xCA);         // 钍
constexpr CharCode kEarth = MakeCode(0xCD, 0xC1);      // 土
constexpr CharCode kSun = MakeCode(0xC8, 0xD5);        // 日
constexpr CharCode kFullStop = MakeCode(0xA1, 0xA3);   // 。
constexpr CharCode kEllipsis = MakeCode(0xA1, 0xAD);   // …
constexpr CharCode kFan = MakeCode(0xB7, 0xB2);        // 凡
constexpr CharCode kPairAs = core::AsciiPairCode('a', 's');
constexpr CharCode kPairAc = core::AsciiPairCode('a', 'c');

// Entries known to produce false matches; LibraryAdd never stores them.
constexpr RefusedEntry kRefusedEntries[] = {
    {0, kOpenQuote, 0},  {1, kOpenQuote, 0},  {2, kFullL, 2343},   {2, kFullL, 5468},    {2, kFullL, 14843},
    {2, kFullL, 11718},  {2, kMouth, 3124},   {3, kMouth, 15624},  {4, kPi, 12495},      {4, kGong, 15620},
    {4, kPairAs, 5627},  {5, kPi, 3118},      {5, kGong, 3124},    {5, kTu, 15524},      {5, kPairAc, 6254},
    {7, kEarth, 15624},  {7, kEarth, 12499},  {10, kPairAc, 1150}, {10, kPairAc, 1776},  {11, kEarth, 15624},
    {11, kEarth, 15499}, {19, kEarth, 11718}, {27, kEarth, 3906},  {27, kEarth, 781},    {28, kSun, 781},
    {28, kSun, 156},     {28, kFullStop, 0},  {28, kPairAc, 780},  {28, kPairAs, 781},   {29, kSun, 3905},
    {29, kSun, 3875},    {29, kSun, 4025},    {29, kFullStop, 0},  {29, kFullStop, 1},   {29, kFullStop, 125},
    {29, kEllipsis, 0},  {29, kFan, 0},       {30, kFullStop, 0},  {30, kFullStop, 125}, {30, kFullStop, 625},
    {31, kFullStop, 0},  {31, kFullStop, 25}, {31, kEllipsis, 0},
};

// The annotations of the feature lines, in the window's encoding.
struct LineTexts {
  std::string Missing = platform::Utf8ToGbk("不存在");
  std::string Added = platform::Utf8ToGbk(" 添加");
  std::string AddError = platform::Utf8ToGbk(" 添加error");
  std::string Lacking = platform::Utf8ToGbk(" 缺少");
};
const LineTexts& Texts() {
  static const LineTexts texts;
  return texts;
}

// Removes characters up to the space at both ends, like the edit fields do.
std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<uint8_t>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<uint8_t>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

std::string SixDigits(int32_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "%.*d", kWordDigits, word);
  return text;
}

// Moves the list into a slot of `values` values, zero after the list.
void Reslot(ListSlot& slot, size_t length, size_t values) {
  ListSlot resized(values, 0);
  std::copy(slot.begin(), slot.begin() + static_cast<std::ptrdiff_t>(length), resized.begin());
  slot.swap(resized);
}

bool ListHolds(int32_t table, int32_t word, CharCode code) {
  return FindInList(code, SlotList(table, FeatureWordToIndex(word))) >= 0;
}

// The first neighbour word (one digit one lower, or one higher when it is at
// most 2) whose list holds the character; -1 when there is none.
int32_t KnownNeighbour(int32_t table, int32_t word, CharCode code) {
  int32_t weight = 1;
  for (int32_t p = 0; p < kWordDigits; ++p, weight *= 10) {
    const int32_t digit = word / weight % 10;
    if (digit >= 1 && ListHolds(table, word - weight, code)) return word - weight;
    if (digit <= kLargestUpwardDigit && ListHolds(table, word + weight, code)) return word + weight;
  }
  return -1;
}

void ShowError(const std::string& text) {
  platform::Ui().ShowMessage(text, platform::MessageIcon::Error, platform::MessageButtons::Ok,
                             platform::QuestionId::Other);
}

}  // namespace

bool IsRefusedEntry(int32_t table, CharCode code, int32_t featureIndex) {
  for (const RefusedEntry& entry : kRefusedEntries) {
    if (entry.Table == table && entry.Code == code && entry.FeatureIndex == featureIndex) return true;
  }
  return false;
}

AddResult LibraryAdd(int32_t table, int32_t featureIndex, CharCode code) {
  const CharIndex c = CodeToIndex(code);
  if (IsRefusedEntry(table, code, featureIndex)) {
    if (RefusalAnswer != platform::Answer::All) {
      char text[64];
      std::snprintf(text, sizeof text, "error in:%s %d %d %d",
                    platform::GbkToUtf8(core::CodeBytes(code)).c_str(), table, featureIndex, 1);
      RefusalAnswer = platform::AskQuestion(std::string(text) + "\n" + "是否结束(Yes/No/AllNot)?",
                                            platform::MessageButtons::YesNoAll,
                                            platform::QuestionId::EndAfterRefusedEntry);
      if (RefusalAnswer == platform::Answer::Yes) {
        ProgramEndRequested = true;
        return AddResult::EndRequested;
      }
    }
    return AddResult::Refused;
  }
  ListSlot& slot = LibrarySlot(table, featureIndex);
  if (slot.empty()) slot.assign(kSlotGroupValues, 0);
  const size_t n = ListLength(slot);
  if (n + 1 == slot.size()) Reslot(slot, n, SlotValuesFor(n + 1));
  slot[n] = c;
  return AddResult::Added;
}

bool LibraryRemove(int32_t table, int32_t featureIndex, CharCode code) {
  ListSlot& slot = LibrarySlot(table, featureIndex);
  if (slot.empty()) return false;
  const int32_t position = FindInList(code, slot.data());
  if (position < 0) return false;
  const size_t n = ListLength(slot);
  std::copy(slot.begin() + position + 1, slot.begin() + static_cast<std::ptrdiff_t>(n),
            slot.begin() + position);
  slot[n - 1] = 0;
  const size_t remaining = n - 1;
  if (SlotValuesFor(remaining) < slot.size()) Reslot(slot, remaining, SlotValuesFor(remaining));
  return true;
}

int32_t FindInList(CharCode code, const CharIndex* list) {
  const CharIndex c = CodeToIndex(code);
  if (!list) return -1;
  for (int32_t position = 0; list[position] != 0; ++position) {
    if (list[position] == c) return position;
  }
  return -1;
}

bool IsDefaultLearnable(uint8_t lead, uint8_t trail) {
  switch (lead) {
    case 0xA1:
      for (uint8_t refused : {0xA1, 0xA5, 0xA6, 0xA7, 0xA8, 0xC3, 0xC8, 0xC9, 0xCE, 0xE3, 0xE4, 0xF5, 0xFE}) {
        if (trail == refused) return false;
      }
      return true;
    case 0xA2:
      return (trail >= 0xC5 && trail <= 0xE2) || (trail >= 0xE5 && trail <= 0xEE) || trail == 0xF0 ||
             trail == 0xF7 || trail == 0xF8 || trail == 0xFC || trail == 0xFD;
    case 0xA3:
      for (uint8_t refused : {0xA7, 0xAD, 0xDE, 0xE0, 0xEF, 0xFE}) {
        if (trail == refused) return false;
      }
      return true;
    case 0xD7:
      return trail < 0xFA;
    case 0xD8:
      return trail != 0xAD && trail != 0xBC;
    case 0xE0:
      return trail != 0xED;
    default:
      return lead < 0xA4 || lead > 0xAF;
  }
}

void DisplayModel::ShowHandler() {
  FeatureLines.assign(core::kFeatureWords, std::string());
  Edit3.clear();
  Edit2.clear();
  if (!Block) return;
  for (int32_t i = 0; i < core::kFeatureWords; ++i) {
    FeatureLines[i] = SixDigits(Block->Features[i]);
    if (Block->FeatureHits[i] == 0) FeatureLines[i] += Texts().Missing;
  }
  // The candidate codes read as one text up to the first zero byte.
  const auto* bytes = reinterpret_cast<const char*>(Block->Codes);
  for (size_t k = 0; k < sizeof Block->Codes && bytes[k] != 0; ++k) Edit3 += bytes[k];
  Edit2 = Edit3.substr(0, 2);
}

void DisplayModel::LearnCharacter() {
  Edit2 = Trimmed(Edit2);
  if (Edit2.size() == 1 && static_cast<uint8_t>(Edit2[0]) >= kAsciiFirst &&
      static_cast<uint8_t>(Edit2[0]) <= kAsciiLast) {
    Edit2 = std::string{static_cast<char>(kFullWidthLead), static_cast<char>(Edit2[0] + kFullWidthOffset)};
  }
  if (Edit2.size() != 2 || !Block) return;
  const auto lead = static_cast<uint8_t>(Edit2[0]);
  const auto trail = static_cast<uint8_t>(Edit2[1]);
  if (!IsDefaultLearnable(lead, trail)) {
    if (ForceAnswer == platform::Answer::All) return;
    const std::string question = std::string("\"").append(platform::GbkToUtf8(Edit2)).append("\"") +
                                 "默认是不允许入库的，是否强制入库(Yes/No/AllNot)？";
    ForceAnswer = platform::AskQuestion(question, platform::MessageButtons::YesNoAll,
                                        platform::QuestionId::ForcedEntry);
    if (ForceAnswer != platform::Answer::Yes) return;
  }
  const CharCode code = MakeCode(lead, trail);
  try {
    CodeToIndex(code);
  } catch (const CodeError& error) {
    ShowError(error.what());
    return;
  }
  FeatureLines.resize(core::kFeatureWords);
  bool anyMarked = false;
  for (int32_t i = 0; i < core::kFeatureWords; ++i) {
    const int32_t w = Block->Features[i];
    bool known = ListHolds(i, w, code);
    if (!known) {
      const int32_t neighbour = KnownNeighbour(i, w, code);
      if (neighbour >= 0) {
        known = true;
        FeatureLines[i].append(" ").append(SixDigits(neighbour));
      }
    }
    Block->FeatureHits[i] = 0;
    if (known) continue;
    if (LearningMode) {
      const AddResult added = LibraryAdd(i, FeatureWordToIndex(w), code);
      FeatureLines[i] += added == AddResult::Added ? Texts().Added : Texts().AddError;
      Block->FeatureHits[i] = 1;
      anyMarked = true;
      // The program would end here; nothing more is taught.
      if (added == AddResult::EndRequested) return;
    } else {
      FeatureLines[i] += Texts().Lacking;
    }
  }
  std::string line = Edit2;
  for (int32_t i = 0; i < core::kFeatureWords; ++i) {
    char field[16];
    std::snprintf(field, sizeof field, " %X", static_cast<unsigned>(Block->Features[i]));
    line += Block->FeatureHits[i] == 1 ? std::string(field) : std::string(" *");
  }
  if (IsLearningView && anyMarked) History.insert(History.begin(), line);
  LibraryChanged = true;
}

void DisplayModel::UndoLearnedCharacter(int32_t historyIndex) {
  if (!LearningMode || historyIndex < 0 || historyIndex >= static_cast<int32_t>(History.size())) return;
  const std::string line = History[historyIndex];
  if (line.size() < 2) return;
  const std::string character = line.substr(0, 2);
  if (platform::AskQuestion("真的删除?" + platform::GbkToUtf8(character), platform::MessageButtons::YesNo) !=
      platform::Answer::Yes) {
    return;
  }
  const CharCode code = MakeCode(static_cast<uint8_t>(character[0]), static_cast<uint8_t>(character[1]));
  size_t pos = 3;  // the character and its space
  for (int32_t i = 0; i < core::kFeatureWords && pos < line.size(); ++i) {
    size_t end = line.find(' ', pos);
    if (end == std::string::npos) end = line.size();
    const std::string field = line.substr(pos, end - pos);
    pos = end + 1;
    if (field == "*") continue;
    const int32_t w = static_cast<int32_t>(std::strtol(field.c_str(), nullptr, 16));
    try {
      if (!LibraryRemove(i, FeatureWordToIndex(w), code)) platform::ShowNotice("error2");
    } catch (const CodeError& error) {
      ShowError(error.what());
      return;
    }
  }
  if (historyIndex == 0) {
    for (std::string& featureLine : FeatureLines) featureLine = featureLine.substr(0, featureLine.find(' '));
  }
  History.erase(History.begin() + historyIndex);
}

DisplayModel& LibraryWindow() {
  static DisplayModel model;
  return model;
}

void LearnFromFileCharacter(core::CharBlock& block, platform::Bitmap* pageBitmap) {
  DisplayModel& window = LibraryWindow();
  window.Block = &block;
  window.PageBitmap = pageBitmap;
  window.IsLearningView = false;
  window.ShowHandler();
  window.LearnCharacter();
}

}  // namespace library
