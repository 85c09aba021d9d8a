#include "workflow/DefWorkflow.h"

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "formats/DefReader.h"
#include "formats/DefWriter.h"
#include "image/ByteStream.h"
#include "image/NearestColorMap.h"
#include "image/SafeSave.h"
#include "workflow/ArchiveEntries.h"
#include "workflow/ImageCaptions.h"

namespace kelvane {

namespace {

// A manifest of the largest DEF we read (65536 frames, two quoted names
// each) is a few megabytes; anything far larger is not one of ours.
constexpr std::uint64_t kMaxManifestBytes = std::uint64_t{64} << 20;

std::string Join(const std::string& directory, const std::string& name) {
  std::string dir = directory;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) return name;
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string DefFormatText(const TDefAnimation& animation) {
  const std::string type = DefTypeName(animation.Type);
  const std::size_t frames = animation.FrameRefCount();
  return "DEF" + (type.empty() ? std::string() : " " + type) + ", " + std::to_string(frames) +
         (frames == 1 ? " frame" : " frames");
}

TLoadResult DefLoaded(TDibBitmap& image, const TDefProblem& read, const TDefAnimation& animation) {
  TLoadResult r;
  if (!read) {
    r.Status = TLoadStatus::Refused;
    r.Message = kInvalidFormatText;
    r.Why = read.Why;
    return r;
  }
  const TDefFrameRef* first = nullptr;
  for (const TDefGroup& group : animation.Groups) {
    if (!group.Frames.empty()) {
      first = &group.Frames.front();
      break;
    }
  }
  image.Clear();
  if (first != nullptr) r.Why = ImageOfCanvas(animation.Frames[first->Frame].Canvas, animation.Palette, image);
  if (!r.Why) image.Clear();
  r.Status = r.Why ? TLoadStatus::Loaded : TLoadStatus::Unreadable;
  r.Panel = TImagePanel::Pcx;
  r.SizeText = SizeText(animation.Width, animation.Height);
  r.FormatText = DefFormatText(animation);
  return r;
}

TDefProblem LoadDefAnimation(const std::string& path, TDefAnimation& animation) {
  // "Data/H3sprite.lod/ADAG.def": the entry, read into memory and parsed
  // from there, with no temporary file.
  const std::optional<TArchivePath> inside = SplitArchivePath(path);
  if (!inside) return ReadDefFile(path, animation);
  TLodArchive archive;
  if (TOutcome opened = archive.Open(inside->Archive); !opened) return TDefProblem{opened, inside->Archive};
  const TLodEntry* entry = archive.Find(inside->Entry);
  if (entry == nullptr) return TDefProblem{TOutcome::Failure(TImageError::NoSuchEntry), inside->Entry};
  std::vector<std::uint8_t> bytes;
  if (TOutcome read = archive.Read(*entry, bytes); !read) return TDefProblem{read, inside->Entry};
  TMemorySource source(bytes);
  return ReadDef(source, animation);
}

TLoadResult LoadDefImage(TDibBitmap& image, const std::string& path) {
  TDefAnimation animation;
  const TDefProblem read = LoadDefAnimation(path, animation);
  return DefLoaded(image, read, animation);
}

TLoadResult LoadDefImage(TDibBitmap& image, TByteSource& source) {
  TDefAnimation animation;
  const TDefProblem read = ReadDef(source, animation);
  return DefLoaded(image, read, animation);
}

std::string DefFrameFileName(const std::string& defName, std::uint32_t groupId, std::size_t index, TSaveTarget target) {
  return defName + "-" + std::to_string(groupId) + "-" + std::to_string(index) + "." + ExtensionOf(target);
}

std::string DefSheetFileName(const std::string& defName, std::uint32_t groupId, TSaveTarget target) {
  return defName + "-" + std::to_string(groupId) + "-sheet." + ExtensionOf(target);
}

std::string DefManifestFileName(const std::string& defName) { return defName + ".manifest"; }

TDefManifest ManifestOf(const TDefAnimation& animation, const std::string& defName, TSaveTarget target) {
  TDefManifest m;
  m.Type = animation.Type;
  m.Width = animation.Width;
  m.Height = animation.Height;
  m.Palette = animation.Palette;
  std::set<std::uint32_t> formats;
  for (const TDefFrame& frame : animation.Frames) formats.insert(frame.PixelFormat);
  if (formats.size() == 1 && *formats.begin() != GamePixelFormatFor(animation.Type)) m.PixelFormat = *formats.begin();
  for (const TDefGroup& group : animation.Groups) {
    TManifestGroup g;
    g.Id = group.Id;
    for (std::size_t i = 0; i < group.Frames.size(); ++i)
      g.Frames.push_back({group.Frames[i].Name, DefFrameFileName(defName, group.Id, i, target)});
    m.Groups.push_back(std::move(g));
  }
  return m;
}

TOutcome SheetOf(const TDefAnimation& animation, const TDefGroup& group, TDibBitmap& sheet) {
  if (group.Frames.empty()) return TOutcome::Failure(TImageError::EmptyImage);
  std::int64_t cellWidth = 0, cellHeight = 0;
  for (const TDefFrameRef& ref : group.Frames) {
    cellWidth = std::max<std::int64_t>(cellWidth, animation.Frames[ref.Frame].Canvas.Width);
    cellHeight = std::max<std::int64_t>(cellHeight, animation.Frames[ref.Frame].Canvas.Height);
  }
  const auto count = static_cast<std::int64_t>(group.Frames.size());
  auto columns = static_cast<std::int64_t>(std::ceil(std::sqrt(static_cast<double>(count))));
  const std::int64_t rows = (count + columns - 1) / columns;
  // Canvases are below 2^30 bytes and there are at most 65536 frames, so
  // these products stay far inside 64 bits.
  const std::int64_t width = columns * cellWidth, height = rows * cellHeight;
  if (width > INT32_MAX || height > INT32_MAX || (width + 3) / 4 * 4 * height > kMaxPixelBlockBytes)
    return TOutcome::Failure(TImageError::OverLimit);
  TDefCanvas canvas;
  canvas.Width = static_cast<std::int32_t>(width);
  canvas.Height = static_cast<std::int32_t>(height);
  canvas.Indexes = TCanvasBytes(static_cast<std::size_t>(width * height));
  if (canvas.Indexes.size() != static_cast<std::size_t>(width * height))
    return TOutcome::Failure(TImageError::NoMemory);
  for (std::int64_t i = 0; i < count; ++i) {
    const TDefCanvas& frame = animation.Frames[group.Frames[static_cast<std::size_t>(i)].Frame].Canvas;
    const std::int64_t x0 = i % columns * cellWidth, y0 = i / columns * cellHeight;
    for (std::int64_t y = 0; y < frame.Height; ++y)
      std::copy_n(frame.Indexes.data() + y * frame.Width, frame.Width, canvas.Indexes.data() + (y0 + y) * width + x0);
  }
  return ImageOfCanvas(canvas, animation.Palette, sheet);
}

TDefProblem ExtractDefTo(const TDefAnimation& animation, const std::string& defName, const TDefExtractOptions& options,
                         const TNamedFileWriter& write) {
  std::set<std::uint32_t> ids;
  for (const TDefGroup& group : animation.Groups) {
    if (!ids.insert(group.Id).second)
      return TDefProblem::Failure(TImageError::DuplicateGroupId,
                                  "group id " + std::to_string(group.Id) + ": its frames' file names would clash");
  }
  // One stream for every file: it keeps its block, so a frame is encoded
  // without asking for memory again.
  auto encoded = NewMemoryByteStream();
  const auto writeImage = [&](TDibBitmap& image, const std::string& name) {
    encoded->SetSize(0);
    encoded->SetPosition(0);
    TOutcome done = EncodeImage(image, options.Target, *encoded, options.Save);
    if (done) done = write(name, {encoded->Memory(), static_cast<std::size_t>(encoded->Size())});
    return done;
  };
  for (const TDefGroup& group : animation.Groups) {
    for (std::size_t i = 0; i < group.Frames.size(); ++i) {
      const std::string name = DefFrameFileName(defName, group.Id, i, options.Target);
      TDibBitmap image;
      TOutcome done = ImageOfCanvas(animation.Frames[group.Frames[i].Frame].Canvas, animation.Palette, image);
      if (done) done = writeImage(image, name);
      if (!done) return {done, name};
    }
    if (options.Sheets == TDefSheets::OnePerGroup && !group.Frames.empty()) {
      const std::string name = DefSheetFileName(defName, group.Id, options.Target);
      TDibBitmap sheet;
      TOutcome done = SheetOf(animation, group, sheet);
      if (done) done = writeImage(sheet, name);
      if (!done) return {done, name};
    }
  }
  const std::string manifestName = DefManifestFileName(defName);
  const std::string text = FormatDefManifest(ManifestOf(animation, defName, options.Target));
  const TOutcome saved = write(manifestName, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  if (!saved) return {saved, manifestName};
  return TDefProblem::Success();
}

TDefProblem ExtractDef(const TDefAnimation& animation, const std::string& defName, const std::string& directory,
                       const TDefExtractOptions& options) {
  return ExtractDefTo(animation, defName, options, [&](const std::string& name, std::span<const std::uint8_t> bytes) {
    return SaveFileReplacing(Join(directory, name), [&](TByteStream& stream) {
      const auto size = static_cast<std::int64_t>(bytes.size());
      return stream.Write(bytes.data(), size) == size;
    });
  });
}

TOutcome FrameCanvasOnPalette(TDibBitmap& image, const TDefPalette& palette, TDefCanvas& canvas,
                              TReductionReport* report) {
  if (image.IsEmpty()) return TOutcome::Failure(TImageError::EmptyImage);
  TReductionReport reduced;
  reduced.IndexesKept = image.GetPixelFormat() == px8 && HasPalette(image, palette);
  if (!reduced.IndexesKept) {
    TPalette target;
    target.Count = 256;
    for (std::size_t i = 0; i < target.Colors.size(); ++i)
      target.Colors[i] = std::uint32_t{palette[3 * i]} << 16 | std::uint32_t{palette[3 * i + 1]} << 8 | palette[3 * i + 2];
    reduced = ReduceToPalette(image, target, TReductionOptions{});
  }
  if (report != nullptr) *report = reduced;
  if (!reduced.Outcome) return reduced.Outcome;
  return CanvasOfImage(image, canvas);
}

TDefProblem BuildDef(const std::string& manifestPath, const std::string& outputPath, std::vector<std::string>* notes) {
  TFileSource file = OpenFileSource(manifestPath);
  if (!file.Source) return {file.Opened, "the manifest"};
  TByteReader bytes;
  if (const TOutcome got = file.Source->Rest(0, kMaxManifestBytes, bytes); !got) return {got, "the manifest"};
  const std::string_view text(reinterpret_cast<const char*>(bytes.Bytes().data()), bytes.Bytes().size());
  TDefManifest manifest;
  std::string error;
  if (!ParseDefManifest(text, manifest, error)) return TDefProblem::Failure(TImageError::BadManifest, error);

  const TNearestColorMapSharing sharing;  // frames are reduced onto one palette
  TDefAnimation animation;
  animation.Type = manifest.Type;
  animation.Width = manifest.Width;
  animation.Height = manifest.Height;
  animation.Palette = manifest.Palette;
  // Frames naming one file share one stored frame; files of equal pixels
  // are merged by the writer.
  std::map<std::string, std::size_t> frameOfFile;
  std::uint64_t canvasBytes = 0;
  const std::string base = DirectoryOf(manifestPath);
  for (const TManifestGroup& g : manifest.Groups) {
    TDefGroup group;
    group.Id = g.Id;
    for (const TManifestFrame& f : g.Frames) {
      const std::string path = f.File.front() == '/' ? f.File : Join(base, f.File);
      auto known = frameOfFile.find(path);
      if (known == frameOfFile.end()) {
        const TFileKind kind = FileKind(path);
        if (kind != fkBmp && kind != fkPcx && kind != fkPng)
          return TDefProblem::Failure(TImageError::UnsupportedFormat, f.File + ": frames are .png, .bmp or .pcx images");
        TDibBitmap image;
        const TLoadResult load = LoadImageFile(image, path, kind);
        if (load.Status != TLoadStatus::Loaded) return {load.Why, f.File};
        const std::string depth(FormatCaption(image.GetPixelFormat()));
        TDefFrame frame;
        TReductionReport reduced;
        if (const TOutcome on = FrameCanvasOnPalette(image, animation.Palette, frame.Canvas, &reduced); !on)
          return {on, f.File};
        if (notes != nullptr && !reduced.IndexesKept) {
          notes->push_back(f.File + ": " + depth + ", reduced onto the palette" +
                           (reduced.InexactPixels == 0
                                ? std::string("; every pixel was a palette colour")
                                : "; " + std::to_string(reduced.InexactPixels) +
                                      (reduced.InexactPixels == 1 ? " pixel was not a palette colour"
                                                                  : " pixels were not palette colours")));
        }
        canvasBytes += frame.Canvas.Indexes.size();
        if (canvasBytes > kMaxDefCanvasBytes)
          return TDefProblem::Failure(TImageError::OverLimit, f.File + ": the frames together are above 1 GiB");
        known = frameOfFile.emplace(path, animation.Frames.size()).first;
        animation.Frames.push_back(std::move(frame));
      }
      group.Frames.push_back({f.Name, known->second});
    }
    animation.Groups.push_back(std::move(group));
  }
  TDefWriteOptions options;
  options.PixelFormat = manifest.PixelFormat;
  return SaveDef(animation, options, outputPath);
}

}  // namespace kelvane
