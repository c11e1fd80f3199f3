// FileSystem.h on Windows: the POSIX-shaped calls of a save carried out with the system's own.
// A descriptor is the C runtime's over a handle from CreateFileW (shared for reading, writing
// and deleting, as POSIX files are); Sync is FlushFileBuffers, Rename is MoveFileExW replacing
// and writing through, TryLock is LockFileEx (a folder, which cannot be locked by range, is
// locked through a named mutex of the session held until the descriptor is closed). Errors come
// back as -errno, mapped from the system's codes. Files belong to the user who runs the
// program; the mode's write bits are the read-only attribute.
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "contract/WideText.h"
#include "platform/FileSystem.h"

namespace lumora {
namespace {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EWOULDBLOCK;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    default:
      return EIO;
  }
}

int Failed() {
  return -ErrnoOf(::GetLastError());
}

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// The folder locks held, by descriptor.
std::mutex locksMutex;
std::map<int, HANDLE> folderLocks;

int StatHandle(HANDLE h, struct stat& st) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return Failed();
  st = {};
  const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  st.st_mode = static_cast<unsigned short>((folder ? S_IFDIR : S_IFREG) | (readOnly ? 0444 : 0666) |
                                           (folder ? 0111 : 0));
  st.st_nlink = static_cast<short>(info.nNumberOfLinks);
  st.st_dev = info.dwVolumeSerialNumber;
  // The runtime's inode field holds 16 bits: the file index folded into them.
  const uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  st.st_ino = static_cast<_ino_t>(index ^ (index >> 16) ^ (index >> 32) ^ (index >> 48));
  st.st_size = static_cast<_off_t>(info.nFileSizeLow);
  ULARGE_INTEGER written{};
  written.LowPart = info.ftLastWriteTime.dwLowDateTime;
  written.HighPart = info.ftLastWriteTime.dwHighDateTime;
  st.st_mtime = static_cast<time_t>(written.QuadPart / 10000000ULL - 11644473600ULL);
  return 0;
}

