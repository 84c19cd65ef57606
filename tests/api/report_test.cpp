// Report pages as text: whatever the workspace holds, the page stays one
// well-formed, script-free document whose every text is escaped, and each
// kind of theme gets its legend preview.
#include "brevan/report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using brevan::RenderHtml;

bool Has(const std::string& page, const std::string& text) { return page.find(text) != std::string::npos; }

TEST(ReportTest, HostileTextIsEscapedEverywhere) {
  // A layer, a label, a legend row and a title all carrying markup.
  const brevan::Result result = brevan::TranslateBytes(
      "Open Table \"t.tbl\" As `<b>x</b>`\n"
      "Map From `<b>x</b>`\n"
      "Set Map Layer 1 Label With \"</code><script>alert(1)</script>\"\n"
      "Theme 1 With X Ranges 0 : 1 Brush (2, 255) Else Brush (2, 0)\n"
      "Set Legend Layer 1 Title \"<img src=x onerror=alert(2)>\" Ranges \"a\", \"\"\"'&<i>\"\n");
  ASSERT_TRUE(result.ok) << result.message;
  const std::string page = RenderHtml(result, "<name>.bws");
  EXPECT_FALSE(Has(page, "<script")) << page;
  EXPECT_FALSE(Has(page, "<img"));
  EXPECT_FALSE(Has(page, "<b>"));
  EXPECT_FALSE(Has(page, "<i>"));
  EXPECT_TRUE(Has(page, "&lt;name&gt;.bws"));
  EXPECT_TRUE(Has(page, "&lt;script&gt;alert(1)&lt;/script&gt;"));
  EXPECT_TRUE(Has(page, "&quot;&#39;&amp;&lt;i&gt;"));
}

// Control characters of a source line are shown by their code; remarks are
// listed apart, folded.
TEST(ReportTest, ControlCharactersAreShownAndRemarksListed) {
  const brevan::Result result =
      brevan::TranslateBytes("Map From a\nSet Map Clip Auto Zoom \x1b[2J \xC2\x9B 5\n");
  const std::string page = RenderHtml(result, "esc\x07.bws");
  EXPECT_FALSE(Has(page, "\x1b"));
  EXPECT_FALSE(Has(page, "\x07"));
  EXPECT_FALSE(Has(page, "\xC2\x9B"));
  EXPECT_TRUE(Has(page, "Zoom \\x1b[2J \\u009b 5</pre>")) << page;
  EXPECT_TRUE(Has(page, "esc\\x07.bws"));
  EXPECT_TRUE(Has(page, "<details><summary>1 remark: what the workspace says"));
  EXPECT_TRUE(Has(page, "this clause is read and not written to the document"));
  EXPECT_TRUE(Has(page, "<dt>encoding</dt><dd>UTF-8</dd>"));
}

TEST(ReportTest, OnlyWellFormedColoursReachTheDrawing) {
  // A document written by hand: colours that are not rgb(r,g,b) within range are not drawn.
  std::string xml =
      "<Workspace><MapWindows><MapWindow><Layers><Layer name='L'><Themes><RangeTheme><RangeItems>";
  for (const char* colour : {"rgb(1,2,3)&quot; onload=&quot;x", "rgb(300,0,0)", "rgb(0,128,255)"})
    xml +=
        std::string("<RangeItem><Styles><BrushStyle><Patterns><Reference fillPattern='brush2'/></Patterns>") +
        "<Graphics><Paint><Drawing foreground='" + colour +
        "'/></Paint></Graphics></BrushStyle></Styles></RangeItem>";
  const std::string page = RenderHtml(
      xml + "</RangeItems></RangeTheme></Themes></Layer></Layers></MapWindow></MapWindows></Workspace>",
      "hand.xml");
  EXPECT_FALSE(Has(page, "onload"));
  EXPECT_FALSE(Has(page, "rgb(300"));
  EXPECT_TRUE(Has(page, "fill=\"rgb(0,128,255)\""));
  EXPECT_TRUE(Has(page, "(hollow)"));  // the two refused colours: no fill
}

