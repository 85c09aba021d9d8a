// Files written without a name and named only when complete.
//
// A file opened with O_TMPFILE has no name while it is written, so an
// interrupted write, even a killed process, leaves nothing behind; linking
// it into its folder makes it appear whole. Naming a new file this way takes
// the folder's lock once, where writing a temporary name and renaming it
// takes it twice: threads writing many files into one folder wait on each
// other less.
#pragma once

#include <string>

#include "image/ImageError.h"

namespace kelvane {

// A new unnamed file for writing in the folder `dirFd` (mode 0666 less the
// umask), or -1 where it cannot be made (a file system without O_TMPFILE,
// no /proc to name it through afterwards).
int OpenUnnamedFile(int dirFd);

// Names the complete unnamed file `fd` `name` (a plain name) in the folder
// `dirFd`. A file or symbolic link already at the name is replaced by a
// rename, never followed, after the new data is flushed to the disk;
// anything else there is refused (NotRegularFile). Otherwise CannotCreate or
// WriteFailed with errno. `fd` stays open.
TOutcome NameUnnamedFile(int dirFd, int fd, const std::string& name);

// A hidden name beside `name`, unlikely to exist; whoever creates it does so
// exclusively and tries another when it does.
std::string TemporaryNameBeside(const std::string& name);

// Whether what stands at `name` in `dirFd` is nothing or a file or link a
// rename may replace; false for a directory, FIFO or device.
bool ReplaceableOrFree(int dirFd, const std::string& name, bool* exists = nullptr);

}  // namespace kelvane
