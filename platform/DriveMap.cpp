#include "platform/DriveMap.h"

#include <algorithm>
#include <array>
#include <map>

namespace kelvane {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

// File systems that are network shares. FUSE types carry a "fuse." prefix.
bool IsNetworkFileSystem(std::string_view fs) {
  return IsOneOf(fs, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "9p", "ceph",
                      "glusterfs", "lustre", "davfs", "sshfs", "fuse.sshfs", "fuse.rclone",
                      "fuse.s3fs", "fuse.glusterfs", "fuse.davfs2", "fuse.curlftpfs",
                      // folders shared by a virtual machine's host
                      "virtiofs", "vboxsf", "fuse.vmhgfs-fuse"});
}

bool IsOpticalFileSystem(std::string_view fs) { return IsOneOf(fs, {"iso9660", "udf"}); }

// Kernel and image file systems that may sit on a /dev device or under
// /media but are never media a user inserted.
bool IsSystemFileSystem(std::string_view fs) {
  return IsOneOf(fs, {"proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "securityfs",
                      "cgroup", "cgroup2", "pstore", "bpf", "debugfs", "tracefs", "configfs",
                      "fusectl", "hugetlbfs", "mqueue", "autofs", "binfmt_misc", "overlay",
                      "squashfs", "efivarfs", "selinuxfs", "rpc_pipefs", "nsfs", "swap"});
}

// Whether a mount is a drive of its own, and of which type.
std::optional<TDriveType> ClassifyMount(const TMountEntry& mount, const TMountSource& source) {
  if (mount.MountPoint == "/" || !StartsWith(mount.MountPoint, "/")) return std::nullopt;
  if (IsSystemFileSystem(mount.FileSystem)) return std::nullopt;
  if (IsOpticalFileSystem(mount.FileSystem) || StartsWith(mount.Device, "/dev/sr"))
    return DriveCdrom;
  if (IsNetworkFileSystem(mount.FileSystem)) return DriveRemote;
  if (!StartsWith(mount.Device, "/dev/")) return std::nullopt;
  if (StartsWith(mount.MountPoint, "/media/") || StartsWith(mount.MountPoint, "/run/media/"))
    return DriveRemovable;
  if (source.IsRemovableDevice(mount.Device).value_or(false)) return DriveRemovable;
  return std::nullopt;  // a fixed partition, already reachable under C:
}

// Splits at any of `separators`, skipping empty parts and "." and resolving
// ".." lexically, never above the first part: a drive's ".." stays on it.
void SplitPath(std::string_view path, std::string_view separators, std::vector<std::string_view>& parts) {
  parts.clear();
  std::size_t i = 0;
  while (i <= path.size()) {
    std::size_t end = path.find_first_of(separators, i);
    if (end == std::string_view::npos) end = path.size();
    std::string_view part = path.substr(i, end - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = end + 1;
  }
}

std::shared_ptr<const TDriveMap>& CurrentSlot() {
  static std::shared_ptr<const TDriveMap> slot;
  return slot;
}

}  // namespace

TDriveMap::TDriveMap() { Drives_.push_back(TDrive{'C', DriveFixed, "/", "", ""}); }

TDriveMap::TDriveMap(const TMountSource& source) : TDriveMap() {
  std::vector<TMountEntry> mounts = ParseMountTable(source.ReadMountTable().value_or(""));

  // A mount point mounted over is hidden by the later mount: keep the last.
  std::map<std::string, TMountEntry> visible;
  for (TMountEntry& mount : mounts) {
    // Mount points are absolute; drop a trailing slash so prefixes compare.
    while (mount.MountPoint.size() > 1 && mount.MountPoint.back() == '/') mount.MountPoint.pop_back();
    visible[mount.MountPoint] = mount;
  }
  if (auto root = visible.find("/"); root != visible.end()) {
    Drives_[0].Device = root->second.Device;
    Drives_[0].FileSystem = root->second.FileSystem;
  }
  // std::map iterates in byte order of the mount points.
  char letter = 'D';
  for (const auto& [point, mount] : visible) {
    if (letter > 'Z') break;
    std::optional<TDriveType> type = ClassifyMount(mount, source);
    if (!type) continue;
    // A mount point with a NUL could never be reached; the kernel never writes one.
    if (point.find('\0') != std::string::npos) continue;
    Drives_.push_back(TDrive{letter, *type, point, mount.Device, mount.FileSystem});
    ++letter;
  }
}

