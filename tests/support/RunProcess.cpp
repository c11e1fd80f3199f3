#include "support/RunProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace lumora::testing {

namespace {

[[noreturn]] void Exec(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(program.c_str(), argv.data());
  _exit(127);
}

// Waits up to `seconds` (negative: without limit) for what `fd` gives next and appends it to
// `into`; false when it ends or the time passes first.
bool ReadMore(int fd, std::string& into, int seconds) {
  char buf[65536];
  pollfd p{fd, POLLIN, 0};
  if (fd < 0 || poll(&p, 1, seconds < 0 ? -1 : seconds * 1000) <= 0) return false;
  const ssize_t n = read(fd, buf, sizeof buf);
  if (n > 0) into.append(buf, static_cast<size_t>(n));
  return n > 0;
}

int ExitStatus(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

// Standard input, output and error are files, so no pipe fills while the child runs.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input) {
  TempDir dir;
  dir.Write("in", input);
  const pid_t pid = fork();
  if (pid == 0) {
    int fd = 0;
    for (const char* name : {"in", "out", "err"}) {
      const int file = open(dir.File(name).c_str(), fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT, 0600);
      dup2(file, fd++);
      close(file);
    }
    Exec(program, args);
  }
  // A braced list is evaluated in order: the child has ended before its files are read.
  return {ExitStatus(pid), ReadFile(dir.File("out")), ReadFile(dir.File("err"))};
}

// Standard input, output and error are pipes, so the test can answer what the child prints.
LiveProcess::LiveProcess(const std::string& program, const std::vector<std::string>& args) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) || pipe(outPipe) || pipe(errPipe)) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    Exec(program, args);
  }
  for (int fd : {inPipe[0], outPipe[1], errPipe[1]}) close(fd);
  in_ = inPipe[1];
  out_ = outPipe[0];
  err_ = errPipe[0];
}

LiveProcess::~LiveProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {in_, out_, err_})
    if (fd >= 0) close(fd);
}

void LiveProcess::Send(const std::string& text) {
  size_t written = 0;
  while (in_ >= 0 && written < text.size()) {
    const ssize_t n = write(in_, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
}

std::string LiveProcess::WaitForLine(const std::string& prefix, int seconds) {
  do {
    for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
      std::string line = pending_.substr(0, end);
      out_text_ += pending_.substr(0, end + 1);
      pending_.erase(0, end + 1);
      if (line.rfind(prefix, 0) == 0) return line;
    }
  } while (ReadMore(out_, pending_, seconds));
  return {};
}

bool LiveProcess::WaitForError(const std::string& text, int seconds) {
  while (err_text_.find(text) == std::string::npos) {
    if (!ReadMore(err_, err_text_, seconds)) return false;
  }
  return true;
}

void LiveProcess::CloseInput() {
  if (in_ >= 0) close(in_);
  in_ = -1;
}

ProcessResult LiveProcess::Finish() {
  CloseInput();
  while (ReadMore(out_, pending_, -1) || ReadMore(err_, err_text_, -1)) continue;
  for (int* fd : {&out_, &err_}) {
    close(*fd);
    *fd = -1;
  }
  ProcessResult result{ExitStatus(pid_), out_text_ + pending_, err_text_};
  pid_ = -1;
  return result;
}

std::string Shell(const std::string& command) {
  const ProcessResult r = RunProcess("/bin/sh", {"-c", command});
  EXPECT_EQ(r.exitStatus, 0) << command << "\n" << r.err;
  return r.out;
}

std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools) {
    if (RunProcess("/bin/sh", {"-c", std::string("command -v ") + tool}).exitStatus != 0) {
      return std::string(tool) + " is not installed (./setup installs it)";
    }
  }
  return {};
}

}  // namespace lumora::testing
