// How long the language server takes to re-check a 1 MB workspace after a
// change (translating it with every error, and the diagnostics' JSON), and
// to answer an outline, on two shapes of 1 MB: the generated workspace
// (every layer with six themes: the densest we make) and a workspace as
// they mostly are, where most statements are not translated.
//
//   build/brevan_lsp_bench            median and fastest of 9 runs each
//   build/brevan_lsp_bench recheck typical|generated N
//                                     N re-checks alone, for a profiler
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/generate.h"
#include "host/document_memory.h"
#include "lsp/document.h"

namespace {

constexpr size_t kSize = size_t{1} << 20;

// The generated workspace cut at a line end near 1 MB.
std::string Dense() {
  std::string text = brevan::bench::GenerateWorkspace(1);
  return text.substr(0, text.rfind('\n', kSize) + 1);
}

// Tables, windows and themes between the statements of dialogs, queries
// and windows that a workspace also holds and that are passed over.
std::string Typical() {
  std::string text = "!version 300\n";
  for (int i = 0; text.size() < kSize; ++i) {
    const std::string n = std::to_string(i);
    text += "Open Table \"data/roads" + n + ".tbl\" As Roads" + n + " Interactive\n";
    text += "Open Table \"data/towns" + n + ".tbl\" As Towns" + n + "\n";
    text += "Map From Towns" + n + ", Roads" + n + " Position (0.5, 0.75) Units \"in\" Width 6.5 Height 4\n";
    text += "Set Map Center (-1.5, 52.25) Zoom 40 Units \"km\" Preserve Zoom Display Zoom\n";
    text += "Set Map Layer 1 Label With Name Font (\"Arial\", 0, 9, 0) Position Center\n";
    text += "Theme 2 With Class Values \"A\" Pen (2, 2, 16711680), \"B\" Pen (1, 2, 255)\n";
    text += "Set Window FrontWindow() Title \"Roads " + n + "\" Width 6.5 Units \"in\"\n";
    text += "Browse * From Roads" + n + " Position (1, 1) Units \"in\" Width 5 Height 3\n";
    text += "Select * From Towns" + n + " Where Population > 10000 Into Selection" + n + "\n";
    text += "Create Cartographic Legend From Window FrontWindow() Behind Frame From Layer 1\n";
    text += "Set Window WindowID(0) Printer Default Orientation Portrait Copies 1\n";
  }
  return text;
}

template <typename Work>
void Time(const char* what, Work work) {
  std::vector<double> runs;
  for (int i = 0; i < 9; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    runs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(runs.begin(), runs.end());
  std::printf("%-42s median %7.1f ms, fastest %7.1f ms\n", what, runs[runs.size() / 2], runs.front());
}

void Run(const char* memory) {
  const brevan::lsp::ServerSettings settings;
  const std::pair<const char*, std::string> workloads[] = {{"generated (dense themes)", Dense()},
                                                           {"typical (most passed over)", Typical()}};
  for (const auto& workload : workloads) {
    const char* name = workload.first;
    const std::string& text = workload.second;  // lambdas cannot take a structured binding in every compiler
    std::printf("%s, %s: %.2f MB, %zu lines\n", name, memory, static_cast<double>(text.size()) / 1e6,
                static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    brevan::lsp::OpenDocument document("file:///bench/ws.bws", text);
    Time("  of which translating with every error", [&] {
      document.SetText(text);
      document.Check(settings);
    });
    Time("  of which the diagnostics as JSON text", [&] {
      if (document.Diagnostics(settings).dump().empty()) std::abort();
    });
    Time("  re-check after a change: diagnostics", [&] {
      document.SetText(text);
      document.Check(settings);
      const std::string json = document.Diagnostics(settings).dump();
      if (json.empty()) std::abort();
    });
    Time("  outline after a change", [&] {
      document.SetText(text);
      if (document.Symbols(settings).empty()) std::abort();
    });
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "recheck") {
    brevan::UseLargePages();
    const std::string text = std::string(argv[2]) == "typical" ? Typical() : Dense();
    const brevan::lsp::ServerSettings settings;
    brevan::lsp::OpenDocument document("file:///bench/ws.bws", text);
    for (int i = std::atoi(argv[3]); i > 0; --i) {
      document.SetText(text);
      document.Check(settings);
      if (document.Diagnostics(settings).dump().empty()) std::abort();
    }
    return 0;
  }
  Run("documents from malloc");
  brevan::UseLargePages();  // as the server does; for the rest of the process
  Run("documents in huge-page regions");
}
