#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "standin/program/worker_process.h"

namespace standin {
namespace {

// Process exit codes that are exceptions the system caught, by name.
std::string ExceptionName(DWORD code) {
  switch (code) {
    case 0xC0000005:
      return "access violation";
    case 0xC00000FD:
      return "stack overflow";
    case 0xC000001D:
      return "illegal instruction";
    case 0xC0000094:
      return "integer division by zero";
    case 0xC0000409:
      return "stack buffer overrun";
    case 0xC0000374:
      return "heap corruption";
    case 0x80000003:
      return "breakpoint";
    default:
      return "exception";
  }
}

std::string WindowsError(const char* what) {
  return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
}

// The command line's arguments after the program's name, as typed: the
// worker gets them unchanged, whatever quoting they use.
const wchar_t* ArgumentsAfterProgram(const wchar_t* line) {
  // The program's name ends at the closing quote when quoted, else at the
  // first blank; it has no escapes.
  if (*line == L'"') {
    ++line;
    while (*line != 0 && *line != L'"') ++line;
    if (*line == L'"') ++line;
  } else {
    while (*line != 0 && *line != L' ' && *line != L'\t') ++line;
  }
  return line;
}

LONG WINAPI EndWithExceptionCode(EXCEPTION_POINTERS* exception) {
  // Rationale: the code tells the watching program what happened; the
  // system's own handling would start a debugger or show a dialog.
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// This program's own file, however long its path; empty when not found.
std::wstring OwnFile() {
  std::wstring program(MAX_PATH, L'\0');
  DWORD length = 0;
  for (;;) {
    length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
    if (length == 0 || length < program.size() || program.size() >= 32768) break;
    program.resize(program.size() * 2);
  }
  if (length == 0 || length >= program.size()) return L"";
  program.resize(length);
  return program;
}

// The name to start `program` by. Rationale: a path of MAX_PATH characters
// or more names the file only in its long form, or by its short name where
// the volume keeps them.
std::wstring FileToStart(const std::wstring& program) {
  if (program.size() < MAX_PATH) return program;
  std::wstring shorter(program.size() + 1, L'\0');
  const DWORD got =
      GetShortPathNameW(program.c_str(), shorter.data(), static_cast<DWORD>(shorter.size()));
  return got > 0 && got < MAX_PATH ? shorter.substr(0, got) : L"\\\\?\\" + program;
}

// The worker's command line: the program, the channel argument with the
// handle's value, and the arguments this program was given, as typed.
std::wstring WorkerCommandLine(const std::wstring& program, HANDLE client) {
  std::wstring line = L"\"" + program + L"\" ";
  line +=
      std::wstring(WorkerProcess::kChannelArgument.begin(), WorkerProcess::kChannelArgument.end());
  line += std::to_wstring(reinterpret_cast<uintptr_t>(client));
  line += ArgumentsAfterProgram(GetCommandLineW());
  return line;
}

// Start-up information that gives the worker this program's standard
// streams.
STARTUPINFOW SharedStreams() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    HANDLE stream = GetStdHandle(which);
    if (stream != nullptr && stream != INVALID_HANDLE_VALUE) {
      SetHandleInformation(stream, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  return startup;
}

}  // namespace

struct WorkerProcess::Platform {
  HANDLE process = nullptr;  // held until Close: the worker's id stays this program's
  HANDLE job = nullptr;      // the worker and what it starts; ends with this program
  HANDLE channel = nullptr;  // the reading end, opened for overlapped reads
  HANDLE read_event = nullptr;
  OVERLAPPED read{};
  bool read_pending = false;
  bool closed = false;
  bool ended = false;
  Ending ending;
  char chunk[65536];

  // Makes the channel: its reading end here, and the inheritable writing
  // end (`client`) for the worker. False with `error` when it cannot.
  bool MakeChannel(HANDLE* client, std::string* error) {
    // An anonymous pipe cannot be waited on with a time limit; a named pipe
    // opened for overlapped reading can.
    static LONG counter = 0;
    wchar_t name[96];
    std::swprintf(name, 96, L"\\\\.\\pipe\\quillo-worker-%lu-%ld", GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
    HANDLE server = CreateNamedPipeW(
        name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 1 << 20, 0, nullptr);
    if (server == INVALID_HANDLE_VALUE) {
      *error = WindowsError("cannot make a channel to the program's worker");
      return false;
    }
    channel = server;
    read_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    *client = CreateFileW(name, GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (read_event == nullptr || *client == INVALID_HANDLE_VALUE) {
      *error = WindowsError("cannot make a channel to the program's worker");
      return false;
    }
    return true;
  }

  // Puts the suspended worker in a job of its own. The system closes the
  // job's handle when this program ends, however it ends, and the job's end
  // takes the worker and what it started with it. Breaking away is not
  // allowed (neither JOB_OBJECT_LIMIT_BREAKAWAY_OK nor its silent form is
  // set), so a process the module starts with CREATE_BREAKAWAY_FROM_JOB is
  // refused. Where jobs are not available the worker runs without one.
  void ConfineToJob() {
    job = CreateJobObjectW(nullptr, nullptr);
    if (job == nullptr) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    AssignProcessToJobObject(job, process);
  }
};

WorkerProcess::WorkerProcess() : platform_(std::make_unique<Platform>()) {}

WorkerProcess::~WorkerProcess() {
  Platform& p = *platform_;
  Close();
  if (p.read_pending) {
    CancelIo(p.channel);
    DWORD ignored = 0;
    GetOverlappedResult(p.channel, &p.read, &ignored, TRUE);
  }
  if (p.channel != nullptr) CloseHandle(p.channel);
  if (p.read_event != nullptr) CloseHandle(p.read_event);
}

bool WorkerProcess::Start(int /*argc*/, char** /*argv*/, std::string* error) {
  Platform& p = *platform_;
  HANDLE client = INVALID_HANDLE_VALUE;
  if (!p.MakeChannel(&client, error)) {
    if (client != INVALID_HANDLE_VALUE) CloseHandle(client);
    return false;
  }
  const std::wstring program = OwnFile();
  if (program.empty()) {
    CloseHandle(client);
    *error =
        WindowsError("cannot start the program's worker: this program's own file is not found");
    return false;
  }
  std::wstring line = WorkerCommandLine(program, client);
  STARTUPINFOW startup = SharedStreams();
  PROCESS_INFORMATION started{};
  // Suspended until it is in its job, so that nothing it starts escapes.
  BOOL ok = CreateProcessW(FileToStart(program).c_str(), line.data(), nullptr, nullptr, TRUE,
                           CREATE_SUSPENDED, nullptr, nullptr, &startup, &started);
  const DWORD start_error = GetLastError();
  CloseHandle(client);
  if (!ok) {
    SetLastError(start_error);
    *error = WindowsError("cannot start the program's worker");
    return false;
  }
  p.process = started.hProcess;
  p.ConfineToJob();
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  return true;
}

WorkerProcess::Wait WorkerProcess::Read(std::string* received, size_t most, int timeout_ms) {
  Platform& p = *platform_;
  if (p.closed) {
    if (timeout_ms > 0) Sleep(static_cast<DWORD>(timeout_ms));
    return Wait::kClosed;
  }
  const DWORD size = static_cast<DWORD>(std::min(sizeof p.chunk, most));
  if (!p.read_pending) {
    p.read = OVERLAPPED{};
    p.read.hEvent = p.read_event;
    DWORD got = 0;
    if (ReadFile(p.channel, p.chunk, size, &got, &p.read)) {
      received->append(p.chunk, got);
      return Wait::kData;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
      p.closed = true;
      return Wait::kClosed;
    }
    p.read_pending = true;
  }
  DWORD waited =
      WaitForSingleObject(p.read_event, timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
  if (waited == WAIT_TIMEOUT) return Wait::kTimedOut;
  DWORD got = 0;
  BOOL ok = GetOverlappedResult(p.channel, &p.read, &got, FALSE);
  p.read_pending = false;
  if (!ok) {
    p.closed = true;
    return Wait::kClosed;
  }
  received->append(p.chunk, got);
  return Wait::kData;
}

bool WorkerProcess::Ended(Ending* ending) {
  Platform& p = *platform_;
  if (p.process == nullptr) return false;
  if (!p.ended) {
    if (WaitForSingleObject(p.process, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(p.process, &code);
    p.ended = true;
    // Rationale: a process ended by an exception the system caught has the
    // exception's status as exit code; those all have the two top bits set
    // (or are a breakpoint), far above any status a program exits with.
    if ((code & 0xC0000000) == 0xC0000000 || code == 0x80000003) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
      p.ending.kind = Ending::Kind::kCrashed;
      p.ending.cause = ExceptionName(code) + " (" + hex + ")";
    }
    p.ending.exit_status = static_cast<int>(code);
  }
  *ending = p.ending;
  return true;
}

WorkerProcess::Ending WorkerProcess::Close() {
  Platform& p = *platform_;
  if (p.process == nullptr) return p.ending;
  // The job holds the worker and every process it started.
  if (p.job != nullptr) TerminateJobObject(p.job, 1);
  if (!p.ended) TerminateProcess(p.process, 1);
  WaitForSingleObject(p.process, INFINITE);
  Ending ignored;
  Ended(&ignored);
  CloseHandle(p.process);
  p.process = nullptr;
  if (p.job != nullptr) CloseHandle(p.job);
  p.job = nullptr;
  return p.ending;
}

int64_t WorkerProcess::StoppedMs() {
  return 0;
}

int WorkerProcess::CaughtSignal() {
  return 0;
}

std::string WorkerProcess::SignalName(int number) {
  return "signal " + std::to_string(number);
}

void WorkerProcess::EndBy(int number) {
  std::fflush(nullptr);
  std::_Exit(128 + number);
}

bool WriteToChannel(uintptr_t channel, std::string_view bytes) {
  HANDLE handle = reinterpret_cast<HANDLE>(channel);
  while (!bytes.empty()) {
    DWORD wrote = 0;
    if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) ||
        wrote == 0) {
      return false;
    }
    bytes.remove_prefix(wrote);
  }
  return true;
}

void PrepareWorkerProcess(uintptr_t channel) {
  // Processes the module starts do not inherit the channel.
  SetHandleInformation(reinterpret_cast<HANDLE>(channel), HANDLE_FLAG_INHERIT, 0);
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndWithExceptionCode);
}

}  // namespace standin
