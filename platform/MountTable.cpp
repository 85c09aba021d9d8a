#include "platform/MountTable.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace kelvane {
namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

bool IsFieldSeparator(char c) { return c == ' ' || c == '\t'; }

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return text.str();
}

}  // namespace

std::string DecodeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctalDigit(field[i + 1]) &&
        IsOctalDigit(field[i + 2]) && IsOctalDigit(field[i + 3])) {
      int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      // "\777" does not fit a byte; the kernel never writes it, so keep it as text.
      if (value <= 0xFF) {
        out.push_back(static_cast<char>(value));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

std::vector<TMountEntry> ParseMountTable(std::string_view text) {
  std::vector<TMountEntry> entries;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size() && fields.size() < 4) {
      while (i < line.size() && IsFieldSeparator(line[i])) ++i;
      std::size_t start = i;
      while (i < line.size() && !IsFieldSeparator(line[i])) ++i;
      if (i > start) fields.push_back(line.substr(start, i - start));
    }
    if (fields.size() < 3) continue;
    entries.push_back(TMountEntry{DecodeMountField(fields[0]), DecodeMountField(fields[1]),
                                  DecodeMountField(fields[2]),
                                  fields.size() > 3 ? DecodeMountField(fields[3]) : std::string()});
  }
  return entries;
}

std::optional<std::string> TSystemMountSource::ReadMountTable() const {
  return ReadWholeFile("/proc/self/mounts");
}

std::optional<bool> TSystemMountSource::IsRemovableDevice(std::string_view device) const {
  // Device names in the table may be links (/dev/disk/by-uuid/...); the
  // kernel's name of the block device is the last part of the real path.
  std::string devicePath(device);
  if (devicePath.rfind("/dev/", 0) != 0) return std::nullopt;
  char resolved[PATH_MAX];
  if (!realpath(devicePath.c_str(), resolved)) return std::nullopt;
  std::string real(resolved);
  std::string name = real.substr(real.rfind('/') + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;

  // /sys/class/block/<name> leads into the device tree; a partition sits
  // inside its disk's folder there, and only the disk has the flag.
  std::string classPath = "/sys/class/block/" + name;
  if (!realpath(classPath.c_str(), resolved)) return std::nullopt;
  std::string sysPath(resolved);
  struct stat st {};
  if (::stat((sysPath + "/partition").c_str(), &st) == 0)
    sysPath = sysPath.substr(0, sysPath.rfind('/'));
  std::optional<std::string> flag = ReadWholeFile(sysPath + "/removable");
  if (!flag || flag->empty()) return std::nullopt;
  return (*flag)[0] == '1';
}

std::optional<bool> TFixedMountSource::IsRemovableDevice(std::string_view device) const {
  auto it = Removable_.find(device);
  if (it == Removable_.end()) return std::nullopt;
  return it->second;
}

}  // namespace kelvane
