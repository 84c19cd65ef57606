// The read model against every example: each is summed up line by line
// from the model, and the summary must be what the workspace says; its
// statements must be those of the text.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>

#include "brevan/workspace.h"
#include "host/xml_document.h"
#include "tests/support/files.h"

namespace {

namespace fs = std::filesystem;

std::string Number(double value) {
  std::ostringstream text;
  text << std::setprecision(15) << value;
  return text.str();
}

std::string Font(const std::optional<brevan::FontStyle>& font) {
  if (!font) return "";
  std::string text = " font " + font->family + " " + Number(font->pointSize) + "pt";
  if (font->bold) text += " bold";
  if (font->italic) text += " italic";
  for (const std::string& word : font->effects) text += " " + word;
  for (const std::string& word : font->decorations) text += " " + word;
  return text;
}

std::string Style(const brevan::Styles& styles) {
  std::string text;
  if (styles.border) text += " border " + styles.border->color;
  if (styles.pen)
    text += " pen" + std::to_string(styles.pen->pattern) + " " + styles.pen->color + " w" + styles.pen->width;
  if (styles.brush) text += " brush" + std::to_string(styles.brush->pattern) + " " + styles.brush->foreground;
  if (styles.symbol)
    text += " symbol" + std::to_string(styles.symbol->shape) + " " + styles.symbol->color + " " +
            Number(styles.symbol->size) + "pt";
  return text + Font(styles.font);
}

std::string Row(const std::optional<brevan::LegendRow>& row) {
  if (!row) return "";
  return " row '" + row->text + "'" + (row->hidden ? " hidden" : "");
}

// The model of a document, a line per thing it holds.
std::string Summary(const brevan::Workspace& workspace) {
  std::ostringstream out;
  for (const brevan::Table& table : workspace.tables) {
    out << "table " << table.alias << " " << table.file;
    if (!table.copyOf.empty()) out << " copy of " << table.copyOf;
    if (table.copyOf.empty())
      out << " at " << table.origin.statement.line << ":" << table.origin.clause.column;
    if (table.locked) out << " locked";
    if (!table.codepage.empty()) out << " codepage " << table.codepage;
    out << "\n";
  }
  for (const brevan::MapWindow& window : workspace.mapWindows) {
    const brevan::View& v = window.view;
    out << "window";
    if (v.centerX) out << " centre " << Number(*v.centerX) << "," << Number(*v.centerY);
    if (v.zoom) out << " zoom " << Number(*v.zoom) << v.zoomUnits;
    if (v.scaleFrom)
      out << " scale " << Number(*v.scaleFrom) << v.scaleFromUnits << ":" << Number(*v.scaleTo)
          << v.scaleToUnits;
    if (!v.distanceType.empty()) out << " " << v.distanceType;
    if (window.position && window.position->width)
      out << " width " << Number(*window.position->width) << window.position->units;
    out << "\n";
    for (const brevan::Layer& layer : window.layers) {
      out << " layer " << layer.position << " " << layer.name;
      for (const std::string& label : layer.labels) out << " label " << label;
      out << "\n";
      for (const brevan::Theme& theme : layer.themes) {
        out << "  theme " << brevan::ThemeKindWord(theme.kind);
        for (const std::string& expression : theme.expressions) out << " by " << expression;
        if (theme.applyTo != brevan::ApplyTo::Unset) out << " apply " << brevan::Word(theme.applyTo);
        if (theme.method != brevan::SizeMethod::Unset) out << " " << brevan::Word(theme.method);
        if (theme.reference) out << " reference " << Number(*theme.reference);
        if (theme.size) out << " size " << Number(theme.size->value) << theme.size->unit;
        out << "\n";
        for (const brevan::ThemeItem& item : theme.items)
          out << "   item "
              << (item.isDefault ? "else" : item.low + ":" + item.high + item.value + item.expression)
              << Style(item.styles) << Row(item.row) << "\n";
        for (const brevan::GraduatedSymbol& symbol : theme.symbols)
          out << "   symbol" << symbol.symbol.shape << " " << symbol.symbol.color << Row(symbol.small)
              << Row(symbol.medium) << Row(symbol.large) << "\n";
        for (const brevan::LegendRow& row : theme.rows) out << "   " << Row(row).substr(1) << "\n";
        if (theme.legend) {
          out << "   legend";
          if (theme.legend->title)
            out << " title '" << theme.legend->title->text << "'" << Font(theme.legend->title->font);
          if (theme.legend->showCounts) out << " counts " << *theme.legend->showCounts;
          out << "\n";
        }
      }
    }
  }
  return out.str();
}

fs::path ExamplePath(const std::string& name) {
  return fs::path(BREVAN_SOURCE_DIR) / "examples" / (name + ".bws");
}

brevan::Workspace Example(const std::string& name) {
  const brevan::Result result = brevan::TranslateFile(ExamplePath(name).string());
  EXPECT_TRUE(result.ok) << result.message;
  return result.workspace;
}

// Each example's workspace summed up as tests/api/workspace_model.expected
// says it: a section per example, "== NAME", then the summary's lines.
TEST(WorkspaceModelTest, EveryExampleAsItsWorkspaceSaysIt) {
  std::ifstream file(fs::path(BREVAN_SOURCE_DIR) / "tests" / "api" / "workspace_model.expected");
  std::map<std::string, std::string> expected;
  std::string* summary = nullptr;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("== ", 0) == 0)
      summary = &expected[line.substr(3)];
    else if (summary != nullptr)
      *summary += line + "\n";
  }
  ASSERT_GE(expected.size(), 6u);
  for (const auto& [name, text] : expected) EXPECT_EQ(Summary(Example(name)), text) << name;
}

