#include "cli/LodCommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "image/ByteStream.h"
#include "image/Limits.h"
#include "workflow/ArchiveExtraction.h"

namespace kelvane::cli {

namespace {

std::string EntryPath(const std::string& archive, const std::string& entry) {
  return archive + "/" + PrintableName(entry);
}

std::string WithDetail(const TOutcome& why, const std::string& detail) {
  return Reason(why) + (detail.empty() ? "" : " (" + detail + ")");
}

// ---- list ------------------------------------------------------------------

int RunList(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  TLodArchive archive;
  if (const TOutcome opened = archive.Open(options.Archive); !opened) {
    err << options.Archive << ": " << Reason(opened) << '\n';
    return 1;
  }
  int status = 0;
  for (const TLodNotice& notice : archive.Notices()) {
    err << options.Archive << ": " << WithDetail(notice.Why, notice.Detail) << '\n';
    status = 1;
  }
  // One block for all lines: ten thousand entries are printed in one write.
  std::string text;
  text.reserve(archive.Entries().size() * 48 + 80);
  std::uint64_t original = 0, stored = 0;
  char line[96];
  for (const TLodEntry& e : archive.Entries()) {
    std::snprintf(line, sizeof line, " %10u %10u %4u\n", e.OriginalSize, e.CompressedSize, e.Type);
    std::string name = PrintableName(e.Name);
    if (name.size() < 16) name.resize(16, ' ');
    text += name;
    text += line;
    original += e.OriginalSize;
    stored += e.StoredSize();
    if (!e.Readable()) {
      err << EntryPath(options.Archive, e.Name) << ": " << WithDetail(e.Problem, e.Detail) << '\n';
      status = 1;
    }
  }
  std::snprintf(line, sizeof line, "%zu entries, %llu bytes, %llu in the archive (version %u)\n",
                archive.Entries().size(), static_cast<unsigned long long>(original),
                static_cast<unsigned long long>(stored), archive.Version());
  text += line;
  out << text;
  return status;
}

// ---- extract ---------------------------------------------------------------

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

// The first Ctrl-C asks the extraction to stop after the entries in hand
// (the default action is back for a second one); the old action returns
// when the extraction ends.
class TInterruptCatcher {
 public:
  TInterruptCatcher() {
    gInterrupted = 0;
    struct sigaction act {};
    act.sa_handler = OnInterrupt;
    act.sa_flags = SA_RESETHAND;
    sigemptyset(&act.sa_mask);
    sigaction(SIGINT, &act, &Old_);
  }
  ~TInterruptCatcher() { sigaction(SIGINT, &Old_, nullptr); }

 private:
  struct sigaction Old_ {};
};

// "Extracting 1234/10000" on a terminal, redrawn at most ten times a second
// and only once the extraction has run for a moment; cleared at the end.
class TProgressLine {
 public:
  explicit TProgressLine(std::ostream& err) : Err_(err), Terminal_(::isatty(STDERR_FILENO) == 1) {}
  ~TProgressLine() {
    if (Shown_) Err_ << "\r\033[K" << std::flush;
  }
  void Show(std::size_t done, std::size_t total) {
    if (!Terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - Start_ < std::chrono::milliseconds(300) || now - Last_ < std::chrono::milliseconds(100)) return;
    Last_ = now;
    Shown_ = true;
    Err_ << "\rExtracting " << done << "/" << total << std::flush;
  }

