// The window's command line, `kelvane [PATH]`, read without Qt: what the
// program is asked to do, and where a PATH starts the window.
//
// `-h`/`--help` and `--version` are answered before any window or display
// is needed. Qt's own options (`-platform offscreen`, `-style fusion`, in
// one- or two-dash form) are let through to the application object, with
// their values; any other option is refused with one line and the hint to
// ask for help, and the program exits with kStartUsageExit. After `--`
// every argument is a path.
//
// A PATH is a folder, a file, or ARCHIVE/ENTRY (an entry inside a .lod or
// .pac file, workflow/ArchiveEntries.h). ResolveStartPath says which, with
// absolute native paths, and Missing for anything else: the program then
// says so and exits with kStartUsageExit, before a window opens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "workflow/FileKind.h"

namespace kelvane {

// The exit status of a command line the program cannot follow.
inline constexpr int kStartUsageExit = 2;

inline constexpr const char* kStartHelpText =
    "Usage: kelvane [PATH]\n"
    "Open the Kelvane window: view and convert the sprites, bitmaps, PNG\n"
    "images, DEF animations and LOD archives of Heroes of Might and Magic III.\n"
    "\n"
    "PATH may be a file (shown, selected, in its folder), a folder, or\n"
    "ARCHIVE/ENTRY (an entry inside a .lod or .pac archive). Without PATH the\n"
    "window opens in the current folder.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n";

inline constexpr const char* kStartHelpHint = "Try 'kelvane --help'.";

enum class TStartAction : std::uint8_t {
  Open,     // open the window (at Path when it is not empty)
  Help,     // print kStartHelpText
  Version,  // print the version line
  Refused,  // print Error and kStartHelpHint on stderr, exit kStartUsageExit
};

struct TStartOptions {
  TStartAction Action = TStartAction::Open;
  std::string Path;   // as given; empty for the current folder
  std::string Error;  // Refused: one line naming what was wrong
};

// Reads the arguments after the program's name. The first of help or
// version wins wherever it stands, so `kelvane x --help` helps rather than
// opening x.
TStartOptions ParseStartOptions(const std::vector<std::string>& arguments);

// "kelvane 0.1.0".
std::string StartVersionLine(const std::string& version);

// What a PATH names.
struct TStartPlace {
  enum class TKind : std::uint8_t {
    CurrentFolder,  // no PATH
    Folder,         // Folder is the folder to list
    File,           // Name, a file in Folder
    Archive,        // Folder is a .lod or .pac file, opened like a folder
    ArchiveEntry,   // Name, an entry of the archive Folder
    Missing,        // nothing there
  };
  TKind Kind = TKind::CurrentFolder;
  std::string Folder;  // absolute, native, no final "/" (but "/" itself)
  std::string Name;    // File and ArchiveEntry
  // The filter the browser shows: "*.def" for a DEF; "" to keep the one
  // shown (a folder, or a file of no kind of ours).
  std::string Mask;
};

// Resolves `path` (relative to `currentFolder`, both native).
TStartPlace ResolveStartPath(const std::string& path, const std::string& currentFolder);

// The browser's filter mask for files of `kind`: "*.pcx", "*.bmp", "*.png",
// "*.def"; "" for fkOther.
std::string FilterMaskFor(TFileKind kind);

}  // namespace kelvane