// The statements of a text as its lines say them: each line that starts in
// its first column with a word is a statement, named by its first words.
std::string StatementsOfText(const std::string& text) {
  std::istringstream lines(text);
  std::ostringstream out;
  std::string line;
  for (int number = 1; std::getline(lines, line); ++number) {
    if (line.empty() || !std::isalpha(static_cast<unsigned char>(line[0]))) continue;
    std::string lower;
    for (const char c : line) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto starts = [&](const char* words) { return lower.rfind(words, 0) == 0; };
    const char* kind = starts("open table ")  ? "open_table"
                       : starts("map from ")  ? "map_window"
                       : starts("set map")    ? "set_map"
                       : starts("set legend") ? "legend_settings"
                       : starts("theme ")     ? "thematic"
                                              : "passed_over";
    out << number << " " << kind << "\n";
  }
  return out.str();
}

std::string StatementsOfModel(const brevan::Workspace& workspace) {
  std::ostringstream out;
  for (const brevan::Statement& statement : workspace.statements)
    out << statement.span.line << " " << brevan::StatementKindWord(statement.kind) << "\n";
  return out.str();
}

// The tables that statements of kind made.
std::string TablesMadeBy(const brevan::Workspace& workspace, brevan::StatementKind kind) {
  std::string tables;
  for (const brevan::Statement& statement : workspace.statements)
    for (const brevan::ObjectRef& ref : statement.objects)
      if (const brevan::Table* table = workspace.TableOf(ref); table && statement.kind == kind)
        tables += table->alias + " ";
  return tables;
}

TEST(WorkspaceModelTest, EveryExamplesStatementsAreThoseOfItsText) {
  for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(BREVAN_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".bws") continue;
    const std::string name = entry.path().stem().string();
    const brevan::Workspace workspace = Example(name);
    EXPECT_EQ(StatementsOfModel(workspace), StatementsOfText(brevan::test::Slurp(entry.path()))) << name;
    // The copies are the map windows' tables; every other table an open-table statement's.
    std::string copies, opened;
    for (const brevan::Table& table : workspace.tables)
      (table.copyOf.empty() ? opened : copies) += table.alias + " ";
    EXPECT_EQ(TablesMadeBy(workspace, brevan::StatementKind::MapWindow), copies) << name;
    EXPECT_EQ(TablesMadeBy(workspace, brevan::StatementKind::OpenTable), opened) << name;
  }
}

// Statements passed over stand among the translated ones with their first
// words; objects carry the place of the statement and clause that made them.
TEST(WorkspaceModelTest, StatementsPassedOverAndWhereObjectsCameFrom) {
  const std::string text =
      "Browse * From Roads\nOpen Table \"r.tbl\" As Roads\nCreate Map Legend From Window 1\n"
      "Open Table \"r.tbl\" As Roads_2\nMap From Roads, Roads_2, Roads\n"
      "Set Window Title \"x\"\nTheme 3 With Lanes Values 1\nSet Legend Layer 3 Title \"t\"\n";
  const brevan::Result result = brevan::TranslateBytes(text);
  ASSERT_TRUE(result.ok) << result.message;
  const brevan::Workspace& workspace = result.workspace;
  EXPECT_EQ(StatementsOfModel(workspace), StatementsOfText(text));
  std::string names;
  for (const brevan::Statement& statement : workspace.statements) names += statement.name + "|";
  EXPECT_EQ(names,
            "Browse|Open Table|Create Map Legend|Open Table|Map From|Set Window Title|Theme 3|Set Legend|");
  // Roads_2 was opened, not copied: only the third layer's table is a copy.
  ASSERT_EQ(workspace.tables.size(), 3u);
  EXPECT_EQ(workspace.tables[1].alias, "Roads_2");
  EXPECT_EQ(workspace.tables[1].copyOf, "");
  EXPECT_EQ(workspace.tables[1].origin.statement.line, 4);
  EXPECT_EQ(workspace.tables[2].alias, "Roads_3");
  EXPECT_EQ(workspace.tables[2].copyOf, "Roads");
  EXPECT_EQ(workspace.tables[2].origin.statement.line, 5);
  EXPECT_EQ(workspace.tables[2].origin.clause.column, 26);  // the third table name
  // Layer 3 is still the theme's layer after the theme: the legend went to
  // the theme it made.
  const brevan::Layer& layer = workspace.mapWindows[0].layers[2];
  ASSERT_EQ(layer.themes.size(), 1u);
  EXPECT_EQ(layer.origin.clause.column, 26);
  EXPECT_EQ(layer.themes[0].origin.statement.line, 7);
  ASSERT_TRUE(layer.themes[0].legend);
  EXPECT_EQ(layer.themes[0].legend->origin.statement.line, 8);
  const brevan::Statement& legend = workspace.statements.back();
  ASSERT_EQ(legend.objects.size(), 1u);
  EXPECT_EQ(workspace.ThemeOf(legend.objects[0]), &layer.themes[0]);
}

