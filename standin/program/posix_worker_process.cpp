#include <fcntl.h>
#include <limits.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include "standin/program/worker_process.h"

namespace standin {
namespace {

// The worker's end of the channel is moved to this number or above, away
// from the standard streams and the descriptors a module opens first.
constexpr int kChannelFloor = 10;

struct SignalInfo {
  int number;
  const char* name;
  bool fault;  // raised by what the process itself did wrong
};

constexpr SignalInfo kSignals[] = {
    {SIGSEGV, "SIGSEGV", true},  {SIGBUS, "SIGBUS", true},    {SIGABRT, "SIGABRT", true},
    {SIGILL, "SIGILL", true},    {SIGFPE, "SIGFPE", true},    {SIGTRAP, "SIGTRAP", true},
    {SIGSYS, "SIGSYS", true},    {SIGKILL, "SIGKILL", false}, {SIGTERM, "SIGTERM", false},
    {SIGINT, "SIGINT", false},   {SIGHUP, "SIGHUP", false},   {SIGQUIT, "SIGQUIT", false},
    {SIGPIPE, "SIGPIPE", false}, {SIGALRM, "SIGALRM", false}, {SIGUSR1, "SIGUSR1", false},
    {SIGUSR2, "SIGUSR2", false}, {SIGXCPU, "SIGXCPU", false}, {SIGXFSZ, "SIGXFSZ", false},
};

WorkerProcess::Ending EndingOf(const siginfo_t& info) {
  WorkerProcess::Ending ending;
  if (info.si_code == CLD_EXITED) {
    ending.exit_status = info.si_status;
    return ending;
  }
  ending.kind = WorkerProcess::Ending::Kind::kKilled;
  ending.cause = "signal " + std::to_string(info.si_status);
  for (const SignalInfo& known : kSignals) {
    if (known.number != info.si_status) continue;
    ending.cause = known.name;
    if (known.fault) ending.kind = WorkerProcess::Ending::Kind::kCrashed;
  }
  return ending;
}

// The worker's process group while it may be signalled (0 otherwise), and
// the time this program spent stopped; both are read by signal handlers.
std::atomic<pid_t> worker_group{0};
std::atomic<int64_t> stopped_ns{0};

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

// Ctrl-Z: the worker, in a group of its own, does not get the terminal's
// signal; it is stopped and continued with this program, and the time
// spent stopped does not count against the time limit.
void OnStop(int) {
  const int saved = errno;
  const int64_t start = MonotonicNs();
  const pid_t group = worker_group.load();
  if (group > 0) kill(-group, SIGSTOP);
  kill(getpid(), SIGSTOP);
  if (group > 0) kill(-group, SIGCONT);
  stopped_ns += MonotonicNs() - start;
  errno = saved;
}

// A signal that ends this program ends the worker's group first (the
// handler is reset as it runs, so the signal then takes its usual course).
void OnEnd(int signal) {
  const pid_t group = worker_group.load();
  if (group > 0) kill(-group, SIGKILL);
  raise(signal);
}

constexpr int kWatchedSignals[] = {SIGTSTP, SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The handlers in place before the worker started, restored by Close.
struct sigaction previous_actions[std::size(kWatchedSignals)];

void WatchSignals(pid_t group) {
  worker_group = group;
  for (size_t i = 0; i < std::size(kWatchedSignals); ++i) {
    struct sigaction action {};
    sigaction(kWatchedSignals[i], nullptr, &previous_actions[i]);
    // A signal this program was started with ignored stays ignored.
    if (previous_actions[i].sa_handler == SIG_IGN) continue;
    action.sa_handler = kWatchedSignals[i] == SIGTSTP ? OnStop : OnEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags =
        static_cast<int>(kWatchedSignals[i] == SIGTSTP ? SA_RESTART : SA_RESETHAND | SA_NODEFER);
    sigaction(kWatchedSignals[i], &action, nullptr);
  }
}

void UnwatchSignals() {
  worker_group = 0;
  for (size_t i = 0; i < std::size(kWatchedSignals); ++i) {
    if (previous_actions[i].sa_handler != SIG_IGN) {
      sigaction(kWatchedSignals[i], &previous_actions[i], nullptr);
    }
  }
}

std::string RealPath(const char* path) {
  char* real = realpath(path, nullptr);
  if (real == nullptr) return "";
  std::string text = real;
  std::free(real);
  return text;
}

bool Runnable(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

// This program's file: as the kernel names it, else (without /proc) as it
// was started, through a folder or found on PATH. "" when none is found.
std::string OwnFile(const char* argv0) {
  char link[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", link, sizeof link - 1);
  if (length > 0) {
    std::string path(link, static_cast<size_t>(length));
    if (Runnable(path)) return path;
  }
  const auto* started = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  for (const char* name : {started, argv0}) {
    if (name == nullptr || std::strchr(name, '/') == nullptr) continue;
    std::string path = RealPath(name);
    if (Runnable(path)) return path;
  }
  const char* search = std::getenv("PATH");
  if (argv0 == nullptr || *argv0 == 0 || std::strchr(argv0, '/') != nullptr || search == nullptr) {
    return "";
  }
  for (const char* folder = search;; ++folder) {
    const char* end = std::strchr(folder, ':');
    std::string dir(folder,
                    end == nullptr ? std::strlen(folder) : static_cast<size_t>(end - folder));
    std::string path = RealPath(((dir.empty() ? "." : dir) + "/" + argv0).c_str());
    if (Runnable(path)) return path;
    if (end == nullptr) break;
    folder = end;
  }
  return "";
}

// The dynamic loader this program names, "" for a static program.
std::string Interpreter() {
  std::string found;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          if (info->dlpi_phdr[i].p_type != PT_INTERP) continue;
          *static_cast<std::string*>(data) =
              reinterpret_cast<const char*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
        }
        return 1;  // the first object is the program itself
      },
      &found);
  return found;
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat x {
  }, y{};
  return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
         x.st_ino == y.st_ino;
}

void CloseBoth(int ends[2]) {
  close(ends[0]);
  close(ends[1]);
}

}  // namespace

struct WorkerProcess::Platform {
  pid_t pid = -1;
  int channel = -1;
  bool closed = false;  // the channel gave its end
  bool ended = false;
  bool collected = false;  // its id is no longer this program's to signal
  Ending ending;
};

WorkerProcess::WorkerProcess() : platform_(std::make_unique<Platform>()) {}

WorkerProcess::~WorkerProcess() {
  Close();
  if (platform_->channel >= 0) close(platform_->channel);
}

bool WorkerProcess::Start(int argc, char** argv, std::string* error) {
  // Rationale: a program started with SIGCHLD ignored has its children
  // collected by the system, and could neither wait for the worker nor tell
  // how it ended.
  signal(SIGCHLD, SIG_DFL);
  std::string program = OwnFile(argc > 0 ? argv[0] : nullptr);
  if (program.empty()) {
    *error =
        "cannot start the program's worker: this program's own file is not found (no "
        "/proc/self/exe, and the name it was started by is neither a path nor on PATH)";
    return false;
  }
  // Started through the dynamic loader, the file the kernel names is the
  // loader's, which is given the program's file first.
  std::string loader;
  if (const std::string interpreter = Interpreter();
      !interpreter.empty() && SameFile(program, interpreter) && argc > 0) {
    loader = program;
    program = argv[0];
  }
  int ends[2], report[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    *error =
        std::string("cannot make a channel to the program's worker (") + std::strerror(errno) + ")";
    return false;
  }
  if (pipe2(report, O_CLOEXEC) != 0) {
    *error =
        std::string("cannot make a channel to the program's worker (") + std::strerror(errno) + ")";
    CloseBoth(ends);
    return false;
  }
  const int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, kChannelFloor);
  if (moved >= 0) {
    close(ends[1]);
    ends[1] = moved;
  }
  const std::string channel = std::string(kChannelArgument) + std::to_string(ends[1]);
  std::vector<char*> arguments;
  if (!loader.empty()) arguments.push_back(const_cast<char*>(loader.c_str()));
  arguments.push_back(const_cast<char*>(program.c_str()));
  arguments.push_back(const_cast<char*>(channel.c_str()));
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(nullptr);
  const std::string& file = loader.empty() ? program : loader;
  const pid_t pid = fork();
  if (pid == 0) {
    // A group of its own, no signal blocked, and only its end of the
    // channel kept across the exec.
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    fcntl(ends[1], F_SETFD, 0);
    execv(file.c_str(), arguments.data());
    const int failed = errno;
    ssize_t ignored = write(report[1], &failed, sizeof failed);
    (void)ignored;
    _exit(127);
  }
  const int fork_error = errno;
  close(ends[1]);
  close(report[1]);
  if (pid < 0) {
    close(ends[0]);
    close(report[0]);
    *error = std::string("cannot start the program's worker (") + std::strerror(fork_error) + ")";
    return false;
  }
  // Both sides set the group, so that it is in place whichever runs first.
  setpgid(pid, pid);
  platform_->pid = pid;
  platform_->channel = ends[0];
  WatchSignals(pid);
  // The report's writing end closes at the exec; what arrives before is why
  // the exec failed.
  int failed = 0;
  ssize_t got;
  do {
    got = read(report[0], &failed, sizeof failed);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof failed)) {
    Close();
    *error = "cannot start the program's worker (" + file + ": " + std::strerror(failed) + ")";
    return false;
  }
  return true;
}