HANDLE OpenForInfo(const std::string& path, bool followLinks) {
  return ::CreateFileW(
      Widen(path).c_str(), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

}  // namespace

int PosixFileSystem::Open(const std::string& path, int flags, mode_t mode) {
  DWORD access = FILE_READ_ATTRIBUTES;
  const int accessMode = flags & (O_RDONLY | O_WRONLY | O_RDWR);
  if (accessMode == O_RDONLY) access |= GENERIC_READ;
  if (accessMode == O_WRONLY) access |= GENERIC_WRITE;
  if (accessMode == O_RDWR) access |= GENERIC_READ | GENERIC_WRITE;
  DWORD creation = OPEN_EXISTING;
  if ((flags & O_CREAT) != 0) {
    creation = (flags & O_EXCL) != 0    ? CREATE_NEW
               : (flags & O_TRUNC) != 0 ? CREATE_ALWAYS
                                        : OPEN_ALWAYS;
  } else if ((flags & O_TRUNC) != 0) {
    creation = TRUNCATE_EXISTING;
  }
  DWORD attributes = (mode & 0222) == 0 && (flags & O_CREAT) != 0 ? FILE_ATTRIBUTE_READONLY
                                                                  : FILE_ATTRIBUTE_NORMAL;
  if ((flags & O_DIRECTORY) != 0) attributes |= FILE_FLAG_BACKUP_SEMANTICS;
  if ((flags & O_NOFOLLOW) != 0) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE h = ::CreateFileW(Widen(path).c_str(), access,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           creation, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  BY_HANDLE_FILE_INFORMATION info{};
  if ((flags & O_DIRECTORY) != 0 && ::GetFileInformationByHandle(h, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::CloseHandle(h);
    return -ENOTDIR;
  }
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags & (O_WRONLY | O_RDWR));
  if (fd < 0) {
    ::CloseHandle(h);
    return -EMFILE;
  }
  return fd;
}

ssize_t PosixFileSystem::Read(int fd, void* data, size_t size) {
  DWORD n = 0;
  if (!::ReadFile(HandleOf(fd), data, static_cast<DWORD>(size), &n, nullptr)) {
    return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : Failed();
  }
  return static_cast<ssize_t>(n);
}

ssize_t PosixFileSystem::Write(int fd, const void* data, size_t size) {
  DWORD n = 0;
  if (!::WriteFile(HandleOf(fd), data, static_cast<DWORD>(size), &n, nullptr)) return Failed();
  return static_cast<ssize_t>(n);
}

int PosixFileSystem::Sync(int fd) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileInformationByHandle(HandleOf(fd), &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return 0;  // a folder's entries are written through by MoveFileExW
  }
  return ::FlushFileBuffers(HandleOf(fd)) ? 0 : Failed();
}

int PosixFileSystem::Truncate(int fd, off_t size) {
  LARGE_INTEGER at{};
  at.QuadPart = size;
  if (!::SetFilePointerEx(HandleOf(fd), at, nullptr, FILE_BEGIN) || !::SetEndOfFile(HandleOf(fd))) {
    return Failed();
  }
  return 0;
}

int PosixFileSystem::Close(int fd) {
  {
    const std::lock_guard<std::mutex> guard(locksMutex);
    if (auto it = folderLocks.find(fd); it != folderLocks.end()) {
      ::ReleaseMutex(it->second);
      ::CloseHandle(it->second);
      folderLocks.erase(it);
    }
  }
  return ::_close(fd) == 0 ? 0 : -errno;
}

int PosixFileSystem::Stat(int fd, struct stat& st) {
  return StatHandle(HandleOf(fd), st);
}

int PosixFileSystem::ChangeMode(int fd, mode_t mode) {
  FILE_BASIC_INFO info{};
  if (!::GetFileInformationByHandleEx(HandleOf(fd), FileBasicInfo, &info, sizeof info)) {
    return Failed();
  }
  if ((mode & 0222) == 0) {
    info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  } else {
    info.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  }
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileInformationByHandle(HandleOf(fd), FileBasicInfo, &info, sizeof info) ? 0
                                                                                       : Failed();
}

int PosixFileSystem::ChangeOwner(int, uid_t, gid_t) {
  return 0;  // every file is the running user's (see geteuid in platform/win32/PosixNames.h)
}

int PosixFileSystem::TryLock(int fd) {
  HANDLE h = HandleOf(fd);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h, &info)) return Failed();
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    OVERLAPPED whole{};
    return ::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                        MAXDWORD, &whole)
               ? 0
               : -EWOULDBLOCK;
  }
  const std::wstring name = L"Local\\lumora-folder-" + std::to_wstring(info.dwVolumeSerialNumber) +
                            L"-" + std::to_wstring(info.nFileIndexHigh) + L"-" +
                            std::to_wstring(info.nFileIndexLow);
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return Failed();
  const DWORD waited = ::WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    return -EWOULDBLOCK;
  }
  const std::lock_guard<std::mutex> guard(locksMutex);
  folderLocks[fd] = mutex;
  return 0;
}

ssize_t PosixFileSystem::ExtendedAttributeNames(int) {
  return 0;  // a rename keeps a file's access list on the same volume
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : Failed();
}

int PosixFileSystem::Unlink(const std::string& path) {
  return ::DeleteFileW(Widen(path).c_str()) ? 0 : Failed();
}

int PosixFileSystem::MakeFolder(const std::string& path, mode_t) {
  return ::CreateDirectoryW(Widen(path).c_str(), nullptr) ? 0 : Failed();
}

int PosixFileSystem::List(const std::string& folder, std::vector<std::string>& names) {
  WIN32_FIND_DATAW entry{};
  HANDLE find = ::FindFirstFileW((Widen(folder) + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return Failed();
  names.clear();
  do {
    const std::string name = Narrow(entry.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return 0;
}

int PosixFileSystem::StatPath(const std::string& path, struct stat& st) {
  HANDLE h = OpenForInfo(path, false);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  const int r = StatHandle(h, st);
  ::CloseHandle(h);
  return r;
}

int PosixFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  HANDLE h = OpenForInfo(path, true);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = ::GetFinalPathNameByHandleW(h, buffer, MAX_PATH * 4, FILE_NAME_NORMALIZED);
  ::CloseHandle(h);
  if (n == 0 || n >= MAX_PATH * 4) return Failed();
  std::wstring full(buffer, n);
  if (full.starts_with(L"\\\\?\\UNC\\")) {
    full = L"\\" + full.substr(7);
  } else if (full.starts_with(L"\\\\?\\")) {
    full = full.substr(4);
  }
  resolved = Narrow(full);
  return 0;
}

int PosixFileSystem::CanWrite(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failed();
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? -EACCES : 0;
}

FileSystem& MachineFileSystem() {
  static PosixFileSystem machine;
  return machine;
}

}  // namespace lumora
