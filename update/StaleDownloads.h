#pragma once
// The staging folder keeps downloads, and partial .gz and patch files, so that
// the next run resumes them. Those of versions the server no longer offers
// would stay for ever.
#include "update/UpdateModel.h"

namespace Update {

// After an answer was read: deletes from .\Update every file named like a
// download (<name>.<version>, with .gz or .from-<version>.patch after it)
// that belongs to no file the answer offers. Anything else there, the pending
// list and folders included, is left alone.
void RemoveStaleDownloads(const EntityStack& offered);

// True for a name of that form.
bool IsDownloadName(const char* name);

} // namespace Update
