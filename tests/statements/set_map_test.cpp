#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using SetMapTest = TranslatorTest;

constexpr const wchar_t* kWindow = L"Map From a, b\n";

// The attributes that the statement writes on the map window, as XML.
std::string WindowOf(const Translation& result) {
  const std::string open = "<MapWindows><MapWindow", close = "><Layers>";
  const size_t start = result.xml.find(open);
  if (start == std::string::npos) return result.xml;
  return result.xml.substr(start + open.size(), result.xml.find(close) - start - open.size());
}

struct ClauseCase {
  const char* name;
  const wchar_t* clauses;
  short version;
  const char* attributes;
};

TEST_F(SetMapTest, Clauses) {
  const ClauseCase cases[] = {
      {"none", L"", 300, ""},
      {"center, old integers", L"Center (2000000, 3000000)", 199, " centerX=\"-2\" centerY=\"3\""},
      {"center, doubles", L"Center (2, 3.5) Smart Redraw", 200,
       " centerX=\"2\" centerY=\"3.5\" SmartRedraw=\"1\""},
      {"zoom with units", L"Zoom 12.5 Units \"mi\"", 300, " zoom=\"12.5\" zoomUnits=\"mi\""},
      {"zoom without units", L"Zoom 4", 300, " zoom=\"4\" zoomUnits=\"\""},
      {"zoom entire layer", L"Zoom Entire Layer 2", 300, " zoomLayer=\"2\""},
      {"zoom entire alone writes nothing", L"Zoom Entire", 300, ""},
      {"display", L"Display Position Preserve Zoom", 300, " display=\"Location\" preserve=\"Zoom\""},
      {"display of something else", L"Display Redraw", 300, " redraw=\"1\""},
      {"order", L"Order 3, 1, 2", 300, " layerOrder=\"3,1,2\""},
      {"coordinates", L"Coordinates Units \"m\"", 300, " coordinateUnits=\"m\""},
      {"area", L"Area Units \"sq mi\" Display Projected Off", 300, " areaUnits=\"sq mi\" areaFlat=\"1\""},
      {"area projected by default", L"Area Units \"ha\" Display Projected", 300,
       " areaUnits=\"ha\" areaFlat=\"0\""},
      {"area, old form", L"Area \"ha\"", 199, " areaUnits=\"ha\""},
      {"pan", L"Pan 3 Units \"km\" East Smart Redraw", 300,
       " pan=\"3\" panUnits=\"km\" panDirection=\"East\" panRedraw=\"1\""},
      {"scale with units", L"Scale 1 Units \"in\" 24000 Units \"ft\"", 300,
       " scaleFrom=\"1\" scaleFromUnits=\"in\" scaleTo=\"24000\" scaleToUnits=\"ft\""},
      {"scale second units repeat the first", L"Scale 1 Units \"cm\" 500", 300,
       " scaleFrom=\"1\" scaleFromUnits=\"cm\" scaleTo=\"500\" scaleToUnits=\"cm\""},
      {"scale before 200", L"Scale 1 2 \"mi\"", 199,
       " scaleFrom=\"1\" scaleFromUnits=\"inches\" scaleTo=\"2\" scaleToUnits=\"mi\""},
      {"distance type", L"Distance Type Cartesian", 300, " distanceType=\"Cartesian\""},
      {"distance units", L"Distance Units \"km\"", 300, " distanceUnits=\"km\""},
      {"redraw off", L"Redraw Off", 300, " redraw=\"0\""},
      {"redraw on", L"Redraw On", 300, " redraw=\"1\""},
      {"redraw, other token left", L"Redraw Zoom 2", 300, " redraw=\"1\" zoom=\"2\" zoomUnits=\"\""},
      {"clip and limit write nothing", L"Clip Auto Limit Zoom 5", 300, ""},
      {"repeated clause overwrites", L"Zoom 1 Zoom 2 Units \"m\"", 300, " zoom=\"2\" zoomUnits=\"m\""},
  };
  for (const ClauseCase& c : cases) {
    const Translation result = Translate(std::wstring(kWindow) + L"Set Map " + c.clauses, c.version);
    EXPECT_TRUE(result.ok) << c.name << ": error " << result.error;
    EXPECT_EQ(WindowOf(result), c.attributes) << c.name;
  }
}

TEST_F(SetMapTest, TargetsTheLastMapWindow) {
  const Translation result = Translate(L"Map From a\nMap From b\nSet Map Zoom 3");
  ASSERT_TRUE(result.ok);
  EXPECT_NE(result.xml.find("<MapWindow zoom=\"3\" zoomUnits=\"\"><Layers><Layer name=\"b\""),
            std::string::npos);
  EXPECT_NE(result.xml.find("<MapWindow><Layers><Layer name=\"a\""), std::string::npos);
}

struct ErrorCase {
  const char* name;
  const wchar_t* clauses;
  short version;
  int error;
  const wchar_t* argument;
};

TEST_F(SetMapTest, Errors) {
  const ErrorCase cases[] = {
      {"coordinates missing", L"Center 1, 2", 300, 6, L""},
      {"old coordinates must be whole", L"Center (1.5, 2)", 199, 6, L""},
      {"smart without redraw", L"Center (1, 2) Smart Zoom", 300, 4, L"Zoom"},
      {"pan direction", L"Pan 2 Up", 300, 7, L"Up"},
      {"distance without type or units", L"Distance 5", 300, 9, L""},
      {"area without units", L"Area 5", 300, 4, L"Units"},
      {"area display without projected", L"Area Units \"m\" Display On", 300, 4, L"On"},
      {"zoom without number", L"Zoom Units \"m\"", 300, 10, L""},
      {"scale second number missing", L"Scale 1 Units \"m\" x", 300, 10, L""},
      {"limit without number", L"Limit Zoom", 300, 10, L""},
      {"limit without zoom", L"Limit 5", 300, 4, L"5"},
      {"clip without auto", L"Clip On", 300, 4, L"On"},
      {"distance type neither", L"Distance Type Flat", 300, 16, L""},
      {"units string missing", L"Coordinates Units 5", 300, 14, L""},
      {"old scale requires units after the second", L"Scale 1 2", 199, 14, L""},
      {"zoom layer identifier", L"Zoom Entire Layer Ranges", 299, 15, L""},
      {"zoom layer value", L"Zoom Entire Layer Ranges", 300, 24, L""},
  };
  for (const ErrorCase& c : cases) {
    ExpectFailure(Translate(std::wstring(kWindow) + L"Set Map " + c.clauses, c.version), c.error, c.argument,
                  c.name);
  }
}

TEST_F(SetMapTest, EarlierClausesStayWhenALaterOneFails) {
  const Translation result = Translate(std::wstring(kWindow) + L"Set Map Zoom 2 Pan 1 Sideways");
  EXPECT_EQ(result.error, 7);
  EXPECT_EQ(WindowOf(result), " zoom=\"2\" zoomUnits=\"\" pan=\"1\" panUnits=\"\"");
}

TEST_F(SetMapTest, BeforeAnyMapWindowIsAClearError) {
  const Translation result = Translate(L"Set Map Zoom 2");
  EXPECT_EQ(result.error, 26);
  EXPECT_EQ(result.argument, L"MapWindow");
}

}  // namespace
}  // namespace brevan::test
