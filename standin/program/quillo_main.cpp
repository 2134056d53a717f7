// quillo: the stand-in host program. It loads a plug-in module the way the
// notation program does and drives it against an in-memory document.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "standin/program/load_cycles.h"
#include "standin/program/module_loader.h"
#include "standin/program/quillo_tool.h"

namespace {

constexpr uint32_t kDefaultHostVersion = 0x19000000;
constexpr int kDefaultWidth = 100;

constexpr const char* kExitCodes =
    "Exit codes: 0 done; 1 the command line is wrong; 2 a document or module cannot be used\n"
    "(malformed, unknown record, value out of range, selection outside the document, module\n"
    "that does not load or lacks an entry point) or a command failed.";

bool StdoutIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stdout)) != 0;
#else
  return isatty(fileno(stdout)) != 0;
#endif
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

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Byte-identical output on every platform: no "\r\n", and UTF-8 text.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
#endif
  CLI::App app{"quillo: a stand-in for the Quillo host that loads and drives a plug-in module"};
  app.require_subcommand(1);
  app.footer(kExitCodes);
  // Paths such as /tmp/doc.json are paths, not Windows-style options, on
  // every platform (subcommands inherit this setting).
  app.allow_windows_style_options(false);
  std::string module_path = standin::DefaultModulePath(argv[0]);
  uint32_t host_version = kDefaultHostVersion;

  CLI::App* menus = app.add_subcommand("menus", "Load the module and print its menu items");
  menus->add_option("--module", module_path, "The plug-in module to load");
  menus->add_option("--host-version", host_version, "The host version to report (e.g. 0x12000000)");
  bool probe = false;
  menus->add_flag("--probe", probe, "Also check that the module reaches the host's services");
  menus->footer(kExitCodes);

  standin::RunRequest request;
  request.module = module_path;
  CLI::App* run = app.add_subcommand(
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
  run->footer(kExitCodes);

  std::string show_path;
  std::string color = "auto";
  int width = 0;
  CLI::App* show = app.add_subcommand(
      "show",
      "Draw a document in the terminal: per part its systems, indents and rests, with "
      "piece marks and measure-number regions, on one measure axis");
  show->add_option("document", show_path, "The document file")->required();
  show->add_option("--color", color, "Colour: auto (when printing to a terminal), always, never")
      ->check(CLI::IsMember({"auto", "always", "never"}))
      ->capture_default_str();
  show->add_option("--width", width, "Line width (default: the terminal's, else 100)");
  show->footer(kExitCodes);

  std::string before, after;
  CLI::App* diff = app.add_subcommand("diff", "Tell in words what changed between two documents");
  diff->add_option("before", before, "The earlier document")->required();
  diff->add_option("after", after, "The later document")->required();
  diff->footer(kExitCodes);

  std::string example_name, example_output;
  CLI::App* example =
      app.add_subcommand("example",
                         "Write a bundled example document: suite, three-parts, host-0E000000, "
                         "host-10000000, host-11000000 or host-12000000");
  example->add_option("name", example_name, "The example's name")->required();
  example->add_option("-o,--output", example_output, "The file to write (default: print it)");
  example->footer(kExitCodes);

  // Hidden: the check that the module can be loaded and unloaded as often as
  // the host likes (see load_cycles.h).
  int cycles = 0;
  CLI::App* load_cycles = app.add_subcommand("cycles", "Load, run and unload the module N times");
  load_cycles->group("");
  load_cycles->add_option("count", cycles, "How many cycles")
      ->required()
      ->check(CLI::Range(1, 1000000));
  load_cycles->add_option("--module", module_path, "The plug-in module to load");

  if (argc > 1 && argv[1][0] != '-') {
    bool known = false;
    for (const CLI::App* sub : app.get_subcommands({})) known = known || sub->get_name() == argv[1];
    if (!known) {
      std::fprintf(stderr,
                   "quillo: there is no subcommand \"%s\"; there are menus, run, show, diff and "
                   "example\n",
                   argv[1]);
      return standin::kExitUsage;
    }
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    std::fprintf(stderr, "quillo: %s\nRun \"quillo --help\" or \"quillo SUBCOMMAND --help\".\n",
                 e.what());
    return standin::kExitUsage;
  }
  standin::QuilloTool tool(stdout, stderr);
  if (menus->parsed()) return tool.Menus({module_path, host_version, probe});
  if (run->parsed()) return tool.Run(request);
  if (show->parsed()) {
    standin::PictureOptions options;
    options.width = width > 0 ? width : TerminalWidth();
    options.color = color == "always" ||
                    (color == "auto" && StdoutIsTerminal() && std::getenv("NO_COLOR") == nullptr);
    return tool.Show(show_path, options);
  }
  if (diff->parsed()) return tool.Diff(before, after);
  if (example->parsed()) return tool.Example(example_name, example_output);
  if (load_cycles->parsed()) return standin::RunLoadCycles(module_path, cycles, stdout, stderr);
  return standin::kExitUsage;
}