const TDrive* TDriveMap::FindDrive(char letter) const {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  for (const TDrive& drive : Drives_)
    if (drive.Letter == letter) return &drive;
  return nullptr;
}

std::uint32_t TDriveMap::LogicalDrives() const {
  std::uint32_t mask = 0;
  for (const TDrive& drive : Drives_) mask |= std::uint32_t{1} << (drive.Letter - 'A');
  return mask;
}

TDriveType TDriveMap::DriveType(std::string_view path) const {
  if (path.size() < 2 || path[1] != ':') return DriveNoRootDir;
  const TDrive* drive = FindDrive(path[0]);
  return drive ? drive->Type : DriveNoRootDir;
}

std::optional<std::string> TDriveMap::ToNative(std::string_view systemPath) const {
  if (systemPath.size() < 2 || systemPath[1] != ':') return std::nullopt;
  if (systemPath.find('\0') != std::string_view::npos) return std::nullopt;
  const TDrive* drive = FindDrive(systemPath[0]);
  if (!drive) return std::nullopt;
  std::string_view rest = systemPath.substr(2);
  if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') return std::nullopt;

  std::vector<std::string_view> parts;
  SplitPath(rest, "\\/", parts);
  std::string native = drive->MountPoint;
  for (std::string_view part : parts) {
    if (native.back() != '/') native += '/';
    native += part;
  }
  return native;
}

std::optional<std::string> TDriveMap::ToSystem(std::string_view nativePath) const {
  if (nativePath.empty() || nativePath[0] != '/') return std::nullopt;
  if (nativePath.find('\0') != std::string_view::npos) return std::nullopt;
  std::vector<std::string_view> parts;
  SplitPath(nativePath, "/", parts);

  // Find the drive whose mount point parts are the longest prefix of ours.
  const TDrive* best = nullptr;
  std::size_t bestDepth = 0;
  std::vector<std::string_view> pointParts;
  for (const TDrive& drive : Drives_) {
    SplitPath(drive.MountPoint, "/", pointParts);
    if (pointParts.size() > parts.size()) continue;
    if (!std::equal(pointParts.begin(), pointParts.end(), parts.begin())) continue;
    if (!best || pointParts.size() > bestDepth) {
      best = &drive;
      bestDepth = pointParts.size();
    }
  }
  if (!best) return std::nullopt;  // only when C: is missing, which a map never allows

  // Only the names below the drive's root are written out; a backslash in
  // the mount point itself does no harm.
  std::string system{best->Letter, ':', '\\'};
  for (std::size_t i = bestDepth; i < parts.size(); ++i) {
    if (parts[i].find('\\') != std::string_view::npos) return std::nullopt;
    if (i > bestDepth) system += '\\';
    system += parts[i];
  }
  return system;
}

const TDriveMap& CurrentDriveMap() {
  std::shared_ptr<const TDriveMap>& slot = CurrentSlot();
  if (!slot) ReloadDriveMap();
  return *slot;
}

void ReloadDriveMap() { CurrentSlot() = std::make_shared<const TDriveMap>(TSystemMountSource()); }

void SetCurrentDriveMap(TDriveMap map) {
  CurrentSlot() = std::make_shared<const TDriveMap>(std::move(map));
}

TScopedDriveMap::TScopedDriveMap(TDriveMap map) : Previous_(CurrentSlot()) {
  SetCurrentDriveMap(std::move(map));
}

TScopedDriveMap::~TScopedDriveMap() { CurrentSlot() = std::move(Previous_); }

}  // namespace kelvane
