// The read model against the documents of every example: each is summed
// up line by line from the model, and the summary must be what the
// workspace says.
#include <gtest/gtest.h>

#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>

#include "brevan/workspace.h"
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
    if (table.line > 0) out << " at " << table.line << ":" << table.column;
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
        out << "  theme " << static_cast<int>(theme.kind);
        for (const std::string& expression : theme.expressions) out << " by " << expression;
        if (!theme.applyTo.empty()) out << " apply " << theme.applyTo;
        if (!theme.method.empty()) out << " " << theme.method;
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

brevan::Workspace Example(const std::string& name) {
  const brevan::Result result =
      brevan::TranslateFile((fs::path(BREVAN_SOURCE_DIR) / "examples" / (name + ".bws")).string());
  EXPECT_TRUE(result.ok) << result.message;
  return brevan::ReadWorkspace(result);
}

TEST(WorkspaceModelTest, EveryExampleAsItsWorkspaceSaysIt) {
  const std::map<std::string, std::string> expected = {
      {"workspace",
       "table Counties data/counties.tbl at 5:12 locked\n"
       "table Roads data/roads.tbl at 6:12 codepage 1252\n"
       "table Roads_2 data/roads.tbl_2 copy of Roads\n"
       "window centre -1.5,52.25 zoom 40km Spherical width 6.5in\n"
       " layer 1 Counties label Name+\" (\"+Population+\")\"\n"
       "  theme 0 by Population apply all\n"
       "   item 0:10000 brush2 rgb(255,255,128) row 'Under 10,000'\n"
       "   item 10000:100000 brush2 rgb(255,128,0) row '10,000 to 100,000'\n"
       "   item 100000:1000000 brush2 rgb(192,0,0) row 'Over 100,000'\n"
       "   item else brush2 rgb(192,192,192) row 'No data'\n"
       "   legend title 'Population' font Serif 11pt bold counts 1\n"
       " layer 2 Roads\n"
       " layer 3 Roads_2\n"},
      {"bar_chart",
       "table Districts farm/districts.tbl at 4:12\n"
       "window\n"
       " layer 1 Districts\n"
       "  theme 2 by Wheat by Barley by Maize proportional reference 60000 size 0.75inches\n"
       "   item :Wheat brush2 rgb(255,223,0) row 'Wheat'\n"
       "   item :Barley brush2 rgb(204,204,0) row 'Barley'\n"
       "   item :Maize brush2 rgb(255,153,0) row 'Maize'\n"
       "   legend title 'Crops'\n"},
      {"graduated",
       "table Cities world/cities.tbl at 4:12\n"
       "window\n"
       " layer 1 Cities\n"
       "  theme 4 by Population constant reference 5000000 size 0.5inches\n"
       "   symbol34 rgb(255,0,0) row '10 million' row '5 million' row '1 million'\n"
       "   symbol34 rgb(0,0,255) row '-10 million' row '-5 million' row '-1 million'\n"
       "   legend title 'Population'\n"},
      {"map_windows",
       "table Coast base/coast.tbl at 5:12\n"
       "table Rivers base/rivers.tbl at 6:12 locked\n"
       "table Towns base/towns.tbl at 7:12\n"
       "table Markets base/towns.tbl_2 at 8:12\n"
       "table Towns_2 base/towns.tbl_3 copy of Towns\n"
       "table Rivers_2 base/rivers.tbl_2 copy of Rivers\n"
       "table Rivers_3 base/rivers.tbl_3 copy of Rivers\n"
       "window width 5in\n"
       " layer 1 Coast\n"
       " layer 2 Rivers\n"
       " layer 3 Towns\n"
       " layer 4 Towns_2\n"
       "window width 3in\n"
       " layer 1 Towns\n"
       " layer 2 Coast\n"
       "window width 10\n"
       " layer 1 Rivers\n"
       " layer 2 Rivers_2\n"
       " layer 3 Rivers_3\n"},
      {"pie_chart",
       "table Wards transport/wards.tbl at 4:12\n"
       "window\n"
       " layer 1 Wards\n"
       "  theme 3 by Car by Bus by Rail by Bicycle proportional reference 20000 size 1.2centimeters\n"
       "   item :Car brush2 rgb(191,191,191) row 'Car'\n"
       "   item :Bus brush2 rgb(255,128,0) row 'Bus'\n"
       "   item :Rail brush2 rgb(0,0,255) row '' hidden\n"
       "   item :Bicycle brush2 rgb(0,255,0) row 'Bicycle'\n"
       "   legend title 'How people commute'\n"},
      {"range_theme",
       "table Counties census/counties.tbl at 4:12\n"
       "window width 8\n"
       " layer 1 Counties\n"
       "  theme 0 by Median_Income apply color\n"
       "   item 0:35000 border rgb(192,192,192) brush2 rgb(255,224,224) row 'Under 35,000'\n"
       "   item 35000:50000 brush2 rgb(255,160,128) row '35,000 to 50,000'\n"
       "   item 50000:75000 brush2 rgb(224,64,0) row '50,000 to 75,000'\n"
       "   item 75000:250000 brush2 rgb(160,0,0) font Sans 8pt bold row 'Over 75,000'\n"
       "   item else brush2 rgb(224,224,224) row 'No data'\n"
       "   legend title 'Median household income' font Serif 12pt bold counts 1\n"},
      {"set_map",
       "table Highways roads/highways.tbl at 5:12\n"
       "table Junctions roads/junctions.tbl at 6:12\n"
       "window centre 4.35,50.85 zoom 25km scale 1cm:500m Spherical\n"
       " layer 1 Highways label Name+\" \"+Number\n"
       " layer 2 Junctions\n"},
      {"single_symbol",
       "table Hospitals health/hospitals.tbl at 4:12\n"
       "window\n"
       " layer 1 Hospitals\n"
       "  theme 5 by Beds\n"
       "   row 'Hospital'\n"
       "   row 'Field hospital' hidden\n"
       "   legend title 'Hospitals'\n"},
      {"value_theme",
       "table Parcels city/parcels.tbl at 4:12\n"
       "window\n"
       " layer 1 Parcels\n"
       "  theme 1 by Zoning by Subzone apply all\n"
       "   item :R1 border rgb(128,128,128) brush2 rgb(255,255,204) row 'Single family'\n"
       "   item :R2 brush2 rgb(255,238,170) row 'Multi family'\n"
       "   item :C brush2 rgb(255,128,128) symbol35 rgb(255,0,0) 10pt row 'Commercial'\n"
       "   item :I brush3 rgb(128,128,255) row 'Industrial'\n"
       "   item else brush1 rgb(0,0,0) row 'Unzoned'\n"
       "   legend title 'Zoning'\n"},
      {"version_199",
       "table Parishes old/parishes.tbl at 6:12\n"
       "table Parishes_2 old/parishes.tbl_2 copy of Parishes\n"
       "window centre -1.25,52.5 zoom 30mi scale 1inches:25000in width 6in\n"
       " layer 1 Parishes\n"
       "  theme 0 by Area_Acres\n"
       "   item 0:1000 brush2 rgb(0,255,0) row 'Small'\n"
       "   item 1000:5000 brush2 rgb(0,128,0) row 'Large'\n"
       "   item else brush1 rgb(0,0,0) row 'Other'\n"
       "   legend title 'Acres'\n"
       " layer 2 Parishes_2 label Name\n"},
      {"version_250",
       "table Lakes mid/lakes.tbl at 5:12\n"
       "window centre -93.3,44.9 zoom 120km scale 1in:100000in width 7\n"
       " layer 1 Lakes label Name\n"
       "  theme 1 by Depth apply color\n"
       "   item :10 brush2 rgb(204,255,255) row 'Shallow'\n"
       "   item :20 brush2 rgb(102,204,255) row 'Deep'\n"
       "   item else brush2 rgb(0,0,255) row 'Unknown'\n"
       "   legend\n"},
  };
  for (const auto& [name, summary] : expected) EXPECT_EQ(Summary(Example(name)), summary) << name;
}

