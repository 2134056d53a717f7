// quillo: the stand-in host program. It loads a plug-in module the way the
// notation program does and drives it against an in-memory document.
#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "standin/documents/example_documents.h"
#include "standin/documents/text_file.h"
#include "standin/program/load_cycles.h"
#include "standin/program/module_loader.h"
#include "standin/program/module_worker.h"
#include "standin/program/quillo_tool.h"
#include "standin/program/worker_process.h"
#include "standin/store/record_layouts.h"

namespace {

// The version `menus` tells the module when none is given: that of a
// document that does not say otherwise.
constexpr uint32_t kDefaultHostVersion = standin::kCurrentHostVersion;
constexpr int kDefaultWidth = 100;

constexpr const char* kExitCodes =
    "Exit codes: 0 done; 1 the command line is wrong; 2 a document or module cannot be used\n"
    "(malformed, unknown record, value out of range, selection outside the document, module\n"
    "that does not load, lacks an entry point, crashes, exits or passes --timeout) or a\n"
    "command failed.";

bool StdoutIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stdout)) != 0;
#else
  return isatty(fileno(stdout)) != 0;
#endif
}

// This program's own file, as the system names it (empty when it cannot).
std::string ProgramFile() {
  char path[4096];
#if defined(_WIN32)
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return "";
#else
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
#endif
  return std::string(path, static_cast<size_t>(length));
}

int TerminalWidth() {
#if !defined(_WIN32)
  winsize size{};
  if (StdoutIsTerminal() && ioctl(fileno(stdout), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
    return size.ws_col;
  }
#endif
  const char* columns = std::getenv("COLUMNS");
  int width = columns == nullptr ? 0 : std::atoi(columns);
  return width > 0 ? width : kDefaultWidth;
}

// What the command line asked for.
struct CommandLine {
  std::string module_path;
  uint32_t host_version = kDefaultHostVersion;
  bool probe = false;
  standin::RunRequest request;
  std::string show_path;
  std::string color = "auto";
  int width = 0;
  std::string before, after;
  std::string example_name, example_output;
  CLI::App* menus = nullptr;
  CLI::App* run = nullptr;
  CLI::App* show = nullptr;
  CLI::App* diff = nullptr;
  CLI::App* example = nullptr;
  int cycles = 0;
  CLI::App* load_cycles = nullptr;
  int timeout = standin::ModuleWorker::kDefaultTimeout;
};

// --timeout, for the subcommands that call the module.
void AddTimeout(CLI::App* sub, int* timeout) {
  sub->add_option("--timeout", *timeout,
                  "Seconds the whole run may take, the module's calls and the program's own work "
                  "between them, before the module is stopped and the command fails")
      ->check(CLI::Validator(
          [](std::string& text) {
            const bool digits =
                !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
            return digits ? std::string() : "\"" + text + "\" is not a whole number of seconds";
          },
          "SECONDS"))
      ->check(CLI::Range(standin::ModuleWorker::kShortestTimeout,
                         standin::ModuleWorker::kLongestTimeout))
      ->capture_default_str();
}

void AddMenus(CLI::App& app, CommandLine& line) {
  line.menus = app.add_subcommand("menus", "Load the module and print its menu items");
  line.menus->add_option("--module", line.module_path, "The plug-in module to load");
  char example[12];
  std::snprintf(example, sizeof example, "0x%08X",
                static_cast<unsigned>(standin::kLongMeasuresFrom));
  line.menus->add_option("--host-version", line.host_version,
                         std::string("The host version to report (e.g. ") + example + ")");
  line.menus->add_flag("--probe", line.probe,
                       "Also check that the module reaches the host's services");
  AddTimeout(line.menus, &line.timeout);
  line.menus->footer(kExitCodes);
}

void AddRun(CLI::App& app, CommandLine& line) {
  standin::RunRequest& request = line.request;
  request.module = line.module_path;
  CLI::App* run = line.run = app.add_subcommand(
      "run",
      "Run module commands on a document and write the result to a new file.\n"
      "Example: quillo run suite.json -c \"Start New Piece\" -m 13 -c \"Fix Indent\" -m all "
      "-o out.json");
  run->add_option("document", request.document, "The document file to start from")->required();
  run->add_option("-c,--command", request.commands,
                  "A command by menu text, short name or menu index; repeat to run several in "
                  "order")
      ->required()
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  run->add_option("-m,--measures", request.measures,
                  "The selected measures: 9, 9-12 or all; once for every command or once per "
                  "command")
      ->required()
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  run->add_option("--slots", request.slots,
                  "The selected staff slots A-B (default: the first and last of the slot table); "
                  "once, or once per command")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  run->add_option("-o,--output", request.output,
                  "The file to write the resulting document to (never the input)")
      ->required();
  run->add_option("--module", request.module, "The plug-in module to load")->capture_default_str();
  run->add_flag("--log", request.log, "Print every host service call the module makes");
  run->add_flag("--strict", request.strict,
                "Fail, writing nothing, when a command answers 0 (it declined to run)");
  AddTimeout(run, &line.timeout);
  run->footer(kExitCodes);
}

void AddReports(CLI::App& app, CommandLine& line) {
  CLI::App* show = line.show = app.add_subcommand(
      "show",
      "Draw a document in the terminal: per part its systems, indents and rests, with "
      "piece marks and measure-number regions, on one measure axis");
  show->add_option("document", line.show_path, "The document file")->required();
  show->add_option("--color", line.color,
                   "Colour: auto (when printing to a terminal), always, never")
      ->check(CLI::IsMember({"auto", "always", "never"}))
      ->capture_default_str();
  show->add_option("--width", line.width, "Line width (default: the terminal's, else 100)");
  show->footer(kExitCodes);

  line.diff = app.add_subcommand("diff", "Tell in words what changed between two documents");
  line.diff->add_option("before", line.before, "The earlier document")->required();
  line.diff->add_option("after", line.after, "The later document")->required();
  line.diff->footer(kExitCodes);
}

// "a, b or c": the bundled examples' names.
std::string ExampleNames() {
  const std::vector<std::string> names = standin::ExampleDocuments::Names();
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  }
  return text;
}

