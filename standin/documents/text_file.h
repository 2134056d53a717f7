// Whole-file reading and writing for the quillo program.
//
// Files are read and written as bytes (binary mode on every platform), so a
// document written on Windows is byte for byte the one written elsewhere.
// Only regular files are read or replaced: devices, pipes, sockets and
// folders are refused without waiting on them. Writing is atomic and cannot
// be redirected: the text goes to a new file created exclusively under a
// fresh, unpredictable name in the target's folder (never through an
// existing name or link), is flushed to the disk and then renamed over the
// target, so the target is either untouched or holds the whole new text.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace standin {

// Reads the regular file at `path` into `text`, refusing files larger than
// `max_bytes` before reading them. On failure returns false with `error`
// describing the problem (without the path).
bool ReadTextFile(const std::string& path, std::string* text, std::string* error,
                  size_t max_bytes = static_cast<size_t>(-1));

// Names tried, in turn, for the temporary file: each call answers a new file
// name (no folder) to try. The default draws unpredictable names.
using TemporaryNames = std::function<std::string()>;

// The longest file name (not path) that file systems commonly take, in bytes.
inline constexpr size_t kMostNameBytes = 255;

// A fresh, unpredictable name (no folder) for the temporary file beside a file
// named `target_name`: ".", the start of the target's name (cut so that the
// whole fits in kMostNameBytes, never inside a UTF-8 character), ".", 12
// letters or digits, ".quillo-partial".
std::string RandomTemporaryName(const std::string& target_name);

// Replaces the file at `path` with `text`, or leaves it as it was. The new
// file keeps the permissions of the file it replaces. On failure returns
// false with `error` describing the problem (without the path); no
// temporary file is left behind, also when the program is interrupted or
// terminated while writing.
bool WriteTextFileAtomically(const std::string& path, std::string_view text, std::string* error,
                             const TemporaryNames& names = nullptr);

// Why the file at `path` cannot be replaced by WriteTextFileAtomically, or ""
// when it can: it must be a regular file, a link (which is replaced, not
// followed; a link to a folder or a special file is refused) or not exist.
std::string ReplaceProblem(const std::string& path);

// True when `a` and `b` name the same file: the same device and file number
// reached through any path or link, or two spellings of one path that does
// not exist yet.
bool SameFile(const std::string& a, const std::string& b);

// `text` as it may reach a terminal: at most `max_chars` characters (with
// "..." when cut), every byte outside printable ASCII written as \xNN and
// backslashes doubled (unless `double_backslashes` is false), so that no
// input can send control sequences.
std::string Printable(std::string_view text, size_t max_chars = 60, bool double_backslashes = true);

// The most characters of a file name or command-line value that a message
// quotes.
inline constexpr size_t kMostEchoedChars = 200;

// A file name, command-line value or module text as a message quotes it:
// Printable, cut to kMostEchoedChars, with backslashes kept as they are
// (they separate folders on Windows).
std::string Echo(std::string_view text, size_t max_chars = kMostEchoedChars);

}  // namespace standin