// What each statement made, also in a text whose errors a check went past:
// the document then holds what did translate.
TEST(WorkspaceModelTest, EachStatementsFragment) {
  brevan::Options check;
  check.check = true;
  check.keepTree = true;
  const brevan::Result result = brevan::TranslateBytes(
      "Open Table \"a.tbl\" As A\nOpen Table \"b.tbl\"\nMap From A, b\nSet Map Zoom 5 Units \"km\"\n"
      "Theme 2 With X Values 1, 2\nTheme 2 With Y Values 3\nSet Legend Layer 2 Title \"t\"\nMap From A\n"
      "Set Map Layer 9 Nodes\nSet Map Center (1, 2)\n",
      check);
  ASSERT_EQ(result.errors.size(), 1u);
  const struct {
    size_t statement;
    std::vector<const char*> parts;  // in order in the fragment
  } cases[] = {
      {0, {"<Table file=\"a.tbl\" alias=\"A\" />"}},
      {1, {"<Table file=\"b.tbl\""}},
      {2, {"<MapWindow", "<Layer name=\"A\"", "<Layer name=\"b\""}},
      {3, {"<MapWindow zoom=\"5\""}},
      {4, {"<ValueTheme", "expr X"}},
      {5, {"<ValueTheme", "expr Y"}},
      {6, {"<Layer name=\"b\"", "expr X", "expr Y", "<TitleText>t</TitleText>"}},
      {7, {"<MapWindow centerX=\"1\""}},  // as the last set-map statement left it
      {8, {"<MapWindow"}},                // failed: what it was setting
  };
  ASSERT_EQ(result.workspace.statements.size(), 10u);
  EXPECT_TRUE(result.workspace.statements[8].failed);
  // No handle into the kept tree outlives a fragment, also when a search
  // stops before the last child.
  const long handles = brevan::LiveNodeHandles();
  for (const auto& c : cases) {
    const std::string fragment = brevan::StatementFragment(result, c.statement);
    size_t at = 0;
    for (const char* part : c.parts) {
      at = fragment.find(part, at);
      ASSERT_NE(at, std::string::npos) << c.statement << " lacks " << part << ":\n" << fragment;
    }
  }
  EXPECT_EQ(brevan::LiveNodeHandles(), handles);
  // A statement over two lines spans to its last token; a fragment is cut at its lines.
  brevan::Options keep;
  keep.keepTree = true;
  const brevan::Result long_ = brevan::TranslateBytes("Map From A,\n  B\n", keep);
  ASSERT_EQ(long_.workspace.statements.size(), 1u);
  EXPECT_EQ(long_.workspace.statements[0].span.endLine, 2);
  EXPECT_EQ(long_.workspace.statements[0].span.endColumn, 4);
  EXPECT_EQ(brevan::StatementFragment(long_, 0, 2), "<MapWindow>\n  <Layers>\n…\n");
  EXPECT_EQ(brevan::StatementFragment(brevan::TranslateBytes("Map From A\n"), 0), "") << "no tree kept";
}

TEST(WorkspaceModelTest, ASavedDocumentReadsAsItsTranslation) {
  EXPECT_FALSE(brevan::ReadWorkspace("<Workspace><Tables>").has_value());
  const brevan::Result result = brevan::TranslateFile(ExamplePath("workspace").string());
  const std::optional<brevan::Workspace> saved = brevan::ReadWorkspace(result.xml);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(saved->statements.empty());
  brevan::Workspace translated = result.workspace;
  translated.statements.clear();
  // Only the translation knows where the tables came from, and which are copies.
  const auto withoutOrigins = [](std::string summary) {
    for (const char* what : {" at ", " copy of "})
      for (size_t at; (at = summary.find(what)) != std::string::npos;)
        summary.erase(at, summary.find_first_of(" \n", at + std::strlen(what)) - at);
    return summary;
  };
  EXPECT_EQ(withoutOrigins(Summary(*saved)), withoutOrigins(Summary(translated)));
}

}  // namespace
