#include "workflow/ArchiveExtraction.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>

#include "formats/DefReader.h"
#include "image/ByteSource.h"
#include "image/ByteStream.h"
#include "image/FolderWriter.h"
#include "image/NearestColorMap.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/DefWorkflow.h"
#include "workflow/FileKind.h"
#include "workflow/ImageCaptions.h"

namespace kelvane {

namespace {

// The caller hears of progress at least this often while entries are done.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

std::string Folded(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string ProblemText(const TOutcome& why, const std::string& detail) {
  std::string text = why.Text();
  if (text.empty()) text = "cannot be read";
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

bool Converts(const std::string& entryName, const TExtractRequest& request) {
  const TFileKind kind = FileKind(entryName);
  if (kind == fkDef) return request.Convert && request.DefFrames;
  return request.Convert && kind != fkOther && SaveTargetFor(kind) != request.Target;
}

// A DEF entry's frames and manifest, written into the folder.
std::string WriteDefFrames(const std::vector<std::uint8_t>& bytes, const std::string& entryName,
                           const TExtractRequest& request, const TFolderWriter& folder, std::uint64_t& written) {
  TMemorySource source(bytes);
  TDefAnimation animation;
  if (const TDefProblem read = ReadDef(source, animation); !read) return read.Text();
  TDefExtractOptions options;
  options.Target = request.Target;
  options.Save = request.Save;
  const TDefProblem done = ExtractDefTo(animation, StripExtension(entryName), options,
                                        [&](const std::string& name, std::span<const std::uint8_t> file) {
                                          const TOutcome put = folder.Write(name, file);
                                          if (put) written += file.size();
                                          return put;
                                        });
  if (done) return "";
  return done.Why.Error == TImageError::DuplicateGroupId ? done.Text() : "writing " + done.Where + ": " + done.Why.Text();
}

struct TJob {
  const TLodEntry* Entry = nullptr;
  std::string OutputName;
  bool Convert = false;
};

struct TResult {
  bool Done = false;
  bool Written = false;
  std::uint64_t Bytes = 0;
  std::string Why;  // empty when written
};

TResult RunJob(const TLodArchive& archive, const TJob& job, const TExtractRequest& request,
               const TFolderWriter& folder) {
  TResult r;
  r.Done = true;
  std::vector<std::uint8_t> bytes;
  std::string detail;
  if (TOutcome read = archive.Read(*job.Entry, bytes, &detail); !read) {
    r.Why = ProblemText(read, detail);
    return r;
  }
  std::span<const std::uint8_t> out = bytes;
  auto encoded = NewMemoryByteStream();
  if (job.Convert && FileKind(job.Entry->Name) == fkDef) {
    r.Why = WriteDefFrames(bytes, job.Entry->Name, request, folder, r.Bytes);
    r.Written = r.Why.empty();
    return r;
  }
  if (job.Convert) {
    TDibBitmap image;
    const TLoadResult load = LoadImageBytes(image, bytes, FileKind(job.Entry->Name));
    if (load.Status != TLoadStatus::Loaded) {
      r.Why = ProblemText(load.Why, "");
      return r;
    }
    if (request.Prepare && !request.Prepare(image, r.Why)) {
      if (r.Why.empty()) r.Why = "cannot be converted";
      return r;
    }
    if (const TOutcome made = EncodeImage(image, request.Target, *encoded, request.Save); !made) {
      r.Why = made.Error == TImageError::NotEightBit
                  ? "the image is " + std::string(FormatCaption(image.GetPixelFormat())) +
                        "; a sprite is written from an 8-bit image"
                  : ProblemText(made, "");
      return r;
    }
    out = {encoded->Memory(), static_cast<std::size_t>(encoded->Size())};
  }
  if (const TOutcome written = folder.Write(job.OutputName, out); !written) {
    r.Why = "writing " + job.OutputName + ": " + written.Text();
    return r;
  }
  r.Written = true;
  r.Bytes = out.size();
  return r;
}

}  // namespace

TExtractRequest ExtractAllRequest(const std::string& mask, const std::string& outputDir) {
  TExtractRequest request;
  request.OutputDir = outputDir;
  // One mask, ";" and all, exactly as the file list matches it.
  request.Masks = {mask};
  request.Convert = true;
  request.Target = TSaveTarget::Bmp;
  return request;
}

std::string ExtractedName(const std::string& entryName, const TExtractRequest& request) {
  if (!Converts(entryName, request)) return entryName;
  if (FileKind(entryName) == fkDef) return DefManifestFileName(StripExtension(entryName));
  return StripExtension(entryName) + "." + ExtensionOf(request.Target);
}

namespace {

// The entries an extraction writes and those it fails before writing, chosen
// in table order with their output names, so which of two colliding entries
// wins never depends on thread timing.
struct TPlan {
  std::vector<TJob> Jobs;
  std::vector<std::pair<std::uint32_t, TExtractFailure>> Failures;  // by table index
  std::vector<bool> MaskUsed;
  std::size_t Matched = 0;
};

TPlan PlanExtraction(const TLodArchive& archive, const TExtractRequest& request) {
  TPlan plan;
  plan.MaskUsed.assign(request.Masks.size(), false);
  std::unordered_map<std::string, std::string> taken;  // folded output name -> entry
  for (const TLodEntry& e : archive.Entries()) {
    bool chosen = request.Masks.empty();
    for (std::size_t m = 0; m < request.Masks.size(); ++m) {
      if (MatchesEntryMask(e.Name, request.Masks[m])) {
        plan.MaskUsed[m] = true;
        chosen = true;
      }
    }
    if (!chosen) continue;
    ++plan.Matched;
    const std::string printable = PrintableName(e.Name);
    if (!e.Readable()) {
      plan.Failures.push_back({e.TableIndex, {printable, ProblemText(e.Problem, e.Detail)}});
      continue;
    }
    TJob job{&e, ExtractedName(e.Name, request), Converts(e.Name, request)};
    // Output names are compared without regard to case: on a folder that
    // ignores case (a FAT stick) "A.bmp" and "a.bmp" are one file.
    if (const auto [first, isNew] = taken.emplace(Folded(job.OutputName), printable); !isNew) {
      plan.Failures.push_back({e.TableIndex,
                               {printable, ProblemText(TOutcome::Failure(TImageError::NameCollision),
                                                       job.OutputName + " is written from " + first->second)}});
      continue;
    }
    plan.Jobs.push_back(std::move(job));
  }
  return plan;
}

}  // namespace

std::vector<std::string> FilesInTheWay(const TLodArchive& archive, const TExtractRequest& request) {
  std::vector<std::string> names;
  const std::string dir = request.OutputDir.empty() ? "." : request.OutputDir;
  for (const TJob& job : PlanExtraction(archive, request).Jobs) {
    // The name itself, not what a link there points to: the link is what
    // would be replaced. A folder or special file of that name is never
    // replaced (the folder writer refuses it and the entry fails).
    struct stat st;
    if (::lstat((dir + "/" + job.OutputName).c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
      names.push_back(job.OutputName);
  }
  return names;
}

TExtractSummary ExtractArchive(const TLodArchive& archive, const TExtractRequest& request,
                               const TExtractProgressFn& progress) {
  TExtractSummary summary;
  for (const TLodNotice& notice : archive.Notices()) summary.ArchiveProblems.push_back(ProblemText(notice.Why, notice.Detail));

  TPlan plan = PlanExtraction(archive, request);
  summary.Matched = plan.Matched;
  std::vector<TJob>& jobs = plan.Jobs;
  std::vector<std::pair<std::uint32_t, TExtractFailure>>& failures = plan.Failures;
  for (std::size_t m = 0; m < request.Masks.size(); ++m)
    if (!plan.MaskUsed[m]) summary.UnmatchedMasks.push_back(request.Masks[m]);

  TFolderWriter folder;
  if (!jobs.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(request.OutputDir.empty() ? "." : request.OutputDir, ec);
    summary.Folder = folder.Open(request.OutputDir);
    if (!summary.Folder) jobs.clear();
  }

  std::vector<TResult> results(jobs.size());
  std::atomic<std::size_t> next{0};
  std::atomic<bool> cancelled{false};
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t done = 0;
  unsigned threads = request.Threads != 0 ? request.Threads : std::max(1u, std::thread::hardware_concurrency());
  threads = static_cast<unsigned>(std::min<std::size_t>(threads, jobs.size()));

  auto work = [&] {
    for (std::size_t i = next++; i < jobs.size() && !cancelled; i = next++) {
      TResult r = RunJob(archive, jobs[i], request, folder);
      std::lock_guard lock(mutex);
      results[i] = std::move(r);
      // The reporter looks every kProgressInterval anyway; waking it for
      // each of ten thousand small entries would cost more than they do.
      if (++done == jobs.size()) changed.notify_one();
    }
  };
  // The calling thread only reports: the window's callback runs where the
  // window lives. A cancel before the start begins nothing.
  if (progress && !progress(TExtractProgress{0, jobs.size()})) cancelled = true;
  const TNearestColorMapSharing sharing;  // entries reduced onto one palette share its map
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads && !cancelled; ++t) workers.emplace_back(work);
  {
    std::unique_lock lock(mutex);
    std::size_t reported = 0;
    while (done < jobs.size() && !cancelled) {
      changed.wait_for(lock, kProgressInterval);
      if (!progress || done == reported) continue;
      reported = done;
      const TExtractProgress now{done, jobs.size()};
      lock.unlock();
      if (!progress(now)) cancelled = true;
      lock.lock();
    }
  }
  for (std::thread& w : workers) w.join();
  summary.Cancelled = cancelled;

  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const TResult& r = results[i];
    if (!r.Done) continue;  // not begun before the cancel
    if (r.Written) {
      ++summary.Written;
      if (jobs[i].Convert) ++summary.Converted;
      summary.BytesWritten += r.Bytes;
    } else {
      failures.push_back({jobs[i].Entry->TableIndex, {PrintableName(jobs[i].Entry->Name), r.Why}});
    }
  }
  std::stable_sort(failures.begin(), failures.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& f : failures) summary.Failures.push_back(std::move(f.second));
  if (progress && !summary.Cancelled) progress(TExtractProgress{jobs.size(), jobs.size()});
  return summary;
}

}  // namespace kelvane
