// TFolderWriter: whole files written into one folder, never outside it and
// never partly.
//
// Extraction writes names that came from inside an archive, so this writer
// takes plain file names only (no separator, not "." or "..", not empty) and
// works through a descriptor of the folder opened once: a name can never
// climb out of it, and a symbolic link standing where a file is written is
// replaced, never followed. Each file is written unnamed (O_TMPFILE) and
// given its name only when every byte is in, so an interrupted write, even a
// killed process, leaves nothing behind; where the file system cannot make
// unnamed files, a hidden temporary name beside the target is written and
// renamed instead, and removed on failure. An old file of the same name is
// flushed to disk before it is replaced, as SaveFileReplacing does. A
// directory, FIFO or device standing at the name is refused.
//
// Write may be called from several threads at once.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/ImageError.h"

namespace kelvane {

class TFolderWriter {
 public:
  TFolderWriter() = default;
  ~TFolderWriter();
  TFolderWriter(const TFolderWriter&) = delete;
  TFolderWriter& operator=(const TFolderWriter&) = delete;

  // Opens the existing folder `dir`; CannotOpen (with errno) when it cannot.
  TOutcome Open(const std::string& dir);
  bool IsOpen() const { return DirFd_ >= 0; }

  // Writes `bytes` as the file `name` of the folder. UnsafeName for a name
  // that is not a plain file name, NotRegularFile for a directory or special
  // file in the way, CannotCreate or WriteFailed (with errno) otherwise.
  TOutcome Write(const std::string& name, std::span<const std::uint8_t> bytes) const;

  // Whether `name` is a plain file name this writer accepts.
  static bool IsPlainName(const std::string& name);

 private:
  TOutcome WriteNamedTemporary(const std::string& name, std::span<const std::uint8_t> bytes) const;

  int DirFd_ = -1;
};

}  // namespace kelvane
