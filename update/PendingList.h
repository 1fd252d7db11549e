#pragma once
// The list of a set's markers, kept in .\Update\Staging.pending while the set
// is renamed into place. Marker renames cannot happen as one step, and the
// dialler may be ended between two of them; switcher.exe installs nothing
// while the list exists, so a set cut off half-way is never installed.
#include "update/StagingPaths.h"

namespace Update {

// Writes the marker names of paths[0..count) one a line and flushes them to
// disk. False (and no list left) when it cannot be written whole.
bool WritePendingList(const StagingPaths* paths, unsigned int count);

// Deletes the list once its set is whole. False when it is still there.
bool RemovePendingList();

// A list left behind means its set was cut off: deletes the markers it names
// (their versions were never recorded, so they are fetched again), puts back
// an earlier release's marker the set had moved aside to .\Update\<name>.uok,
// then deletes the list. Only bare marker names in the installation directory are touched.
// True when no list is left; false when it could not be read through or a
// marker could not be deleted, so the list still guards them.
bool RecoverPendingList();

} // namespace Update
