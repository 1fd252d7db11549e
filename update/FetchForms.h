#pragma once
// The forms an offered file can be fetched in, smallest first, and where
// each comes from and goes to.
#include <cstddef>
#include <cstdint>

#include "update/StagingPaths.h"

namespace Update {

class File;

enum class FetchForm { Patch, Gzip, Plain };

// Addresses longer than the model's 64 bytes arise only from the suffixes:
// ".from-65535.65535.65535.patch" is 29 characters.
const std::size_t kFormAddressBuffer = 128;

struct FormSource {
    char url[kFormAddressBuffer];
    // The form's own download, so a partial one resumes under its name.
    char download[kLocalPathBuffer];
    uint32_t size;
};

// False when the file does not offer the form or an address or path does
// not fit its buffer; the form is then skipped. Plain always uses the
// staging paths' download.
bool FormatFormSource(const File& file, FetchForm form, const StagingPaths& paths, FormSource& source);

} // namespace Update