 private:
  std::ostream& Err_;
  bool Terminal_;
  bool Shown_ = false;
  std::chrono::steady_clock::time_point Start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point Last_{};
};

int RunExtract(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  TLodArchive archive;
  if (const TOutcome opened = archive.Open(options.Archive); !opened) {
    err << options.Archive << ": " << Reason(opened) << '\n';
    return 1;
  }
  TExtractRequest request;
  request.OutputDir = options.OutputDir;
  request.Masks = options.Names;
  request.Convert = options.BatchTarget != fkOther;
  request.Target = SaveTargetFor(options.BatchTarget, options.SpriteDepth);
  // A DEF is many pictures, not one: converting it means its frames.
  request.DefFrames = request.Convert;
  TConversion conversion;
  if (!MakeConversion(options, conversion, err)) return 1;
  request.Save = conversion.Save;
  // A palette reduction's count of unmatched pixels is not said per entry:
  // an extraction reports failures only.
  request.Prepare = [&conversion](TDibBitmap& image, std::string& why) {
    std::string note;
    return PrepareForSave(image, conversion, why, note);
  };

  TExtractSummary summary;
  {
    TInterruptCatcher interrupts;
    TProgressLine line(err);
    summary = ExtractArchive(archive, request, [&](const TExtractProgress& p) {
      line.Show(p.Done, p.Total);
      return gInterrupted == 0;
    });
  }
  for (const std::string& problem : summary.ArchiveProblems) err << options.Archive << ": " << problem << '\n';
  if (!summary.Folder) err << options.OutputDir << ": " << Reason(summary.Folder) << '\n';
  for (const TExtractFailure& f : summary.Failures) err << options.Archive << "/" << f.Entry << ": " << f.Why << '\n';
  for (const std::string& mask : summary.UnmatchedMasks)
    err << options.Archive << ": no entry matches '" << PrintableName(mask) << "'\n";
  if (summary.Cancelled) err << options.Archive << ": interrupted\n";
  out << summary.Written << " of " << summary.Matched << " entries extracted to " << options.OutputDir;
  if (summary.Converted > 0) out << " (" << summary.Converted << " converted)";
  out << '\n';
  return summary.Ok() ? 0 : 1;
}

// ---- add, remove -----------------------------------------------------------

// An archive to change: the one at `path`, or a new one when there is none.
struct TOpenedForChange {
  TLodArchive Archive;
  TLodBuilder Builder;
  bool Ok = false;
};

void OpenForChange(const std::string& path, bool mayCreate, TOpenedForChange& into, std::ostream& err) {
  struct stat st;
  if (mayCreate && ::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    into.Ok = true;
    return;
  }
  if (const TOutcome opened = into.Archive.Open(path); !opened) {
    err << path << ": " << Reason(opened) << '\n';
    return;
  }
  std::string detail;
  if (const TOutcome started = into.Builder.StartFrom(into.Archive, &detail); !started) {
    err << path << ": " << WithDetail(started, detail) << '\n';
    return;
  }
  into.Ok = true;
}

bool SaveChanged(const TLodBuilder& builder, const std::string& path, std::ostream& err) {
  if (const TOutcome saved = builder.Save(path); !saved) {
    err << path << ": writing the archive: " << Reason(saved) << '\n';
    return false;
  }
  return true;
}

// The whole of a file to store, read through the same checks as any input:
// a regular file, no larger than an entry may be.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& why) {
  auto stream = OpenReadFileStream(path);
  if (!stream->IsOpen()) {
    why = Reason(stream->OpenError() == EINVAL ? TOutcome::Failure(TImageError::NotRegularFile)
                                               : TOutcome::Failure(TImageError::CannotOpen, stream->OpenError()));
    return false;
  }
  const std::int64_t size = stream->GetSize();
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxArchiveInputBytes) {
    why = "larger than an entry may be (" + std::to_string(kMaxArchiveInputBytes) + " bytes)";
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), 0);
  if (stream->Read(bytes.data(), size) != size) {
    why = Reason(TOutcome::Failure(TImageError::ShortRead, errno));
    return false;
  }
  return true;
}

// The bytes of `input` converted to `target` the way convert would write
// them.
bool ConvertedBytes(const std::string& input, TSaveTarget target, const TConversion& conversion,
                    std::vector<std::uint8_t>& bytes, std::string& why) {
  TDibBitmap image;
  if (LoadForConversion(image, input, why).Status != TLoadStatus::Loaded) return false;
  std::string note;
  if (!PrepareForSave(image, conversion, why, note)) return false;
  auto stream = NewMemoryByteStream();
  if (const TOutcome made = EncodeImage(image, target, *stream, conversion.Save); !made) {
    why = made.Error == TImageError::NotEightBit
              ? "a sprite is written from an 8-bit image: use --to8 or --palette to reduce it"
              : Reason(made);
    return false;
  }
  bytes.assign(stream->Memory(), stream->Memory() + stream->Size());
  return true;
}

std::string FileName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

