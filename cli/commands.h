// The commands of the tool, each in a file of its own: what it adds to the
// command line, and how it runs once the line is parsed.
#pragma once

#include <CLI/CLI.hpp>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "brevan/brevan.h"

namespace brevan::cli {

enum ExitCode { kTranslated = 0, kTranslationError = 1, kUsageOrIoError = 2 };

// A command: the subcommand it added (null for the tool's own options) and
// what runs it.
struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

// brevan [options] FILE...: translate (translate.cpp).
Command AddTranslateCommand(CLI::App& app, char** argv);
// brevan inventory (inventory.cpp).
Command AddInventoryCommand(CLI::App& app);
// brevan lsp (lsp.cpp).
Command AddLspCommand(CLI::App& app);
// brevan completion SHELL (completion.cpp), from every command's options;
// added last, so that it sees them all.
Command AddCompletionCommand(CLI::App& app);

// The signal that asked the tool to stop (SIGINT, SIGTERM), or 0.
extern volatile std::sig_atomic_t interrupted;
// Ctrl-C or a termination sets interrupted; a second one ends the tool at
// once (a temporary file may stay, never half a document).
void InstallInterruptHandlers();
// Once what was under way is told: ends the tool by the signal that
// interrupted it, as the default action would have, so that a shell loop
// around the tool stops too (shells stop only for a child that died by
// SIGINT). Answers 128 + the signal if the tool is still alive after it.
int DieByInterruption();

// The rewrite rules of OLD=NEW texts; false with error filled for one that
// does not read so.
bool ParseRewrites(const std::vector<std::string>& texts, std::vector<PathRewrite>& rules,
                   std::string& error);

// --format-version N: a FormatVersion, refused outside its range.
void AddVersionOption(CLI::App& app, std::optional<FormatVersion>& version, const std::string& help);

}  // namespace brevan::cli
