#include "standin/program/quillo_tool.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

#include "standin/documents/document_file.h"
#include "standin/documents/example_documents.h"
#include "standin/documents/text_file.h"
#include "standin/program/module_file_version.h"
#include "standin/program/module_session.h"
#include "standin/reports/document_diff.h"
#include "standin/reports/score_view.h"
#include "standin/store/selection.h"

namespace standin {
namespace {

// Makes a document the active one for as long as it lives.
class ActiveDocumentScope {
 public:
  explicit ActiveDocumentScope(HostDocument* document) : previous_(SetActiveDocument(document)) {}
  ~ActiveDocumentScope() { SetActiveDocument(previous_); }
  ActiveDocumentScope(const ActiveDocumentScope&) = delete;
  ActiveDocumentScope& operator=(const ActiveDocumentScope&) = delete;

 private:
  HostDocument* previous_;
};

// The longest message printed: room for a few quoted names and a problem.
constexpr size_t kMostMessageChars = 5 * kMostEchoedChars;

// The message for a result larger than a document file may be.
std::string TooLong(const std::string& output, std::string_view text) {
  return Echo(output) + ": the result is " + std::to_string(text.size()) +
         " bytes, more than the " + std::to_string(DocumentFile::kMaxBytes >> 20) +
         " MiB a document file may hold; nothing written";
}

// The value for command `i` of a per-command list that may hold one value
// for all.
const std::string* Nth(const std::vector<std::string>& values, size_t i) {
  if (values.empty()) return nullptr;
  return values.size() == 1 ? &values[0] : &values[i];
}

}  // namespace

int QuilloTool::Fail(int code, const std::string& message) {
  // Rationale: the parts of a message that come from outside (file names,
  // arguments, a module's texts) are quoted through Echo, which leaves only
  // printable ASCII; this pass catches any that were not, such as a system
  // message naming a file, so that nothing reaches the terminal raw, and
  // keeps a message one line of sensible length.
  const std::string line = Printable(message, kMostMessageChars, false) +
                           (code == kExitUsage ? " (quillo --help lists the options)" : "");
  if (say_) {
    say_(line);
  } else {
    std::fprintf(err_, "quillo: %s\n", line.c_str());
  }
  return code;
}

int QuilloTool::CheckOutput(const std::string& output, const std::string& input,
                            const std::string& module) {
  const std::pair<const std::string*, const char*> kept[] = {{&input, "is the input document"},
                                                             {&module, "is the module"},
                                                             {&program_, "is this program"}};
  for (const auto& [file, what] : kept) {
    if (!file->empty() && SameFile(output, *file)) {
      return Fail(kExitUsage, Echo(output) + ": " + what + "; write the result to another file");
    }
  }
  // Rationale: a name that cannot be looked up (too long, a loop of links,
  // a folder that may not be searched) is reported for what it is, before
  // the checks below read the failed lookup as a file of another kind.
  for (const bool follow : {false, true}) {
    std::error_code lookup;
    const std::filesystem::path path(output);
    const auto found = follow ? std::filesystem::status(path, lookup)
                              : std::filesystem::symlink_status(path, lookup);
    // A name that is not there (or whose folder is not) reads as not_found.
    if (found.type() == std::filesystem::file_type::none) {
      return Fail(kExitBadInput, Echo(output) + ": cannot be looked up (" + lookup.message() + ")");
    }
  }
  if (std::string problem = ReplaceProblem(output); !problem.empty()) {
    return Fail(kExitBadInput, Echo(output) + ": " + problem);
  }
  return kExitOk;
}

void QuilloTool::WarnMenuLimit(const std::string& module) {
  std::fflush(out_);  // the message follows the lines already printed
  std::fprintf(err_,
               "quillo: %s: stopped asking for menu items at the limit of %d and uses only those\n",
               Echo(module).c_str(), ModuleSession::kMostMenuItems);
}

int QuilloTool::Menus(const MenusRequest& request) {
  HostDocument document;
  document.host_version = request.host_version;
  ActiveDocumentScope active(&document);
  ModuleSession module;
  std::string error;
  if (!module.Open(request.module, request.host_version, &error)) {
    return Fail(kExitBadInput, error);
  }
  std::fprintf(out_, "module %s\n", Echo(request.module).c_str());
  std::fprintf(out_, "file version: %s\n", ModuleFileVersion(request.module).c_str());
  std::fprintf(out_, "version: host 0x%08X, module answered 0x%08X\n", request.host_version,
               module.version_answer());
  std::fprintf(out_, "init: %d, flags 0x%X, menu status %d\n", module.init_answer(),
               module.init_flags(), module.MenuStatus());
  for (const MenuEntry& item : module.menu()) {
    // A module's texts are printed as messages quote them: no control
    // sequence reaches the terminal.
    std::fprintf(out_, "menu %d: \"%s\" / \"%s\" / \"%s\"\n", item.index, Echo(item.text).c_str(),
                 Echo(item.description).c_str(), Echo(item.short_name).c_str());
    std::fprintf(out_, "menu %d (UTF-16): \"%s\" / \"%s\" / \"%s\"\n", item.index,
                 Echo(item.text16).c_str(), Echo(item.description16).c_str(),
                 Echo(item.short_name16).c_str());
  }
  if (module.menu_limit_reached()) WarnMenuLimit(request.module);
  if (request.probe) {
    document.log.clear();
    Selection none;  // the all-zero selection record
    none.end_position = 0;
    const int16_t past_menu = static_cast<int16_t>(module.menu().size());
    int32_t answer = module.Invoke(past_menu, none);
    std::fprintf(out_, "probe: invoke(%d) answered %d; the module called the host %zu time(s): %s",
                 past_menu, answer, document.log.size(),
                 document.log.empty() ? "none\n" : document.LogText().c_str());
  }
  return Done();
}

int QuilloTool::Done() {
  // Rationale: a full disk or a closed pipe shows only when the buffered
  // output is flushed; a command that could not say its result has failed.
  if (std::fflush(out_) != 0 || std::ferror(out_) != 0) {
    std::string reason = errno != 0 ? std::strerror(errno) : "write error";
    return Fail(kExitBadInput, "cannot write to the standard output (" + reason + ")");
  }
  return kExitOk;
}

int QuilloTool::Run(const RunRequest& request) {
  std::vector<NumberRange> measure_ranges;
  std::vector<std::optional<NumberRange>> slot_ranges;
  if (int code = CheckRequest(request, &measure_ranges, &slot_ranges); code != kExitOk) {
    return code;
  }
  HostDocument document;
  std::string error;
  if (!DocumentFile::Load(request.document, &document, &error)) return Fail(kExitBadInput, error);
  std::vector<Selection> selections;
  for (size_t i = 0; i < measure_ranges.size(); ++i) {
    auto selection = Selection::InDocument(document, measure_ranges[i], slot_ranges[i], &error);
    if (!selection) return Fail(kExitBadInput, Echo(request.document) + ": " + error);
    selections.push_back(*selection);
  }
  // Rationale: a module's own thread could otherwise change the document
  // after its command returned, while the result is being written.
  HostDocument late;
  late.refuse = [](const ServiceCall&) { return true; };
  if (int code = RunCommands(request, selections, &document, &late); code != kExitOk) {
    return code;
  }
  if (!late.log.empty()) {
    return Fail(kExitBadInput, Echo(request.module) +
                                   ": the module called the host's services after its command "
                                   "returned (" +
                                   std::string(late.log.front().service) + ", " +
                                   std::to_string(late.log.size()) +
                                   " call(s), refused); nothing written");
  }
  document.log.clear();
  const std::string text = DocumentFile::Format(document);
  if (text.size() > DocumentFile::kMaxBytes)
    return Fail(kExitBadInput, TooLong(request.output, text));
  if (!handoff_) return WriteResult(request.output, text);
  if (!handoff_(text)) {
    return Fail(kExitBadInput, "cannot hand the result over; nothing written");
  }
  return Done();
}

int QuilloTool::WriteResult(const std::string& output, std::string_view text) {
  // Rationale: what a run leaves must be a document this program reads; the
  // reader's own rules decide, before anything is written.
  if (text.size() > DocumentFile::kMaxBytes) return Fail(kExitBadInput, TooLong(output, text));
  HostDocument check;
  std::string problem;
  if (!DocumentFile::Parse(text, &check, &problem)) {
    return Fail(kExitBadInput, Echo(output) + ": the result is not a document quillo reads (" +
                                   problem + "); nothing written");
  }
  if (!WriteTextFileAtomically(output, text, &problem)) {
    return Fail(kExitBadInput, Echo(output) + ": " + problem);
  }
  std::fprintf(out_, "wrote %s\n", Echo(output).c_str());
  return Done();
}

int QuilloTool::FinishContained(const WorkerReport& report, const std::string& module,
                                const std::string& output) {
  if (!report.started) {
    return Fail(kExitBadInput, report.failure + (output.empty() ? "" : "; nothing written"));
  }
  if (!report.failure.empty()) {
    return Fail(kExitBadInput,
                Echo(module) + ": " + report.failure + (output.empty() ? "" : "; nothing written"));
  }
  if (report.exit_code != kExitOk) {
    // Rationale: a status other than 0 always comes with its line; the
    // worker's own, or this one when code in the worker ended it without.
    if (report.said) {
      std::fprintf(err_, "quillo: %s\n", Printable(*report.said, kMostMessageChars, false).c_str());
      return report.exit_code;
    }
    return Fail(report.exit_code, Echo(module) + ": the program's worker ended with status " +
                                      std::to_string(report.exit_code) + " without saying why" +
                                      (output.empty() ? "" : "; nothing written"));
  }
  if (output.empty()) return report.exit_code;
  if (!report.document) {
    return Fail(kExitBadInput, Echo(module) + ": the run handed no result over; nothing written");
  }
  return WriteResult(output, *report.document);
}

int QuilloTool::CheckRequest(const RunRequest& request, std::vector<NumberRange>* measure_ranges,
                             std::vector<std::optional<NumberRange>>* slot_ranges) {
  const size_t count = request.commands.size();
  if (count == 0) return Fail(kExitUsage, "run: name at least one --command");
  if (request.measures.size() != 1 && request.measures.size() != count) {
    return Fail(kExitUsage, "run: give one --measures for all commands or one per --command (" +
                                std::to_string(count) + " commands, " +
                                std::to_string(request.measures.size()) + " --measures)");
  }
  if (request.slots.size() > 1 && request.slots.size() != count) {
    return Fail(kExitUsage, "run: give no --slots, one for all commands or one per --command");
  }
  if (request.output.empty()) return Fail(kExitUsage, "run: name the output file with -o");
  if (int code = CheckOutput(request.output, request.document, request.module); code != kExitOk) {
    return code;
  }
  for (size_t i = 0; i < count; ++i) {
    std::string error;
    const std::string& measure_text = *Nth(request.measures, i);
    auto measures = Selection::ParseRange(measure_text, true, &error);
    if (!measures) return Fail(kExitUsage, "--measures: \"" + Echo(measure_text) + "\" " + error);
    measure_ranges->push_back(*measures);
    std::optional<NumberRange> slots;
    if (const std::string* text = Nth(request.slots, i)) {
      slots = Selection::ParseRange(*text, true, &error);
      if (!slots) return Fail(kExitUsage, "--slots: \"" + Echo(*text) + "\" " + error);
    }
    slot_ranges->push_back(slots);
  }
  return kExitOk;
}

int QuilloTool::RunCommands(const RunRequest& request, const std::vector<Selection>& selections,
                            HostDocument* document, HostDocument* late) {
  ActiveDocumentScope active(document);
  ModuleSession module;
  std::string error;
  if (!module.Open(request.module, document->host_version, &error)) {
    return Fail(kExitBadInput, error);
  }
  if (module.menu_limit_reached()) WarnMenuLimit(request.module);
  std::vector<int> indexes;
  for (const std::string& name : request.commands) {
    int index = module.FindCommand(name);
    if (index < 0) {
      return Fail(kExitBadInput, Echo(request.module) + ": the module has no command \"" +
                                     Echo(name) + "\"; it offers " + module.MenuSummary());
    }
    indexes.push_back(index);
  }
  std::fprintf(out_, "%s: module answered 0x%08X to host version 0x%08X\n",
               Echo(request.module).c_str(), module.version_answer(), document->host_version);
  for (size_t i = 0; i < indexes.size(); ++i) {
    const MenuEntry& item = module.menu()[static_cast<size_t>(indexes[i])];
    const Selection& selection = selections[i];
    document->log.clear();
    int updates_before = document->layout_updates;
    SetActiveDocument(document);
    int32_t answer = module.Invoke(static_cast<int16_t>(indexes[i]), selection);
    SetActiveDocument(late);
    std::fprintf(out_, "%s, measures %s: answered %d; %zu host calls, %d layout updates\n",
                 Echo(item.short_name).c_str(),
                 MeasureRange(selection.start_measure, selection.end_measure + 1).c_str(), answer,
                 document->log.size(), document->layout_updates - updates_before);
    if (request.log) std::fputs(document->LogText().c_str(), out_);
    if (request.strict && answer == 0) {
      return Fail(kExitBadInput, Echo(request.module) + ": \"" + Echo(item.short_name) +
                                     "\" answered 0; nothing written");
    }
  }
  return kExitOk;
}

int QuilloTool::Show(const std::string& path, PictureOptions options) {
  HostDocument document;
  std::string error;
  if (!DocumentFile::Load(path, &document, &error)) return Fail(kExitBadInput, error);
  if (options.title.empty()) options.title = Echo(path);
  // Rationale: once a write fails (a closed pipe, a full disk) nothing more
  // can reach the reader, so the picture is not drawn on.
  DocumentPicture::Render(document, options, [this](std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), out_) == text.size() && std::ferror(out_) == 0;
  });
  return Done();
}

