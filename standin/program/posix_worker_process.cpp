#include <dirent.h>
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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
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
    {SIGSEGV, "SIGSEGV", true},      {SIGBUS, "SIGBUS", true},    {SIGABRT, "SIGABRT", true},
    {SIGILL, "SIGILL", true},        {SIGFPE, "SIGFPE", true},    {SIGTRAP, "SIGTRAP", true},
    {SIGSYS, "SIGSYS", true},        {SIGKILL, "SIGKILL", false}, {SIGTERM, "SIGTERM", false},
    {SIGINT, "SIGINT", false},       {SIGHUP, "SIGHUP", false},   {SIGQUIT, "SIGQUIT", false},
    {SIGPIPE, "SIGPIPE", false},     {SIGALRM, "SIGALRM", false}, {SIGUSR1, "SIGUSR1", false},
    {SIGUSR2, "SIGUSR2", false},     {SIGXCPU, "SIGXCPU", false}, {SIGXFSZ, "SIGXFSZ", false},
    {SIGVTALRM, "SIGVTALRM", false}, {SIGPROF, "SIGPROF", false}, {SIGIO, "SIGIO", false},
#if defined(SIGPWR)
    {SIGPWR, "SIGPWR", false},
#endif
#if defined(SIGSTKFLT)
    {SIGSTKFLT, "SIGSTKFLT", false},
#endif
};

std::string NameOf(int number) {
  for (const SignalInfo& known : kSignals) {
    if (known.number == number) return known.name;
  }
  return "signal " + std::to_string(number);
}

WorkerProcess::Ending EndingOf(const siginfo_t& info) {
  WorkerProcess::Ending ending;
  if (info.si_code == CLD_EXITED) {
    ending.exit_status = info.si_status;
    return ending;
  }
  ending.kind = WorkerProcess::Ending::Kind::kKilled;
  ending.cause = NameOf(info.si_status);
  for (const SignalInfo& known : kSignals) {
    if (known.number == info.si_status && known.fault) {
      ending.kind = WorkerProcess::Ending::Kind::kCrashed;
    }
  }
  return ending;
}

// The worker's process group while it may be signalled (0 otherwise), the
// first signal that asked this program to end while the worker ran, and
// the time this program spent stopped; all are written by signal handlers.
std::atomic<pid_t> worker_group{0};
std::atomic<int> caught_signal{0};
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

// A signal that would end this program is noted; the watching loop sees it
// within its next look (at least every twentieth of a second), stops the
// worker, its group and what left the group, says so, and ends the program
// by the signal (WorkerProcess::EndBy).
void OnEnd(int signal) {
  int none = 0;
  caught_signal.compare_exchange_strong(none, signal);
}

// Every signal whose default action ends a process and that is not a fault
// of the process itself, so sent by someone: each ends the run as above.
std::vector<int> EndingSignals() {
  std::vector<int> signals;
  for (const SignalInfo& known : kSignals) {
    if (!known.fault && known.number != SIGKILL) signals.push_back(known.number);
  }
  for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) signals.push_back(number);
  return signals;
}

// The handlers in place before the worker started, restored by Close.
std::vector<std::pair<int, struct sigaction>> previous_actions;

void WatchSignals(pid_t group) {
  worker_group = group;
  caught_signal = 0;
  std::vector<int> watched = EndingSignals();
  watched.push_back(SIGTSTP);
  for (int number : watched) {
    struct sigaction previous {};
    sigaction(number, nullptr, &previous);
    // A signal this program was started with ignored (or ignores itself,
    // as SIGPIPE) stays ignored.
    if (previous.sa_handler == SIG_IGN) continue;
    previous_actions.emplace_back(number, previous);
    struct sigaction action {};
    action.sa_handler = number == SIGTSTP ? OnStop : OnEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
  }
}

void UnwatchSignals() {
  worker_group = 0;
  for (const auto& [number, previous] : previous_actions) sigaction(number, &previous, nullptr);
  previous_actions.clear();
}

// The processes whose parent is this program, from /proc (none without it).
std::vector<pid_t> OwnChildren() {
  std::vector<pid_t> children;
  DIR* folder = opendir("/proc");
  if (folder == nullptr) return children;
  const pid_t self = getpid();
  while (const dirent* entry = readdir(folder)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (end == entry->d_name || *end != 0) continue;
    const std::string path = std::string("/proc/") + entry->d_name + "/stat";
    std::FILE* stat = std::fopen(path.c_str(), "r");
    if (stat == nullptr) continue;
    char text[512];
    const size_t got = std::fread(text, 1, sizeof text - 1, stat);
    std::fclose(stat);
    text[got] = 0;
    // "PID (NAME) STATE PPID ...": the name may hold anything, the last
    // ')' ends it.
    const char* close = std::strrchr(text, ')');
    char state = 0;
    long parent = 0;
    if (close != nullptr && std::sscanf(close + 1, " %c %ld", &state, &parent) == 2 &&
        parent == self) {
      children.push_back(static_cast<pid_t>(pid));
    }
  }
  closedir(folder);
  return children;
}

