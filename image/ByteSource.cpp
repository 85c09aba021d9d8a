#include "image/ByteSource.h"

#include <cerrno>

#include "image/ByteStream.h"

namespace kelvane {

TOutcome TByteSource::Range(std::uint64_t offset, std::uint64_t count, std::uint64_t cap, TByteReader& out) {
  out = TByteReader::Refused();
  if (count > cap) return TOutcome::Failure(TImageError::OverLimit);
  if (offset > Size() || count > Size() - offset) return TOutcome::Failure(TImageError::ShortRead);
  return ReadChecked(offset, count, out);
}

TOutcome TMemorySource::ReadChecked(std::uint64_t offset, std::uint64_t count, TByteReader& out) {
  out = TByteReader(Bytes_.data() + offset, count);
  return TOutcome::Success();
}

TStreamSource::TStreamSource(TByteStream& stream) : Stream_(stream) {
  const std::int64_t size = stream.GetSize();
  Size_ = size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

TOutcome TStreamSource::ReadChecked(std::uint64_t offset, std::uint64_t count, TByteReader& out) {
  if (count == 0) {
    out = TByteReader();
    return TOutcome::Success();
  }
  // The block is zeroed when handed out; a read that comes up short (the
  // file shrank meanwhile) is a failure, so those zeros are never parsed.
  TPixelBlock block = AllocatePixelBlock(static_cast<std::int64_t>(count));
  if (!block) {
    return TOutcome::Failure(count > static_cast<std::uint64_t>(kMaxPixelBlockBytes) ? TImageError::OverLimit
                                                                                    : TImageError::NoMemory);
  }
  errno = 0;
  if (Stream_.Seek(static_cast<std::int64_t>(offset), soFromStart) != static_cast<std::int64_t>(offset) ||
      Stream_.Read(block.get(), static_cast<std::int64_t>(count)) != static_cast<std::int64_t>(count)) {
    return TOutcome::Failure(TImageError::ShortRead, errno);
  }
  out = TByteReader(block.get(), count);
  Blocks_.push_back(std::move(block));
  return TOutcome::Success();
}

TFileSource OpenFileSource(const std::string& path) {
  TFileSource file;
  auto stream = OpenReadFileStream(path);
  if (!stream->IsOpen()) {
    file.Opened = stream->OpenError() == EINVAL ? TOutcome::Failure(TImageError::NotRegularFile)
                                                : TOutcome::Failure(TImageError::CannotOpen, stream->OpenError());
    return file;
  }
  file.Source = std::make_unique<TStreamSource>(*stream);
  file.Stream = std::move(stream);
  return file;
}

}  // namespace kelvane
