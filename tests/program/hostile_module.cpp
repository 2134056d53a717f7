// A module that misbehaves on demand, for the tests that the host program
// survives it: HOSTILE_MODULE=WHERE:WHAT in the environment. WHERE is one of
// load (its initialisation), Version, Init, Enumerate, MenuStatus, Invoke,
// Terminate, unload, or exit (the module keeps itself loaded, so its
// finalisation runs as the process exits). WHAT is a list of acts, done in
// order, separated by commas:
//   crash       an access to address 8
//   exit        exit(0)
//   quit        _exit(5), no finalisation
//   hang        an endless loop
//   print       a line on the standard output, left in its buffer
//   part        makes part 12345, which the document lacks, the current part
//   fail        _exit(2), no finalisation
//   stop        stops its own process (SIGSTOP)          (not on Windows)
//   term        sends itself SIGTERM                     (not on Windows)
//   close       closes the worker's channel               (idem)
//   forge TEXT  writes TEXT, '|' for a line break, on the worker's channel
//               (idem)
//   chatter     writes "back" and "call QuilloExtensionInvoke" on the
//               channel in turn, 20 times, a quarter second apart (idem)
//   lock        a thread takes the standard output and keeps it    (idem)
//   child       starts a process that sleeps for a minute and writes its
//               id to hostile-child.pid                  (idem)
//   detach      the same, in a session of its own        (idem)
//   inherit     starts a shell that says so on the error stream when it
//               holds the worker's channel               (idem)
//   late        a thread that calls a host service once the module is
//               being terminated, after its command returned (idem)
//   breakaway   starts two processes that sleep for a minute (the system's
//               rundll32 calling this module's HostileChild), the first
//               with CREATE_BREAKAWAY_FROM_JOB, the second as any program
//               would, and says on the error stream how each start went
//                                                        (only on Windows)
// It says so on the error stream first, so that a test sees that the
// module's own output gets through. Otherwise it offers one command,
// "Hostile", that answers 1 and does nothing. The same source builds the
// native and the Windows module.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "fake_module.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

using SetCurrentPartFn = int16_t (*)(int16_t, uint32_t);

constexpr int16_t kMissingPart = 12345;
constexpr uint32_t kInterfaceVersion = 0x19000000;

// What HOSTILE_MODULE asks for at `where`, or nullptr.
const char* Asked(const char* where) {
  const char* asked = std::getenv("HOSTILE_MODULE");
  const size_t length = std::strlen(where);
  if (asked == nullptr || std::strncmp(asked, where, length) != 0 || asked[length] != ':') {
    return nullptr;
  }
  return asked + length + 1;
}

void SetMissingPart() {
#if defined(_WIN32)
  auto set = reinterpret_cast<SetCurrentPartFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(nullptr), "QX_SetCurrentPartID")));
#else
  auto set = reinterpret_cast<SetCurrentPartFn>(dlsym(RTLD_DEFAULT, "QX_SetCurrentPartID"));
#endif
  if (set != nullptr) set(kMissingPart, kInterfaceVersion);
}

#if !defined(_WIN32)
// The worker's channel, as its command line names it ("--worker-channel=N"),
// or -1: the module touches no descriptor it was not told about.
int Channel() {
  std::FILE* file = std::fopen("/proc/self/cmdline", "rb");
  if (file == nullptr) return -1;
  std::string line;
  char chunk[4096];
  for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) line.append(chunk, got);
  std::fclose(file);
  const std::string argument("--worker-channel=");
  for (size_t at = 0; at < line.size(); at = line.find('\0', at) + 1) {
    if (line.compare(at, argument.size(), argument) == 0) {
      return std::atoi(line.c_str() + at + argument.size());
    }
    if (line.find('\0', at) == std::string::npos) break;
  }
  return -1;
}

void Forge(std::string text) {
  for (char& c : text) c = c == '|' ? '\n' : c;
  if (const int channel = Channel(); channel >= 0) {
    ssize_t ignored = write(channel, text.data(), text.size());
    (void)ignored;
  }
}

// Well-formed lines for ever, or rather 5 seconds: each one begins a new
// phase of the worker's life.
void Chatter() {
  for (int i = 0; i < 10; ++i) {
    Forge("back|");
    usleep(250000);
    Forge("call QuilloExtensionInvoke|");
    usleep(250000);
  }
}

void Inherit() {
  const std::string command = "if [ -e /proc/self/fd/" + std::to_string(Channel()) +
                              " ]; then echo 'hostile module: a started program holds the "
                              "channel' >&2; fi";
  int ignored = std::system(command.c_str());
  (void)ignored;
}

void HoldStandardOutput() {
  static std::atomic<bool> held{false};
  std::thread([] {
    flockfile(stdout);
    held = true;
    for (;;) pause();
  }).detach();
  while (!held) {
  }
}

// The thread of `late`, and whether Terminate has been called.
std::thread late_thread;
std::atomic<bool> terminating{false};

void CallLate() {
  late_thread = std::thread([] {
    while (!terminating) std::this_thread::yield();
    SetMissingPart();
  });
}