void AddExample(CLI::App& app, CommandLine& line) {
  line.example =
      app.add_subcommand("example", "Write a bundled example document: " + ExampleNames());
  line.example->add_option("name", line.example_name, "The example's name")->required();
  line.example->add_option("-o,--output", line.example_output,
                           "The file to write (default: print it)");
  line.example->footer(kExitCodes);
}

// Hidden: the check that the module can be loaded and unloaded as often as
// the host likes (see load_cycles.h).
void AddLoadCycles(CLI::App& app, CommandLine& line) {
  line.load_cycles = app.add_subcommand("cycles", "Load, run and unload the module N times");
  line.load_cycles->group("");
  line.load_cycles->add_option("count", line.cycles, "How many cycles")
      ->required()
      ->check(CLI::Range(1, 1000000));
  line.load_cycles->add_option("--module", line.module_path, "The plug-in module to load");
  AddTimeout(line.load_cycles, &line.timeout);
}

// kExitOk when what went to the standard output reached it; else a message
// and the exit code for a failed command.
int OutputWritten() {
  std::cout.flush();
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || !std::cout) {
    std::fprintf(stderr, "quillo: cannot write to the standard output (%s)\n",
                 errno != 0 ? std::strerror(errno) : "write error");
    return standin::kExitBadInput;
  }
  return standin::kExitOk;
}

// Parses the command line: kExitOk to go on, else the code to end with
// (after --help, or after a one-line message on a mistake).
int Parse(CLI::App& app, int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '-') {
    bool known = false;
    for (const CLI::App* sub : app.get_subcommands({})) known = known || sub->get_name() == argv[1];
    if (!known) {
      std::fprintf(stderr,
                   "quillo: there is no subcommand \"%s\"; there are menus, run, show, diff and "
                   "example (quillo --help lists the options)\n",
                   standin::Printable(argv[1]).c_str());
      return standin::kExitUsage;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {
      app.exit(e);  // --help
      int written = OutputWritten();
      return written == standin::kExitOk ? -1 : written;
    }
    std::string message = e.what();
    for (char& c : message) c = c == '\n' ? ' ' : c;
    std::fprintf(stderr, "quillo: %s (quillo --help lists the options)\n",
                 standin::Printable(message, 300).c_str());
    return standin::kExitUsage;
  }
  return standin::kExitOk;
}