// What each statement made, found through its mark, also in a text whose
// errors a check went past: the document then holds what did translate.
TEST(WorkspaceModelTest, EachStatementsFragment) {
  brevan::Options check;
  check.check = true;
  check.keepDocument = true;
  const brevan::Result result = brevan::TranslateBytes(
      "Open Table \"a.tbl\" As A\nOpen Table \"b.tbl\"\nMap From A, b\nSet Map Zoom 5 Units \"km\"\n"
      "Theme 2 With X Values 1, 2\nTheme 2 With Y Values 3\nSet Legend Layer 2 Title \"t\"\nMap From A\n"
      "Set Map Layer 9 Nodes\nSet Map Center (1, 2)\n",
      check);
  ASSERT_EQ(result.errors.size(), 1u);
  const struct {
    const char* statement;           // its first words
    int occurrence;                  // the first, second … of those
    std::vector<const char*> parts;  // in order in the fragment
  } cases[] = {
      {"Open Table", 1, {"<Table file=\"a.tbl\" alias=\"A\" />"}},
      {"Open Table", 2, {"<Table file=\"b.tbl\""}},
      {"Map From", 1, {"<MapWindow", "<Layer name=\"A\"", "<Layer name=\"b\""}},
      {"Set Map", 1, {"<MapWindow zoom=\"5\""}},
      {"Theme 2", 1, {"<ValueTheme", "expr X"}},
      {"Theme 2", 2, {"<ValueTheme", "expr Y"}},
      {"Set Legend", 1, {"<Layer name=\"b\"", "expr X", "expr Y", "<TitleText>t</TitleText>"}},
      {"Map From",
       2,
       {"<MapWindow centerX=\"1\""}},  // the failed set-map left no mark; the next set this window
  };
  for (const auto& c : cases) {
    size_t index = 0;
    for (int seen = 0; index < result.marks.size(); ++index)
      if (result.marks[index].kind == brevan::Mark::Kind::Statement &&
          result.marks[index].name == c.statement && ++seen == c.occurrence)
        break;
    ASSERT_LT(index, result.marks.size()) << c.statement;
    const std::string fragment = brevan::StatementFragment(result, index);
    size_t at = 0;
    for (const char* part : c.parts) {
      at = fragment.find(part, at);
      ASSERT_NE(at, std::string::npos) << c.statement << " " << c.occurrence << " lacks " << part << ":\n"
                                       << fragment;
    }
  }
  // A statement over two lines is marked to its last token; a fragment is cut at its lines.
  const brevan::Result long_ = brevan::TranslateBytes("Map From A,\n  B\n");
  ASSERT_FALSE(long_.marks.empty());
  EXPECT_EQ(long_.marks.back().lastLine, 2);
  EXPECT_EQ(long_.marks.back().lastEndColumn, 4);
  EXPECT_EQ(brevan::StatementFragment(long_, long_.marks.size() - 1, 2), "<MapWindow>\n  <Layers>\n…\n");
}

TEST(WorkspaceModelTest, NothingFromWhatIsNoDocument) {
  EXPECT_FALSE(brevan::ReadWorkspace("<Workspace><Tables>").has_value());
  EXPECT_TRUE(brevan::ReadWorkspace(brevan::Result()).tables.empty());
}

}  // namespace
