// Saving a file without risking the one it replaces.
//
// The new content is written to a temporary file in the same directory and
// renamed over the target only once every byte is written (and, when an old
// file is replaced, flushed to the disk first); a new file is written
// unnamed where the file system allows and linked in once complete. When
// anything fails the temporary file is removed and the old file, if any, is
// untouched. A target that exists but is not a regular file (a FIFO, a
// device, a directory) is refused. A symbolic link is followed: the file it
// points to is replaced and the link stays.
#pragma once

#include <functional>
#include <string>

#include "image/ByteStream.h"
#include "image/ImageError.h"

namespace kelvane {

// Runs `write` on a write stream over the temporary file; `write` returns
// false when it could not write everything. The outcome is NoFileName,
// NotRegularFile, CannotCreate or WriteFailed, with the system's errno where
// there is one.
TOutcome SaveFileReplacing(const std::string& fileName, const std::function<bool(TByteStream&)>& write);

}  // namespace kelvane