int RunAdd(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  TOpenedForChange archive;
  OpenForChange(options.Archive, true, archive, err);
  if (!archive.Ok) return 1;
  const bool converting = options.BatchTarget != fkOther;
  const TSaveTarget target = SaveTargetFor(options.BatchTarget, options.SpriteDepth);
  TConversion conversion;
  if (!MakeConversion(options, conversion, err)) return 1;
  int status = 0;
  std::size_t added = 0, replaced = 0;
  std::set<std::string> namesThisRun;  // folded
  for (const std::string& file : options.Names) {
    std::string name = options.StoreAs.empty() ? FileName(file) : options.StoreAs;
    if (converting && options.StoreAs.empty())
      name = StripExtension(name) + "." + ExtensionOf(target);
    std::string detail;
    if (const TOutcome good = CheckLodName(name, &detail); !good) {
      err << file << ": cannot be stored as '" << PrintableName(name) << "': " << WithDetail(good, detail) << '\n';
      status = 1;
      continue;
    }
    std::string folded = name;
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!namesThisRun.insert(folded).second) {
      err << file << ": " << name << " was already added from an earlier file\n";
      status = 1;
      continue;
    }
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!(converting ? ConvertedBytes(file, target, conversion, bytes, why) : ReadWholeFile(file, bytes, why))) {
      err << file << ": " << why << '\n';
      status = 1;
      continue;
    }
    const bool existed = archive.Builder.Contains(name);
    if (const TOutcome put = archive.Builder.Put(name, bytes); !put) {
      err << file << ": " << Reason(put) << '\n';
      status = 1;
      continue;
    }
    ++(existed ? replaced : added);
  }
  if (added + replaced == 0) return status;
  if (!SaveChanged(archive.Builder, options.Archive, err)) return 1;
  out << options.Archive << ": " << added << " added, " << replaced << " replaced, " << archive.Builder.Count()
      << " entries\n";
  return status;
}

int RunRemove(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  TOpenedForChange archive;
  OpenForChange(options.Archive, false, archive, err);
  if (!archive.Ok) return 1;
  int status = 0;
  std::size_t removed = 0;
  for (const std::string& name : options.Names) {
    if (archive.Builder.Remove(name)) {
      ++removed;
    } else {
      err << EntryPath(options.Archive, name) << ": " << Reason(TOutcome::Failure(TImageError::NoSuchEntry)) << '\n';
      status = 1;
    }
  }
  if (removed == 0) return status;
  if (!SaveChanged(archive.Builder, options.Archive, err)) return 1;
  out << options.Archive << ": " << removed << " removed, " << archive.Builder.Count() << " entries\n";
  return status;
}

}  // namespace

int RunLod(const TCliOptions& options, std::ostream& out, std::ostream& err) {
  switch (options.Lod) {
    case TLodAction::List: return RunList(options, out, err);
    case TLodAction::Extract: return RunExtract(options, out, err);
    case TLodAction::Add: return RunAdd(options, out, err);
    case TLodAction::Remove: return RunRemove(options, out, err);
  }
  return 2;
}

int ConvertIntoArchive(const TCliOptions& options, const TArchivePath& output, std::ostream& err) {
  const std::string& input = options.Inputs.front();
  std::string detail;
  if (const TOutcome good = CheckLodName(output.Entry, &detail); !good) {
    err << input << ": cannot be stored as '" << PrintableName(output.Entry) << "': " << WithDetail(good, detail) << '\n';
    return 1;
  }
  TConversion conversion;
  if (!MakeConversion(options, conversion, err)) return 1;
  std::vector<std::uint8_t> bytes;
  std::string why;
  if (!ConvertedBytes(input, SaveTargetFor(FileKind(output.Entry), options.SpriteDepth), conversion, bytes, why)) {
    err << input << ": " << why << '\n';
    return 1;
  }
  TOpenedForChange archive;
  OpenForChange(output.Archive, false, archive, err);
  if (!archive.Ok) return 1;
  if (const TOutcome put = archive.Builder.Put(output.Entry, bytes); !put) {
    err << input << ": " << Reason(put) << '\n';
    return 1;
  }
  return SaveChanged(archive.Builder, output.Archive, err) ? 0 : 1;
}

}  // namespace kelvane::cli
