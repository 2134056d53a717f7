#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include "standin/program/worker_process.h"

namespace standin {
namespace {

std::string SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGABRT:
      return "SIGABRT";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    case SIGTRAP:
      return "SIGTRAP";
    case SIGKILL:
      return "SIGKILL";
    case SIGTERM:
      return "SIGTERM";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "signal " + std::to_string(signal);
  }
}

}  // namespace

struct WorkerProcess::Platform {
  pid_t pid = -1;
  int channel = -1;
};

WorkerProcess::WorkerProcess() : platform_(std::make_unique<Platform>()) {}

WorkerProcess::~WorkerProcess() {
  if (platform_->pid > 0 && !ended_) {
    Stop();
    Ending ignored;
    WaitForEnd(-1, &ignored);
  }
  if (platform_->channel >= 0) close(platform_->channel);
}

bool WorkerProcess::Start(int argc, char** argv, std::string* error) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    *error =
        std::string("cannot make a channel to a worker process (") + std::strerror(errno) + ")";
    return false;
  }
  const std::string channel = std::string(kChannelArgument) + std::to_string(ends[1]);
  std::vector<char*> arguments;
  arguments.push_back(argv[0]);
  arguments.push_back(const_cast<char*>(channel.c_str()));
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(nullptr);
  pid_t& pid = platform_->pid;
  pid = fork();
  if (pid == 0) {
    // The worker keeps only its end of the channel across the exec.
    fcntl(ends[1], F_SETFD, 0);
    execv("/proc/self/exe", arguments.data());
    _exit(127);
  }
  const int fork_error = errno;
  close(ends[1]);
  if (pid < 0) {
    close(ends[0]);
    *error = std::string("cannot start a worker process (") + std::strerror(fork_error) + ")";
    return false;
  }
  platform_->channel = ends[0];
  return true;
}

WorkerProcess::Wait WorkerProcess::Read(std::string* received, int timeout_ms) {
  pollfd ready{platform_->channel, POLLIN, 0};
  int count = poll(&ready, 1, timeout_ms);
  if (count < 0 && errno == EINTR) return Wait::kTimedOut;
  if (count == 0) return Wait::kTimedOut;
  char chunk[65536];
  ssize_t got = read(platform_->channel, chunk, sizeof chunk);
  if (got < 0 && (errno == EINTR || errno == EAGAIN)) return Wait::kTimedOut;
  if (got <= 0) return Wait::kClosed;
  received->append(chunk, static_cast<size_t>(got));
  return Wait::kData;
}

bool WorkerProcess::WaitForEnd(int timeout_ms, Ending* ending) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!ended_) {
    int status = 0;
    pid_t done = waitpid(platform_->pid, &status, WNOHANG);
    if (done == platform_->pid) {
      ended_ = true;
      ending_.crashed = WIFSIGNALED(status);
      if (ending_.crashed) ending_.crash = SignalName(WTERMSIG(status));
      if (WIFEXITED(status)) ending_.exit_status = WEXITSTATUS(status);
      break;
    }
    if (done < 0 && errno != EINTR) return false;
    if (timeout_ms >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  *ending = ending_;
  return true;
}

void WorkerProcess::Stop() {
  if (platform_->pid > 0 && !ended_) kill(platform_->pid, SIGKILL);
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

void PrepareWorkerProcess() {
#if defined(__linux__)
  // A worker left behind by a program that was killed would otherwise run
  // on, perhaps in a module's endless loop.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
}

}  // namespace standin
