// What the tool prints: diagnostics as text or as JSON, with every byte of
// a user's text made safe for a terminal.
#pragma once

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "brevan/brevan.h"

namespace brevan::cli {

// How diagnostics are written on standard error.
enum class Format { Text, Json };

// The text with control characters (C0 but tab, DEL, C1) and bytes that
// are not UTF-8 shown escaped, \x1b or \u009b: nothing in it can move the
// cursor, clear the screen or retitle the window.
std::string Escaped(std::string_view text);

// The source line and a caret under the culprit (^~~~), escaped, with tabs
// kept so that it lines up. A long line is cut to a window around the
// caret, marked with "…" where it was cut.
std::string SourceAndCaret(const std::string& sourceLine, int column, int endColumn);

// One diagnostic about file: "FILE:LINE:COL: error N: MESSAGE", the source
// line with a caret and the notes; or one JSON object on a line.
std::string Tell(const std::string& file, const Diagnostic& diagnostic, Format format);

// A statement passed over, for --report: "FILE:LINE:COL: skipped: WORDS".
std::string TellSkipped(const std::string& file, const Skipped& skipped, Format format);

// A failure of the tool itself about path, with no place in a text:
// "PATH: error: MESSAGE".
std::string TellFailure(const std::string& path, const std::string& message, Format format);

// The progress line of a batch on a terminal: files ended of all, failures,
// speed and the time left (drawn over itself with \r).
std::string Progress(size_t ended, size_t count, size_t failed, std::chrono::steady_clock::time_point start);

// A count and what it counts: "1 warning", "3 warnings".
std::string Plural(size_t count, const char* one, const char* many);

// A JSON object on a line of its own, ASCII only.
std::string JsonLine(const nlohmann::json& value);

// How the tool names an input: "<stdin>" for "-".
std::string DisplayName(const std::string& file);

}  // namespace brevan::cli
