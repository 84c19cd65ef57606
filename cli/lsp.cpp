// brevan lsp: the language server on standard input and output.
#include <unistd.h>

#include "cli/commands.h"
#include "lsp/server.h"

namespace brevan::cli {

Command AddLspCommand(CLI::App& app) {
  CLI::App* command = app.add_subcommand(
      "lsp", "Serve the language server protocol on standard input and output, for editors");
  return {command, [] { return lsp::RunLanguageServer(STDIN_FILENO, STDOUT_FILENO); }};
}

}  // namespace brevan::cli