// Runs the subcommand asked for. Those that call the module run in a
// worker process that this one watches (see module_worker.h); `worker` is
// true in that process.
int Dispatch(const CommandLine& line, int argc, char** argv, bool worker) {
  standin::QuilloTool tool(stdout, stderr, ProgramFile());
  const bool run = line.run->parsed();
  if (!worker && (run || line.menus->parsed() || line.load_cycles->parsed())) {
    standin::WorkerReport report = standin::ModuleWorker::Supervise(argc, argv, line.timeout);
    const int code = tool.FinishContained(report, run ? line.request.module : line.module_path,
                                          run ? line.request.output : "");
    if (report.signal != 0) standin::WorkerProcess::EndBy(report.signal);
    return code;
  }
  if (worker) {
    tool.HandResultsTo(standin::ModuleWorker::HandOver);
    tool.SayFailuresTo(standin::ModuleWorker::Say);
  }
  if (line.menus->parsed()) {
    return tool.Menus({line.module_path, line.host_version, line.probe});
  }
  if (line.run->parsed()) return tool.Run(line.request);
  if (line.show->parsed()) {
    standin::PictureOptions options;
    options.width = line.width > 0 ? line.width : TerminalWidth();
    options.color = line.color == "always" || (line.color == "auto" && StdoutIsTerminal() &&
                                               std::getenv("NO_COLOR") == nullptr);
    return tool.Show(line.show_path, options);
  }
  if (line.diff->parsed()) return tool.Diff(line.before, line.after);
  if (line.example->parsed()) {
    return tool.Example(line.example_name, line.example_output, line.module_path);
  }
  if (line.load_cycles->parsed()) {
    int code = standin::RunLoadCycles(line.module_path, line.cycles, stdout,
                                      [worker](const std::string& message) {
                                        if (worker) {
                                          standin::ModuleWorker::Say(message);
                                        } else {
                                          std::fprintf(stderr, "quillo: %s\n", message.c_str());
                                        }
                                      });
    return code == standin::kExitOk ? OutputWritten() : code;
  }
  return standin::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Byte-identical output on every platform: no "\r\n", and UTF-8 text.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
#else
  // Rationale: a standard stream that is closed would otherwise be the
  // number of the next file or channel opened, and take its output.
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", O_RDWR);
  }
  // Rationale: output that cannot be written, a closed pipe included, is a
  // failure that the program reports (status 2), not a signal that ends it
  // silently; writes then fail with EPIPE.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  CLI::App app{"quillo: a stand-in for the Quillo host that loads and drives a plug-in module"};
  app.require_subcommand(1);
  app.footer(kExitCodes);
  // Paths such as /tmp/doc.json are paths, not Windows-style options, on
  // every platform (subcommands inherit this setting).
  app.allow_windows_style_options(false);
  // A worker started by this program to call the module: its first argument
  // names its channel, and the rest are the arguments the user gave.
  const bool worker = argc > 1 && standin::ModuleWorker::IsWorkerArgument(argv[1]);
  if (worker && !standin::ModuleWorker::Attach(argv[1])) {
    std::fprintf(stderr, "quillo: %s is for the program's own use\n",
                 standin::Echo(argv[1]).c_str());
    return standin::kExitUsage;
  }
  std::vector<char*> arguments(argv, argv + argc);
  if (worker) arguments.erase(arguments.begin() + 1);
  CommandLine line;
  line.module_path = standin::DefaultModulePath(argv[0]);
  AddMenus(app, line);
  AddRun(app, line);
  AddReports(app, line);
  AddExample(app, line);
  AddLoadCycles(app, line);
  int parsed = Parse(app, static_cast<int>(arguments.size()), arguments.data());
  if (parsed != standin::kExitOk) return parsed < 0 ? standin::kExitOk : parsed;
  const int code = Dispatch(line, argc, argv, worker);
  if (worker) standin::ModuleWorker::Finish(code);
  return code;
}