int QuilloTool::Diff(const std::string& before, const std::string& after) {
  HostDocument a, b;
  std::string error;
  if (!DocumentFile::Load(before, &a, &error)) return Fail(kExitBadInput, error);
  if (!DocumentFile::Load(after, &b, &error)) return Fail(kExitBadInput, error);
  std::vector<std::string> lines = DocumentDiff::Describe(a, b);
  if (lines.empty()) std::fputs("no differences\n", out_);
  for (const std::string& line : lines) {
    if (std::fprintf(out_, "%s\n", line.c_str()) < 0 || std::ferror(out_) != 0) break;
  }
  return Done();
}

int QuilloTool::Example(const std::string& name, const std::string& output,
                        const std::string& module) {
  HostDocument document;
  if (!ExampleDocuments::Build(name, &document)) {
    std::string names;
    for (const std::string& known : ExampleDocuments::Names()) names += " " + known;
    return Fail(kExitUsage, "example: no example called \"" + Echo(name) + "\"; there are" + names);
  }
  if (output.empty()) {
    std::fputs(DocumentFile::Format(document).c_str(), out_);
    return Done();
  }
  if (int code = CheckOutput(output, "", module); code != kExitOk) return code;
  std::string error;
  if (!DocumentFile::Save(output, document, &error)) return Fail(kExitBadInput, error);
  return kExitOk;
}

}  // namespace standin
