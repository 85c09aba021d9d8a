#include "cli/DefCommands.h"

#include <malloc.h>
#include <sched.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <set>
#include <thread>

#include "cli/CliOptions.h"

namespace kelvane::cli {

namespace {

std::string TypeText(std::uint32_t type) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%02x", type);
  const std::string name = DefTypeName(type);
  return name.empty() ? "type " + std::string(hex) : name + " (" + hex + ")";
}

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

unsigned CoresAvailable() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return static_cast<unsigned>(CPU_COUNT(&set));
  const unsigned n = std::thread::hardware_concurrency();
  return n > 0 ? n : 1;
}

// One DEF of an extraction and what became of it.
struct TExtractJob {
  std::string Input;
  std::string Name;   // the DEF's name in the files written
  std::string Error;  // empty while all is well
};

void Extract(TExtractJob& job, const TDefOptions& options) {
  TDefAnimation animation;
  if (const TDefProblem read = LoadDefAnimation(job.Input, animation); !read) {
    job.Error = read.Text();
    return;
  }
  TDefExtractOptions extract;
  extract.Target = options.FrameTarget;
  extract.Save.PngAlpha = options.Alpha;
  extract.Sheets = options.Sheets;
  if (const TDefProblem written = ExtractDef(animation, job.Name, options.Output, extract); !written) {
    // The place is the file that could not be written, or a reason the DEF
    // cannot be extracted at all.
    job.Error = written.Why.Error == TImageError::DuplicateGroupId
                    ? written.Text()
                    : "writing " + options.Output + "/" + written.Where + ": " + written.Why.Text();
  }
}

}  // namespace

int RunDefInfo(const TDefOptions& options, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& path : options.Inputs) {
    TDefAnimation animation;
    if (const TDefProblem read = LoadDefAnimation(path, animation); !read) {
      err << path << ": " << read.Text() << '\n';
      status = 1;
      continue;
    }
    out << path << ": " << TypeText(animation.Type) << ", " << animation.Width << "x" << animation.Height << ", "
        << Plural(animation.Groups.size(), "group", "groups") << ", "
        << Plural(animation.FrameRefCount(), "frame", "frames") << ", " << animation.Frames.size() << " stored\n";
    for (const TDefGroup& group : animation.Groups) {
      std::set<std::uint32_t> formats;
      for (const TDefFrameRef& ref : group.Frames) formats.insert(animation.Frames[ref.Frame].PixelFormat);
      out << "  group " << group.Id << ": " << Plural(group.Frames.size(), "frame", "frames");
      if (!formats.empty()) {
        out << (formats.size() == 1 ? ", format " : ", formats ");
        const char* separator = "";
        for (std::uint32_t format : formats) {
          out << separator << format;
          separator = ", ";
        }
      }
      out << '\n';
    }
  }
  return status;
}

int RunDefExtract(const TDefOptions& options, std::ostream& err) {
  // Every frame passes through a few blocks of its canvas's size. By default
  // glibc hands blocks of that size back to the system when they are freed,
  // so each frame faulted its pages in afresh (most of an extraction's time,
  // and worse on several threads, whose faults contend). Kept, they are
  // reused; the memory stays at what the largest frames need.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  std::error_code ec;
  std::filesystem::create_directories(options.Output, ec);
  if (!std::filesystem::is_directory(options.Output)) {
    err << options.Output << ": cannot make the output directory" << (ec ? ": " + ec.message() : std::string()) << '\n';
    return 1;
  }

  std::vector<TExtractJob> jobs;
  std::set<std::string> names;
  for (const std::string& input : options.Inputs) {
    TExtractJob job{input, BaseName(input), {}};
    // Two DEFs of one name would write the same files; the later one would
    // silently replace the earlier one's frames.
    if (!names.insert(job.Name).second)
      job.Error = "a DEF named " + job.Name + " was already extracted to " + options.Output + " from an earlier input";
    jobs.push_back(std::move(job));
  }

  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < jobs.size(); i = next++)
      if (jobs[i].Error.empty()) Extract(jobs[i], options);
  };
  const std::size_t threads = std::min<std::size_t>(options.Jobs > 0 ? options.Jobs : CoresAvailable(), jobs.size());
  std::vector<std::thread> workers;
  for (std::size_t t = 1; t < threads; ++t) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();

  int status = 0;
  for (const TExtractJob& job : jobs) {
    if (job.Error.empty()) continue;
    err << job.Input << ": " << job.Error << '\n';
    status = 1;
  }
  return status;
}

int RunDefBuild(const TDefOptions& options, std::ostream& err) {
  const std::string& manifest = options.Inputs.front();
  std::vector<std::string> notes;
  const TDefProblem built = BuildDef(manifest, options.Output, &notes);
  for (const std::string& note : notes) err << manifest << ": note: " << note << '\n';
  if (built) return 0;
  if (built.Where.empty()) err << manifest << ": writing " << options.Output << ": " << built.Why.Text() << '\n';
  else err << manifest << ": " << built.Text() << '\n';
  return 1;
}

}  // namespace kelvane::cli
