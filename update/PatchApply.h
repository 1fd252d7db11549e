#pragma once
// Patches that turn an earlier version of a file into the offered one.
//
// A patch file is one gzip member whose content is "TOVDIFF1", four unsigned
// 64-bit little-endian numbers (new size, control, diff and extra block
// lengths), the control block of (add, copy, seek) triples of signed 64-bit
// little-endian numbers, the diff block and the extra block. Per triple: add
// `add` bytes, old plus diff modulo 256; copy `copy` extra bytes; move the
// old position by `seek`. Anything that reads outside the old file or a
// block, writes past the new size, or leaves the new file, the diff or the
// extra block not used up exactly, refuses the whole patch.
#include "update/UnpackResult.h"

namespace Update {

// Applies an inflated patch (`content`) to `old`, passing the new file to
// `sink` in order. The new size must equal expectedSize. On a refusal the
// sink may have had part of the result.
UnpackResult ApplyPatchContent(const unsigned char* old, size_t oldSize, const unsigned char* content,
                               size_t contentSize, uint64_t expectedSize, ByteSink& sink);

// Applies the downloaded patch file to the installed oldPath, writing
// outPath, which must come out exactly expectedSize bytes long. On anything
// but Ok, outPath is removed. Paths are narrow and may be relative.
UnpackResult ApplyPatchFile(const char* oldPath, const char* patchPath, uint64_t expectedSize,
                            const char* outPath);

} // namespace Update
