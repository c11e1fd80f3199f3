// The POSIX names the host's save code and the FileSystem interface use that mingw-w64's C
// runtime lacks, given Windows meanings. The Windows build puts this header before every source
// of the platform library and those above it (a forced include), so that the save logic stays one text for both systems;
// FileSystemWin32.cpp carries the flags below to CreateFileW. Windows build only.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstring>

// Open flags the C runtime does not define, in bits it does not use.
#define O_NOFOLLOW 0x01000000   // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened, not followed
#define O_DIRECTORY 0x02000000  // FILE_FLAG_BACKUP_SEMANTICS: a folder may be opened
#define O_NONBLOCK 0x04000000   // nothing to do: a file never blocks its opener
#define O_CLOEXEC 0             // handles are not inherited unless asked

#define NAME_MAX 255  // the longest name of a file in a folder

#ifndef S_IWGRP
#define S_IWGRP 0020
#define S_IWOTH 0002
#define S_IRWXG 0070
#define S_IRWXO 0007
#endif
#ifndef S_ISLNK
#define S_ISLNK(mode) false
#endif

#ifndef SIGHUP
#define SIGHUP 1  // a console closing ends the process with CTRL_CLOSE_EVENT instead
#endif

using uid_t = unsigned short;  // the owner fields of the runtime's struct stat
using gid_t = unsigned short;

// Files are the current user's: the runtime's stat reports owner 0 for every file.
inline uid_t geteuid() {
  return 0;
}
inline gid_t getegid() {
  return 0;
}

inline const char* sigabbrev_np(int signal) {
  switch (signal) {
    case SIGINT:
      return "INT";
    case SIGTERM:
      return "TERM";
    case SIGHUP:
      return "HUP";
    case SIGSEGV:
      return "SEGV";
    case SIGABRT:
      return "ABRT";
    default:
      return nullptr;
  }
}

inline struct tm* localtime_r(const time_t* when, struct tm* out) {
  return localtime_s(out, when) == 0 ? out : nullptr;
}
