// brevan: the tool's commands, dispatched by the command line: translate
// (the tool's own options), inventory, lsp and completion.
#include <iostream>

#include "brevan/files.h"
#include "cli/commands.h"
#include "cli/terminal.h"

namespace brevan::cli {

volatile std::sig_atomic_t interrupted = 0;

namespace {

void OnInterrupt(int signal) { interrupted = signal; }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction stop {};
  stop.sa_handler = OnInterrupt;
  stop.sa_flags = SA_RESETHAND;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
}

int DieByInterruption() {
  const int signal = interrupted;
  std::cout.flush();
  std::cerr.flush();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
  return 128 + signal;
}

bool ParseRewrites(const std::vector<std::string>& texts, std::vector<PathRewrite>& rules,
                   std::string& error) {
  for (const std::string& text : texts) {
    PathRewrite rule;
    if (!ParsePathRewrite(text, rule, error)) return false;
    rules.push_back(std::move(rule));
  }
  return true;
}

void AddVersionOption(CLI::App& app, std::optional<FormatVersion>& version, const std::string& help) {
  app.add_option_function<long>(
         "--format-version", [&version](long number) { version = FormatVersion::FromNumber(number); }, help)
      ->check(CLI::Range(FormatVersion::kLowest, FormatVersion::kHighest));
}

namespace {

int Run(int argc, char** argv) {
  CLI::App app{"Translates workspace files into XML workspace documents.", "brevan"};
  app.set_version_flag("--version", std::string("brevan ") + Version());
  const Command translate = AddTranslateCommand(app, argv);
  const Command commands[] = {AddInventoryCommand(app), AddLspCommand(app), AddCompletionCommand(app)};
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kTranslated : kUsageOrIoError;
  }
  for (const Command& command : commands)
    if (command.app->parsed()) return command.run();
  return translate.run();
}

}  // namespace
}  // namespace brevan::cli

// Nothing escapes: running out of memory, or anything else the standard
// library throws, ends the tool with a message and exit status 2.
int main(int argc, char** argv) {
  try {
    return brevan::cli::Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::cerr << "brevan: not enough memory\n";
  } catch (const std::exception& failure) {
    std::cerr << "brevan: " << brevan::cli::Escaped(failure.what()) << '\n';
  } catch (...) {
    std::cerr << "brevan: unexpected failure\n";
  }
  return brevan::cli::kUsageOrIoError;
}
