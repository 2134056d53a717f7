// Whole-file reading and writing for the quillo program.
//
// Files are read and written as bytes (binary mode on every platform), so a
// document written on Windows is byte for byte the one written elsewhere.
// Writing is atomic: the text goes to a temporary file in the same folder,
// which then replaces the target, so the target is either untouched or holds
// the whole new text.
#pragma once

#include <string>

namespace standin {

// Reads the file at `path` into `text`. On failure returns false with
// `error` describing the problem (without the path).
bool ReadTextFile(const std::string& path, std::string* text, std::string* error);

// Replaces the file at `path` with `text`, or leaves it as it was. On failure
// returns false with `error` describing the problem (without the path); no
// temporary file is left behind.
bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string* error);

// True when `a` and `b` name the same file (an existing file reached by two
// paths, or two spellings of one path that does not exist yet).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace standin
