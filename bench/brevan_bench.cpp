// Google Benchmark cases: the lexer, each statement kind, the style writers,
// and whole workspaces, in bytes and statements per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/generate.h"
#include "host/document_memory.h"
#include "host/style.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/xml_document.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan::bench {
namespace {

const std::wstring& Workspace() {
  static const std::wstring text = [] {
    std::wstring workspace = FromUtf8(GenerateWorkspace(1));
    workspace.erase(0, workspace.find(L'\n'));  // the version header
    return workspace;
  }();
  return text;
}

void Translate(const std::wstring& text, XmlDocument& doc) {
  TokenReader reader(text);
  if (!reader.Ok() || !CmdMain(&reader, 300, &doc)) std::abort();
}

void BM_Lex(benchmark::State& state) {
  const std::wstring& text = Workspace();
  for (auto _ : state) {
    TokenReader reader(text);
    benchmark::DoNotOptimize(reader.Ok());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Lex)->Unit(benchmark::kMillisecond);

void BM_Workspace(benchmark::State& state) {
  const std::wstring& text = Workspace();
  size_t output = 0;
  for (auto _ : state) {
    XmlDocument doc;
    Translate(text, doc);
    output = doc.ToXml().size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["output_MB"] = static_cast<double>(output) / 1e6;
}
BENCHMARK(BM_Workspace)->Unit(benchmark::kMillisecond);

void BM_TranslateWithoutWriting(benchmark::State& state) {
  const std::wstring& text = Workspace();
  for (auto _ : state) {
    XmlDocument doc;
    Translate(text, doc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_TranslateWithoutWriting)->Unit(benchmark::kMillisecond);

void BM_WriteXml(benchmark::State& state) {
  XmlDocument doc;
  Translate(Workspace(), doc);
  size_t bytes = 0;
  for (auto _ : state) bytes += doc.ToXml().size();
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_WriteXml)->Unit(benchmark::kMillisecond);

// One statement kind, repeated: statements per second.
void BM_Statement(benchmark::State& state, const std::wstring& prologue, const std::wstring& statement) {
  constexpr int kRepeats = 500;
  std::wstring text = prologue;
  for (int i = 0; i < kRepeats; ++i) text += statement;
  for (auto _ : state) {
    XmlDocument doc;
    Translate(text, doc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["statements/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kRepeats, benchmark::Counter::kIsRate);
}

const std::wstring kMap = L"Open Table \"a.tbl\" As A\nMap From A\n";
BENCHMARK_CAPTURE(BM_Statement, open_table, L"", L"Open Table \"a.tbl\" As A Codepage 1252 Locked\n");
BENCHMARK_CAPTURE(BM_Statement, map_window, L"Open Table \"a.tbl\" As A\n",
                  L"Map From A, A, A Position (1, 1) Units \"in\" Width 5 Height 4\n");
BENCHMARK_CAPTURE(
    BM_Statement, set_map, kMap,
    L"Set Map Center (1, 2) Zoom 5 Units \"km\" Layer 1 Label With Name Font (\"Sans\", 1, 8, 0)\n");
BENCHMARK_CAPTURE(
    BM_Statement, range_theme, kMap,
    L"Theme 1 With Pop Ranges Apply All 0 : 1 Brush (2, 255), 1 : 2 Brush (2, 65280) Else Brush (2, 0)\n");
BENCHMARK_CAPTURE(BM_Statement, value_theme, kMap,
                  L"Theme 1 With Kind Values \"a\", \"b\", \"c\", \"d\" Else\n");
BENCHMARK_CAPTURE(
    BM_Statement, bar_chart, kMap,
    L"Theme 1 With X, Y Stacked Bars Max Size 1 Units \"in\" Each Brush (2, 255), Brush (2, 0)\n");
BENCHMARK_CAPTURE(BM_Statement, pie_chart, kMap, L"Theme 1 With X, Y Pie Angle 90 Max Size 1 Units \"cm\"\n");
BENCHMARK_CAPTURE(BM_Statement, graduated, kMap,
                  L"Theme 1 With X Graduated 0 : 2 100 : 36 Symbol (34, 255, 12)\n");
BENCHMARK_CAPTURE(BM_Statement, single_symbol, kMap, L"Theme 1 With X Single 1 : 12 Color 255\n");
BENCHMARK_CAPTURE(BM_Statement, legend_settings, kMap + L"Theme 1 With Kind Values \"a\", \"b\" Else\n",
                  L"Set Legend Layer 1 Title \"t\" Font (\"Serif\", 1, 10, 0) Ranges \"x\", \"y\", \"z\"\n");

// One style writer into fresh elements: styles per second.
template <typename Write>
void BM_StyleWriter(benchmark::State& state, Write write) {
  XmlDocument doc;
  TokenReader reader(L"");
  BrevanTranslator t(&reader, 300, &doc);
  t.root.reset(doc.GetRootElement(t.Name(Tag::Workspace), L" /"));
  for (auto _ : state) {
    const NodeHandle item = t.CreateElementOrThrow(Tag::RangeItem);
    write(t, *item);
  }
  state.SetItemsProcessed(state.iterations());
}

const auto kPen = NewPen();
const auto kBrush = NewBrush();
const auto kFont = NewFont();
const auto kSymbol = Owned<Veltra::cSymbol>(Veltra::cFontSymbol::Create());
BENCHMARK_CAPTURE(BM_StyleWriter, pen,
                  [](BrevanTranslator& t, QdXmlNode& n) { t.WritePenStyle(n, *kPen, true); });
BENCHMARK_CAPTURE(BM_StyleWriter, brush,
                  [](BrevanTranslator& t, QdXmlNode& n) { t.WriteBrushStyle(n, *kBrush, true); });
BENCHMARK_CAPTURE(BM_StyleWriter, font,
                  [](BrevanTranslator& t, QdXmlNode& n) { t.WriteFontStyle(n, *kFont); });
BENCHMARK_CAPTURE(BM_StyleWriter, font_symbol,
                  [](BrevanTranslator& t, QdXmlNode& n) { t.WriteSymbolStyle(n, *kSymbol); });

}  // namespace
}  // namespace brevan::bench

int main(int argc, char** argv) {
  brevan::UseLargePages();  // as the tool does
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