void StartChild(bool detach) {
  const pid_t child = fork();
  if (child == 0) {
    if (detach) setsid();
    sleep(60);
    _exit(0);
  }
  // Written before the command returns, so that a test always finds it.
  if (std::FILE* file = std::fopen("hostile-child.pid", "w")) {
    std::fprintf(file, "%d\n", static_cast<int>(child));
    std::fclose(file);
  }
}
#else
// Starts the system's rundll32 on this module's HostileChild with `flags`
// added, and says how it went: "started" or "refused (Windows error N)".
std::string StartSleeper(const wchar_t* name, DWORD flags) {
  HMODULE self = nullptr;
  wchar_t module[MAX_PATH];
  wchar_t system[MAX_PATH];
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&StartSleeper), &self) ||
      GetModuleFileNameW(self, module, MAX_PATH) == 0 ||
      GetSystemDirectoryW(system, MAX_PATH) == 0) {
    return "not started (Windows error " + std::to_string(GetLastError()) + ")";
  }
  std::wstring line =
      std::wstring(L"\"") + system + L"\\rundll32.exe\" \"" + module + L"\",HostileChild " + name;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                      &startup, &started)) {
    return "refused (Windows error " + std::to_string(GetLastError()) + ")";
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return "started";
}

void StartSleepers() {
  const std::string away = StartSleeper(L"breakaway", CREATE_BREAKAWAY_FROM_JOB);
  const std::string within = StartSleeper(L"in-job", 0);
  std::fprintf(stderr, "hostile module: breaking away %s; a process in the job %s\n", away.c_str(),
               within.c_str());
  std::fflush(stderr);
}
#endif

void Act(const std::string& act) {
  if (act == "exit") std::exit(0);
  if (act == "quit") std::_Exit(5);
  if (act == "fail") std::_Exit(2);
  if (act == "print") std::printf("hostile module printed\n");
  if (act == "part") SetMissingPart();
  volatile bool forever = act == "hang";
  while (forever) {
  }
#if !defined(_WIN32)
  if (act == "stop") raise(SIGSTOP);
  if (act == "term") raise(SIGTERM);
  if (act == "close") close(Channel());
  if (act.rfind("forge ", 0) == 0) Forge(act.substr(6));
  if (act == "chatter") Chatter();
  if (act == "lock") HoldStandardOutput();
  if (act == "child" || act == "detach") StartChild(act == "detach");
  if (act == "inherit") Inherit();
  if (act == "late") CallLate();
#else
  if (act == "breakaway") StartSleepers();
#endif
  if (act == "crash") {
    // Rationale: through a volatile the compiler cannot tell the address is
    // bad, so the access is made rather than turned into a trap.
    volatile uintptr_t address = 8;
    *reinterpret_cast<volatile int*>(address) = 1;
  }
}

void Misbehave(const char* where) {
  const char* what = Asked(where);
  if (what == nullptr) return;
  std::fprintf(stderr, "hostile module: %s in %s\n", what, where);
  std::fflush(stderr);
  const std::string acts = what;
  for (size_t start = 0; start <= acts.size();) {
    size_t comma = acts.find(',', start);
    if (comma == std::string::npos) comma = acts.size();
    Act(acts.substr(start, comma - start));
    start = comma + 1;
  }
}

// Keeps the module loaded until the process exits, whatever unloads it.
void KeepLoaded() {
#if defined(_WIN32)
  HMODULE self = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&KeepLoaded), &self);
#else
  Dl_info self{};
  if (dladdr(reinterpret_cast<void*>(&KeepLoaded), &self) != 0 && self.dli_fname != nullptr) {
    dlopen(self.dli_fname, RTLD_NOW | RTLD_NODELETE);
  }
#endif
}

// Runs when the module is loaded and unloaded (or, kept loaded, as the
// process exits).
struct LoadAndUnload {
  LoadAndUnload() {
    if (Asked("exit") != nullptr) KeepLoaded();
    Misbehave("load");
  }
  ~LoadAndUnload() { Misbehave(Asked("exit") != nullptr ? "exit" : "unload"); }
} load_and_unload;

}  // namespace

FAKE_MODULE_EXPORT uint32_t QuilloExtensionVersion(uint32_t /*host_version*/) {
  Misbehave("Version");
  return 0x10000000;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInit(void* /*context*/, uint32_t* flags) {
  Misbehave("Init");
  *flags = 1;
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate(void* /*context*/, int16_t index, void* item) {
  Misbehave("Enumerate");
  if (index != 0) return 0;
  fake_module::FillItem(item, 1, "Hostile", "Hostile");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionEnumerate_UTF16(void* /*context*/, int16_t index,
                                                          void* item) {
  if (index != 0) return 0;
  fake_module::FillItem(item, 2, "Hostile", "Hostile");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionGetMenuStatus(void* /*context*/) {
  Misbehave("MenuStatus");
  return 1;
}

FAKE_MODULE_EXPORT int32_t QuilloExtensionInvoke(void* /*context*/, int16_t /*index*/,
                                                 const void* /*selection*/) {
  Misbehave("Invoke");
  return 1;
}

#if defined(_WIN32)
// What a process StartSleeper started runs (rundll32 calls it): a minute's
// sleep, unless something ends it first.
FAKE_MODULE_EXPORT void CALLBACK HostileChild(HWND /*window*/, HINSTANCE /*instance*/,
                                              LPSTR /*arguments*/, int /*show*/) {
  Sleep(60000);
}
#endif

FAKE_MODULE_EXPORT void QuilloExtensionTerminate() {
  Misbehave("Terminate");
#if !defined(_WIN32)
  terminating = true;
  if (late_thread.joinable()) late_thread.join();
#endif
}