// Stops and collects every process left to this program: those the module
// started that left the worker's group (a new session, a group of their
// own) come to it when their parent ends, as this program is their
// subreaper. Killed ones may hand it children of their own, so it goes on
// until none is left.
void StopOrphans() {
  for (;;) {
    const std::vector<pid_t> children = OwnChildren();
    for (pid_t child : children) kill(child, SIGKILL);
    bool collected = false;
    int status = 0;
    while (waitpid(-1, &status, WNOHANG) > 0) collected = true;
    if (children.empty() && !collected) return;
    if (!collected) std::this_thread::sleep_for(std::chrono::milliseconds(1));
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

std::string Failed(const std::string& what, int number) {
  return what + " (" + std::strerror(number) + ")";
}

// How to start this program once more: the file to run and the arguments
// that come before the worker's own. False with `error` when its file is
// not found.
bool FindProgram(int argc, char** argv, std::string* file, std::vector<std::string>* leading,
                 std::string* error) {
  std::string program = OwnFile(argc > 0 ? argv[0] : nullptr);
  if (program.empty()) {
    *error =
        "cannot start the program's worker: this program's own file is not found (no "
        "/proc/self/exe, and the name it was started by is neither a path nor on PATH)";
    return false;
  }
  // Started through the dynamic loader, the file the kernel names is the
  // loader's, which is given the program's file first.
  if (const std::string interpreter = Interpreter();
      !interpreter.empty() && SameFile(program, interpreter) && argc > 0) {
    *file = program;
    *leading = {program, argv[0]};
    return true;
  }
  *file = program;
  *leading = {program};
  return true;
}

// The channel, reading end first; the writing end is moved to kChannelFloor
// or above. Both close on exec.
bool MakeChannel(int ends[2], std::string* error) {
  if (pipe2(ends, O_CLOEXEC) != 0) {
    *error = Failed("cannot make a channel to the program's worker", errno);
    return false;
  }
  const int moved = fcntl(ends[1], F_DUPFD_CLOEXEC, kChannelFloor);
  if (moved >= 0) {
    close(ends[1]);
    ends[1] = moved;
  }
  return true;
}

// In the forked child: a group of its own, no signal blocked, only its end
// of the channel kept across the exec; why the exec failed goes to `report`.
[[noreturn]] void BecomeWorker(const std::string& file, const std::vector<char*>& arguments,
                               int channel, int report) {
  setpgid(0, 0);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  fcntl(channel, F_SETFD, 0);
  execv(file.c_str(), arguments.data());
  const int failed = errno;
  ssize_t ignored = write(report, &failed, sizeof failed);
  (void)ignored;
  _exit(127);
}

// Waits for the worker's exec: 0 once it ran, else the error it failed with
// (the report's writing end closes at the exec).
int ExecError(int report) {
  int failed = 0;
  ssize_t got;
  do {
    got = read(report, &failed, sizeof failed);
  } while (got < 0 && errno == EINTR);
  close(report);
  return got == static_cast<ssize_t>(sizeof failed) ? failed : 0;
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
#if defined(__linux__)
  // Processes the module starts that leave the worker's group come to this
  // program when their parent ends, rather than to the system, so that
  // Close finds and stops them.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
  std::string file;
  std::vector<std::string> leading;
  if (!FindProgram(argc, argv, &file, &leading, error)) return false;
  int ends[2], report[2];
  if (!MakeChannel(ends, error)) return false;
  if (pipe2(report, O_CLOEXEC) != 0) {
    *error = Failed("cannot make a channel to the program's worker", errno);
    CloseBoth(ends);
    return false;
  }
  leading.push_back(std::string(kChannelArgument) + std::to_string(ends[1]));
  std::vector<char*> arguments;
  for (std::string& argument : leading) arguments.push_back(argument.data());
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) BecomeWorker(file, arguments, ends[1], report[1]);
  const int fork_error = errno;
  close(ends[1]);
  close(report[1]);
  if (pid < 0) {
    close(ends[0]);
    close(report[0]);
    *error = Failed("cannot start the program's worker", fork_error);
    return false;
  }
  // Both sides set the group, so that it is in place whichever runs first.
  setpgid(pid, pid);
  platform_->pid = pid;
  platform_->channel = ends[0];
  WatchSignals(pid);
  if (const int failed = ExecError(report[0]); failed != 0) {
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
  if (!p.collected) {
    // What the group started while the leader was ending.
    kill(-p.pid, SIGKILL);
    int status = 0;
    while (waitpid(p.pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  p.collected = true;
  p.pid = -1;
  StopOrphans();
  UnwatchSignals();
  return p.ending;
}

int WorkerProcess::CaughtSignal() {
  return caught_signal.load();
}

std::string WorkerProcess::SignalName(int number) {
  return NameOf(number);
}

void WorkerProcess::EndBy(int number) {
  std::fflush(nullptr);
  signal(number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, number);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(number);
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
