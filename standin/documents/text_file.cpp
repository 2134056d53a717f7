#include "standin/documents/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace standin {
namespace fs = std::filesystem;
namespace {

#if defined(_WIN32)
constexpr int kReadFlags = _O_RDONLY | _O_BINARY | _O_NOINHERIT;
// Rationale: _O_EXCL makes the create fail on any existing entry, a link
// included, so the temporary name is never opened through one.
constexpr int kCreateFlags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT;
int OpenFile(const char* path, int flags) {
  return _open(path, flags, _S_IREAD | _S_IWRITE);
}
long ReadSome(int fd, char* buffer, size_t size) {
  return _read(fd, buffer, static_cast<unsigned>(size));
}
long WriteSome(int fd, const char* buffer, size_t size) {
  return _write(fd, buffer, static_cast<unsigned>(size));
}
int SyncFile(int fd) {
  return _commit(fd);
}
int CloseFile(int fd) {
  return _close(fd);
}
int RemoveFile(const char* path) {
  return _unlink(path);
}
#else
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
int OpenFile(const char* path, int flags) {
  return open(path, flags, 0600);
}
long ReadSome(int fd, char* buffer, size_t size) {
  return read(fd, buffer, size);
}
long WriteSome(int fd, const char* buffer, size_t size) {
  return write(fd, buffer, size);
}
int SyncFile(int fd) {
  return fsync(fd);
}
int CloseFile(int fd) {
  return close(fd);
}
int RemoveFile(const char* path) {
  return unlink(path);
}
#endif

constexpr int kNameAttempts = 100;
constexpr size_t kChunk = 1 << 16;

std::string Reason() {
  return std::strerror(errno);
}

// The temporary file being written, for the signal handler to remove.
char g_temporary[4096];
volatile std::sig_atomic_t g_have_temporary = 0;

// The signals whose default action ends the program, and which can be
// caught: each of them, arriving while a temporary file exists, removes it
// first. (SIGPIPE is among them for a program that has not ignored it.)
#if defined(_WIN32)
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGBREAK};
#else
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2,
                                  SIGALRM, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};
#endif
constexpr size_t kSignalCount = sizeof kEndingSignals / sizeof kEndingSignals[0];

extern "C" void RemoveTemporaryAndStop(int signal_number) {
  if (g_have_temporary != 0) RemoveFile(g_temporary);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

// While it lives, a signal that would end the program removes `path` before
// the program ends. A signal that the program ignores (as one started with
// nohup or in the background inherits) stays ignored.
class TemporaryFileGuard {
 public:
  explicit TemporaryFileGuard(const std::string& path) {
    if (path.size() < sizeof g_temporary) {
      std::memcpy(g_temporary, path.c_str(), path.size() + 1);
      g_have_temporary = 1;
    }
    for (size_t i = 0; i < kSignalCount; ++i) {
      previous_[i] = std::signal(kEndingSignals[i], RemoveTemporaryAndStop);
      if (previous_[i] == SIG_IGN) std::signal(kEndingSignals[i], SIG_IGN);
    }
  }
  ~TemporaryFileGuard() {
    for (size_t i = 0; i < kSignalCount; ++i) std::signal(kEndingSignals[i], previous_[i]);
    g_have_temporary = 0;
  }
  TemporaryFileGuard(const TemporaryFileGuard&) = delete;
  TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

 private:
  void (*previous_[kSignalCount])(int);
};

// While it lives, the signals that end the program wait, so that a new
// temporary file is always known to the handler that removes it.
class SignalsHeld {
 public:
#if defined(_WIN32)
  SignalsHeld() = default;
#else
  SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal_number : kEndingSignals) sigaddset(&held, signal_number);
    sigprocmask(SIG_BLOCK, &held, &previous_);
  }
  ~SignalsHeld() {
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
  }

 private:
  sigset_t previous_;
#endif
 public:
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
};

}  // namespace

std::string RandomTemporaryName(const std::string& target_name) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static const char kSuffix[] = ".quillo-partial";
  constexpr size_t kRandomLetters = 12;
  static std::random_device device;
  // Rationale: a target whose name is near the longest allowed still gets a
  // temporary name that fits, from the first part of its name, never cut
  // inside a UTF-8 character.
  constexpr size_t kRoom = kMostNameBytes - 2 - kRandomLetters - (sizeof kSuffix - 1);
  size_t keep = std::min(target_name.size(), kRoom);
  while (keep > 0 && keep < target_name.size() &&
         (static_cast<unsigned char>(target_name[keep]) & 0xC0) == 0x80) {
    --keep;
  }
  std::string name = "." + target_name.substr(0, keep) + ".";
  for (size_t i = 0; i < kRandomLetters; ++i) name += kLetters[device() % 36];
  return name + kSuffix;
}

std::string ReplaceProblem(const std::string& path) {
  const fs::path target(path);
  std::error_code code;
  fs::file_status own = fs::symlink_status(target, code);
  if (own.type() == fs::file_type::not_found) return "";
  if (own.type() == fs::file_type::directory) return "is a folder, not a file";
  fs::file_status seen = fs::status(target, code);
  if (seen.type() == fs::file_type::directory) return "is a link to a folder, not a file";
  if (seen.type() != fs::file_type::regular && seen.type() != fs::file_type::not_found) {
    return "is not a regular file (a device, pipe or socket); write to a file";
  }
  return "";
}

