// The template library: 32 tables, one per feature word, each mapping every
// feature index to a list of character indices; loaded from and saved to
// ZEZID.D00 … ZEZID.D31 in the program folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "library/CharIndex.h"
#include "library/LibraryFiles.h"

namespace library {

// Learning mode, chosen once at start-up: only then does learning add to the
// lists, and only then is a changed library written back at exit.
extern bool LearningMode;
// The tables were changed by learning or by the library window since they
// were loaded.
extern bool LibraryChanged;

constexpr int32_t kTableCount = 32;
constexpr int32_t kFeatureIndexCount = 15625;

// The list of a table at a feature index: character indices ended by 0, or
// nullptr when the table has no list there. Read from the table's packed
// lists, which are rebuilt on the first read after a change, so it suits many
// reads between changes (recognition); learning and statistics read SlotList.
const CharIndex* LibraryList(int32_t table, int32_t featureIndex);
// The packed lists of a table for reading many of them fast: the list of
// feature index i occupies Values[Offsets[i] … Offsets[i + 1]), its
// characters followed by the terminator 0; an index without a list occupies
// nothing. Valid until the table changes.
struct PackedLists {
  const uint32_t* Offsets;  // kFeatureIndexCount + 1 entries
  const CharIndex* Values;
};
PackedLists LibraryLists(int32_t table);
// Changes whenever the table may have changed (loading, clearing, a slot
// handed out for learning), so that copies made from its lists can tell
// when they are out of date.
uint64_t TableVersion(int32_t table);

// The slot of a list as it is kept in memory and in the files: the list's
// values, the terminator 0 and zero padding, a whole number of groups of six
// values (12 bytes). An empty vector means that the table has no list there;
// a present but empty list is one group of six zeros.
using ListSlot = std::vector<CharIndex>;
constexpr size_t kSlotGroupValues = 6;
// The slot size, in values, for a list of `length` characters.
constexpr size_t SlotValuesFor(size_t length) {
  return (length / kSlotGroupValues + 1) * kSlotGroupValues;
}
// Number of characters in a list (values before the terminator).
size_t ListLength(const ListSlot& slot);
// The slot of a table at a feature index, for the list operations of learning.
// The first call for a table builds the slots of all its lists.
ListSlot& LibrarySlot(int32_t table, int32_t featureIndex);
// The same list as LibraryList, read as the table holds it now (from the
// slots once learning has built them), without packing.
const CharIndex* SlotList(int32_t table, int32_t featureIndex);

// Progress of loading: called with the table number before each table; the
// bar's range is 0 … 31.
using LoadProgress = std::function<void(int32_t position)>;

// The folder holding the library files and Word.Dat (the program folder).
void SetProgramFolder(const std::string& folder);
const std::string& ProgramFolder();
// The folder of the running executable.
std::string ExecutableFolder();

// Loads the 32 tables. With a progress callback a folder without any
// "ZEZID.D0*" file gives an empty library; without one it is a failure.
// A failure leaves the library empty and says why in `problem` (English).
bool LoadLibrary(const LoadProgress* progress, std::string* problem = nullptr);
// Writes the tables back when `write` (all or nothing, see LibraryFiles.h)
// and then releases the library and the learning lock. When the save is not
// Saved, the library stays in memory and can be saved again: Failed has shown
// "保存出错!" (and says why in `problem`); ChangedOnDisk has shown nothing,
// so that the front end can ask the user and save again with
// SaveMode::Overwrite.
SaveResult SaveLibrary(bool write, SaveMode mode = SaveMode::KeepChangedFiles,
                       std::string* problem = nullptr);
// Makes every table empty (as a fresh installation without library files).
void ClearLibrary();
// True when no list of any table holds a character: nothing can be
// recognised until the library is taught.
bool LibraryEmpty();

// Number of lists and of entries of a table (for statistics).
struct TableStats {
  int32_t Lists = 0;
  int64_t Entries = 0;
  int32_t LongestList = 0;
};
TableStats StatsOfTable(int32_t table);

}  // namespace library