WorkerProcess::Wait WorkerProcess::Read(std::string* received, size_t most, int timeout_ms) {
  Platform& p = *platform_;
  if (p.closed) {
    if (timeout_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    return Wait::kClosed;
  }
  pollfd ready{p.channel, POLLIN, 0};
  const int count = poll(&ready, 1, timeout_ms);
  if (count <= 0) return Wait::kTimedOut;
  char chunk[65536];
  const ssize_t got = read(p.channel, chunk, std::min(sizeof chunk, most));
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return Wait::kTimedOut;
  if (got <= 0) {
    p.closed = true;
    return Wait::kClosed;
  }
  received->append(chunk, static_cast<size_t>(got));
  return Wait::kData;
}

bool WorkerProcess::Ended(Ending* ending) {
  Platform& p = *platform_;
  if (p.pid <= 0) return false;
  if (!p.ended) {
    siginfo_t info{};
    // WNOWAIT: the ended worker stays a zombie, and its id (its group's id)
    // this program's, until Close collects it.
    if (waitid(P_PID, static_cast<id_t>(p.pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) {
      if (errno == EINTR) return false;
      // Someone else collected it: its id may be another process's now.
      p.collected = true;
      p.ending = Ending{Ending::Kind::kKilled, "an end this program could not see", 0};
    } else if (info.si_pid != p.pid) {
      return false;
    } else {
      p.ending = EndingOf(info);
    }
    p.ended = true;
  }
  *ending = p.ending;
  return true;
}

WorkerProcess::Ending WorkerProcess::Close() {
  Platform& p = *platform_;
  if (p.pid <= 0) return p.ending;
  if (!p.collected) {
    // The leader, running or a zombie, keeps the group's id this program's.
    if (kill(-p.pid, SIGKILL) != 0 && !p.ended) kill(p.pid, SIGKILL);
    while (!p.ended && !p.collected) {
      siginfo_t info{};
      if (waitid(P_PID, static_cast<id_t>(p.pid), &info, WEXITED | WNOWAIT) == 0) {
        p.ending = EndingOf(info);
        p.ended = true;
      } else if (errno != EINTR) {
        p.collected = true;
      }
    }
  }
  UnwatchSignals();
  if (!p.collected) {
    // What the group started while the leader was ending.
    kill(-p.pid, SIGKILL);
    int status = 0;
    while (waitpid(p.pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  p.collected = true;
  p.pid = -1;
  return p.ending;
}

int64_t WorkerProcess::StoppedMs() {
  return stopped_ns.load() / 1000000;
}

bool WriteToChannel(uintptr_t channel, std::string_view bytes) {
  const int fd = static_cast<int>(channel);
  while (!bytes.empty()) {
    ssize_t wrote = write(fd, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(wrote));
  }
  return true;
}

void PrepareWorkerProcess(uintptr_t channel) {
  // Programs the module starts do not inherit the channel.
  fcntl(static_cast<int>(channel), F_SETFD, FD_CLOEXEC);
#if defined(__linux__)
  // A worker left behind by a program that was killed would otherwise run
  // on, perhaps in a module's endless loop.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
}

}  // namespace standin
