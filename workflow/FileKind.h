// What a file is, by its name alone. Shared by the window and the command
// line, so both treat "a.Pcx" and "A.BMP" alike. No Qt here.
#pragma once

#include <string>

namespace kelvane {

enum TFileKind { fkPcx = 0, fkBmp = 1, fkOther = 2, fkDef = 3, fkPng = 4 };

// The extension after the last "." of the whole path (the whole path when
// there is none), upper-cased, decides: "PCX", "BMP", "PNG", "DEF" (an
// animation) or anything else.
TFileKind FileKind(const std::string& path);

// `path` with the extension of `kind` (".pcx", ".bmp", ".png") added when
// its file name (after the last "/") has no "." at all, as a save dialog adds
// its default extension; `path` unchanged otherwise, or for fkOther.
std::string WithDefaultExtension(const std::string& path, TFileKind kind);

// `name` up to, not including, its last "."; the whole name when it has no
// ".". "a.b.pcx" gives "a.b".
std::string StripExtension(const std::string& name);

}  // namespace kelvane
