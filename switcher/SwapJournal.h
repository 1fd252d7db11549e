#pragma once
// The record that makes one run's swaps all-or-none across a process that
// is killed (log-off ends it at any instant). Written, flushed, before the
// first target is replaced and deleted last; while it exists, the set on
// disk may be mixed and the next run puts it back to "old targets, staged
// files present" before doing anything else.
#include <cstddef>

#include "FileSteps.h"
#include "HeapList.h"

namespace switcher {

extern const wchar_t kJournalName[];

// Whether this run's replace of the entry is known to have happened.
enum class SwapState { NotReplaced, Replaced, Unknown };

struct SwapEntry {
    wchar_t staged[kPathBuffer];
    wchar_t target[kPathBuffer];
    wchar_t backup[kPathBuffer];  // a whole copy of the target's old content
    SwapState state;
    bool added;   // no old target: undone by removing it, and no backup
    bool mapped;  // the running switcher's own file: renamed aside on the way in
};
typedef HeapList<SwapEntry> SwapSet;

// The file names (not the folder, so the set reads the same from wherever
// the folder is reached) as lines "staged<TAB>backup<CR><LF>", UTF-16; an
// added file has an empty backup name. The installer reads the same lines to
// remove the backups (tools/package/Tovrin.nsi).
bool WriteJournal(const wchar_t* journalPath, const SwapSet& set);

// The entries of directory's journal, each in state Unknown. Lines that are
// cut off or name anything but plain files of the folder are skipped: only
// complete lines were ever acted on. False when the journal cannot be read:
// the set on disk is then unknown, and must be treated as cut off.
bool ReadJournal(const wchar_t* directory, const wchar_t* journalPath, SwapSet& set);

// Puts every entry back to its old target with the new content under the
// staged name, removing the backups and the files the set added. Stops at a step the test hook refuses
// (returning false with *stopped set). False when an entry could not be put
// back; the journal must then stay for the next run.
bool UndoSwaps(SwapSet& set, bool* stopped);

// Removes every backup and then the journal: the set is whole.
void CommitSwaps(const SwapSet& set, const wchar_t* journalPath);

} // namespace switcher