namespace {

// The permissions the new file gets: those of the file it replaces, else
// what a new file gets under the process's umask.
fs::perms PermissionsFor(const fs::path& target) {
  std::error_code code;
  fs::file_status seen = fs::status(target, code);
  if (!code && seen.type() == fs::file_type::regular) return seen.permissions() & fs::perms::all;
#if defined(_WIN32)
  return fs::perms::owner_read | fs::perms::owner_write;
#else
  mode_t mask = umask(022);
  umask(mask);
  return static_cast<fs::perms>(0666 & ~mask);
#endif
}

// Creates a new file under the first free name `names` gives in `folder`.
int CreateExclusively(const fs::path& folder, const TemporaryNames& names, std::string* path,
                      std::string* error) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    *path = (folder / names()).string();
    int fd = OpenFile(path->c_str(), kCreateFlags);
    if (fd >= 0) return fd;
    if (errno != EEXIST) {
      *error = "cannot create a file in its folder (" + Reason() + ")";
      return -1;
    }
  }
  *error = "cannot create a file in its folder (every name tried is taken)";
  return -1;
}

bool WriteAll(int fd, std::string_view text, std::string* error) {
  size_t done = 0;
  while (done < text.size()) {
    long written = WriteSome(fd, text.data() + done, std::min(kChunk, text.size() - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      *error = "cannot write the whole file (" + Reason() + ")";
      return false;
    }
    done += static_cast<size_t>(written);
  }
  if (SyncFile(fd) != 0) {
    *error = "cannot write the whole file to the disk (" + Reason() + ")";
    return false;
  }
  return true;
}

// Writes `text` into the new file `fd` at `temporary` and renames it over
// `target`; the file is gone again when anything fails.
bool FillAndRename(int fd, const std::string& temporary, const fs::path& target,
                   std::string_view text, std::string* error) {
  std::error_code code;
#if defined(_WIN32)
  fs::permissions(temporary, PermissionsFor(target), code);
#else
  // Rationale: set through the open file, never through the name, which
  // someone else may have replaced in the meantime.
  fchmod(fd, static_cast<mode_t>(PermissionsFor(target)));
#endif
  bool written = WriteAll(fd, text, error);
  if (CloseFile(fd) != 0 && written) {
    *error = "cannot write the whole file (" + Reason() + ")";
    written = false;
  }
  if (written) {
    fs::rename(temporary, target, code);
    if (!code) return true;
    *error = "cannot replace (" + code.message() + ")";
  }
  RemoveFile(temporary.c_str());
  return false;
}

}  // namespace

bool ReadTextFile(const std::string& path, std::string* text, std::string* error,
                  size_t max_bytes) {
  std::error_code code;
  if (fs::is_directory(path, code)) {
    *error = "is a folder, not a file";
    return false;
  }
  int fd = OpenFile(path.c_str(), kReadFlags);
  if (fd < 0) {
    *error = "cannot open (" + Reason() + ")";
    return false;
  }
  // Rationale: the checks use the opened file itself, so that what is read
  // is what was checked; a pipe or device opened without blocking is
  // refused before anything waits on it.
  struct stat info {};
  if (fstat(fd, &info) != 0 || (info.st_mode & S_IFMT) != S_IFREG) {
    CloseFile(fd);
    *error = "is not a regular file (a device, pipe or socket); give a document file";
    return false;
  }
  auto too_large = [&](uint64_t size) {
    *error = "is " + std::to_string(size) + " bytes, more than the " + std::to_string(max_bytes) +
             " bytes a document may have";
    return false;
  };
  if (static_cast<uint64_t>(info.st_size) > max_bytes) {
    CloseFile(fd);
    return too_large(static_cast<uint64_t>(info.st_size));
  }
  std::string content;
  content.reserve(static_cast<size_t>(info.st_size));
  char buffer[kChunk];
  for (;;) {
    long count = ReadSome(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      *error = "cannot read (" + Reason() + ")";
      CloseFile(fd);
      return false;
    }
    if (count == 0) break;
    content.append(buffer, static_cast<size_t>(count));
    if (content.size() > max_bytes) {
      CloseFile(fd);
      return too_large(content.size());
    }
  }
  CloseFile(fd);
  *text = std::move(content);
  return true;
}

bool WriteTextFileAtomically(const std::string& path, std::string_view text, std::string* error,
                             const TemporaryNames& names) {
  const fs::path target(path);
  std::string problem = ReplaceProblem(path);
  if (!problem.empty()) {
    *error = problem;
    return false;
  }
  // Rationale: the temporary file sits beside the target so that the final
  // rename stays within one file system and replaces the target in one step.
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  const std::string target_name = target.filename().string();
  TemporaryNames random_names = [&target_name] { return RandomTemporaryName(target_name); };
  std::string temporary;
  std::optional<SignalsHeld> held(std::in_place);
  int fd = CreateExclusively(folder, names ? names : random_names, &temporary, error);
  if (fd < 0) return false;
  TemporaryFileGuard guard(temporary);
  held.reset();
  return FillAndRename(fd, temporary, target, text, error);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code code;
  if (fs::exists(a, code) && fs::exists(b, code)) return fs::equivalent(a, b, code);
  return fs::weakly_canonical(fs::absolute(a, code), code) ==
         fs::weakly_canonical(fs::absolute(b, code), code);
}

std::string Printable(std::string_view text, size_t max_chars, bool double_backslashes) {
  std::string out;
  size_t fits = 0;  // the length cut to when "..." has to follow
  for (char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c == '\\' && double_backslashes) {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char piece[8];
      std::snprintf(piece, sizeof piece, "\\x%02x", c);
      out += piece;
    }
    if (out.size() + 3 <= max_chars) fits = out.size();
    if (out.size() > max_chars) {
      out.resize(fits);
      return out + "...";
    }
  }
  return out;
}

std::string Echo(std::string_view text, size_t max_chars) {
  return Printable(text, max_chars, /*double_backslashes=*/false);
}

}  // namespace standin