TEST(ReportTest, EachThemeKindGetsItsPreview) {
  const struct {
    const char* theme;
    const char* kind;
    const char* drawn;  // what its preview must contain
  } cases[] = {
      {"Theme 1 With X Ranges 0 : 1 Brush (5, 255, 65280)", "range", "<pattern"},
      {"Theme 1 With X Values \"a\" Pen (3, 3, 255)", "value", "class=\"pen\""},
      {"Theme 1 With X Values \"a\" Symbol (35, 255, 12)", "value", "<polygon class=\"symbol\""},
      {"Theme 1 With A, B Pie Each Brush (2, 255) Brush (2, 65280)", "pie", "pie chart of 2 parts"},
      {"Theme 1 With A, B Stacked Bars Each Brush (2, 255), Brush (2, 65280)", "bar",
       "stacked bar chart of 2 bars"},
      {"Theme 1 With X Graduated 0 : 2 100 : 20 Symbol (34, 255, 24)", "graduated", "large: "},
      {"Theme 1 With X Single 1 : 12 Color 255", "single-symbol", "class=\"symbol\""},
  };
  for (const auto& c : cases) {
    const brevan::Result result =
        brevan::TranslateBytes(std::string("Open Table \"t\" As T\nMap From T\n") + c.theme + "\n");
    ASSERT_TRUE(result.ok) << c.theme << ": " << result.message;
    const std::string page = RenderHtml(result, "t");
    EXPECT_TRUE(Has(page, std::string("data-kind=\"") + c.kind + "\"")) << c.theme;
    EXPECT_TRUE(Has(page, c.drawn)) << c.theme;
  }
}

TEST(ReportTest, WhatCannotBeReadStillMakesAPage) {
  const std::string unread = RenderHtml(brevan::TranslateBytes("\xff\xfe\x01"), "bad.bws");
  EXPECT_TRUE(Has(unread, "</html>"));
  EXPECT_TRUE(Has(unread, "class=\"status failed\""));
  const std::string saved = RenderHtml("<Workspace><unclosed", "bad.xml");
  EXPECT_TRUE(Has(saved, "</html>"));
  EXPECT_TRUE(Has(saved, "could not be read"));
}

TEST(ReportTest, TheIndexGroupsFoldersAndMarksWhatEachFilterPicks) {
  const auto facts = [](std::string_view text) {
    const brevan::Result result = brevan::TranslateBytes(text);
    return brevan::FactsOf(result, !result.ok);
  };
  std::vector<brevan::IndexEntry> entries = {
      {"a.bws", "north", "north/a.html", "north/a.xml", "../in/a.bws", false, facts("Map From t\n")},
      {"b&.bws", "north", "", "", "b&.bws", false, facts("Map t\n")},
      {"c.bws", "south", "south/c.html", "", "", true, facts("Map From t\nSet Map Display Off\n")}};
  entries[2].facts.missingTables = 1;
  const std::string index = brevan::RenderHtmlIndex(entries, "Batch");
  EXPECT_TRUE(
      Has(index,
          "<section class=\"group has-failed\"><h2 class=\"folder\">north <span class=\"where\">2 files · "
          "1 failed</span></h2>"));
  EXPECT_TRUE(Has(index,
                  "<tr class=\"ok\"><td><a href=\"north/a.html\">a.bws</a></td><td data-v=\"2\"><span "
                  "class=\"status ok\">Translated</span></td><td class=\"num\">1</td>"));
  EXPECT_TRUE(Has(index, "<a href=\"north/a.xml\">XML</a> · <a href=\"../in/a.bws\">source</a>"));
  EXPECT_TRUE(
      Has(index, "<tr class=\"failed\"><td>b&amp;.bws</td><td data-v=\"0\"><span class=\"status failed\">"));
  EXPECT_TRUE(Has(index, "Expecting token"));
  EXPECT_TRUE(Has(index, "<section class=\"group has-warned has-missing\">"));
  EXPECT_TRUE(Has(index, "<tr class=\"warned missing\">"));
  EXPECT_TRUE(Has(index, "Translated with warnings</span> <span class=\"where\">unchanged</span>"));
  for (const char* filter : {"All (3)", "Failed (1)", "With warnings (1)", "Missing tables (1)"})
    EXPECT_TRUE(Has(index, filter)) << filter;
}

}  // namespace
