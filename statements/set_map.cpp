// The set-map statement: view settings of the last map window.
#include "translator/literal_names.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// Literal name of the one attribute that is not a tag.
using literal_names::kSmartRedraw;

// Older workspaces store the centre as millionths, the first value negated.
constexpr double kOldCoordinateScale = 1000000.0;

// The last map-window element. A set-map statement before any map window
// has nothing to set: error 26 naming the map-window tag.
NodeHandle LastMapWindow(BrevanTranslator& t) {
  if (t.mapWindows) {
    const ListHandle children = t.ChildNodes(*t.mapWindows);
    QdXmlNode* window = nullptr;
    if (children && children->GetCount() > 0 && children->GetItem(children->GetCount() - 1, &window))
      return NodeHandle(window);
  }
  // Set Map itself is the culprit: there is no window to set.
  t.RaiseAt({t.statementStart, t.cmd->Position()}, Error::NodeNotFound, t.Name(Tag::MapWindow),
            Note::NoMapWindow);
}

// smart := [ Smart Redraw ]
bool ReadSmartRedraw(BrevanTranslator& t) {
  if (!t.Accept(Keyword::Smart)) return false;
  t.ExpectToken(Keyword::Redraw);
  return true;
}

// center := Center (x, y) [ smart ]
void ReadCenter(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  double x = 0, y = 0;
  if (t.version.CentresInMillionths()) {
    int32_t a = 0, b = 0;
    if (!CmdParseLongCoord(t.cmd, a, b)) t.Raise(Error::ExpectingCoordinates);
    x = a / -kOldCoordinateScale;
    y = b / kOldCoordinateScale;
  } else if (!CmdParseDoubleCoord(t.cmd, x, y)) {
    t.Raise(Error::ExpectingCoordinates);
  }
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::CenterX), x);
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::CenterY), y);
  if (ReadSmartRedraw(t)) t.SetNumberAttributeOrThrow(window, kSmartRedraw, 1.0);
}

// distance := number [ units ]
void ParseDistance(BrevanTranslator& t, double& number, std::wstring& units) {
  number = t.ReadDouble();
  t.ParseUnits(units);
}

// zoom := Zoom ( Entire [ Layer layer-id ] | distance )
void ReadZoom(BrevanTranslator& t, QdXmlNode& window) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  if (t.Accept(Keyword::Entire)) {
    if (!t.Accept(Keyword::Layer)) return t.Unwritten(Remark::ClauseNotWritten, t.Since(first));
    std::wstring layer;
    t.ReadLayerIdentifier(layer);
    t.SetAttributeOrThrow(window, t.Name(Tag::ZoomLayer), layer);
    return;
  }
  double zoom = 0;
  std::wstring units;
  ParseDistance(t, zoom, units);
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::Zoom), zoom);
  t.SetAttributeOrThrow(window, t.Name(Tag::ZoomUnits), units);
}

// display := Display ( Scale | Zoom | Position )
void ReadDisplay(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  const wchar_t* shown = t.IsToken(Keyword::Scale)      ? L"Scale"
                         : t.IsToken(Keyword::Zoom)     ? L"Zoom"
                         : t.IsToken(Keyword::Position) ? L"Location"
                                                        : nullptr;
  if (shown == nullptr) return;
  t.NextToken();
  t.SetAttributeOrThrow(window, t.Name(Tag::Display), shown);
}

// preserve := Preserve ( Scale | Zoom )
void ReadPreserve(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  const wchar_t* kept = t.IsToken(Keyword::Scale) ? L"Scale" : t.IsToken(Keyword::Zoom) ? L"Zoom" : nullptr;
  if (kept == nullptr) return;
  t.NextToken();
  t.SetAttributeOrThrow(window, t.Name(Tag::Preserve), kept);
}

// order := Order layer-id { , layer-id }
void ReadOrder(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  std::wstring order;
  for (;;) {
    std::wstring layer;
    t.ReadLayerIdentifier(layer);
    order += layer;
    if (!t.Accept(Keyword::Comma)) break;
    order += L",";
  }
  t.SetAttributeOrThrow(window, t.Name(Tag::LayerOrder), order);
}

// area := Area units [ Display Projected [ On | Off ] ]
void ReadArea(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  if (!t.IsTokenClass(Keyword::Units)) t.Raise(Error::ExpectingToken, t.KeywordText(Keyword::Units));
  std::wstring units;
  t.ParseUnits(units);
  t.SetAttributeOrThrow(window, t.Name(Tag::AreaUnits), units);
  if (!t.Accept(Keyword::Display)) return;
  t.ExpectToken(Keyword::Projected);
  const bool projected = t.ParseOnOff(true);
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::AreaFlat), projected ? 0.0 : 1.0);
}

// pan := Pan distance ( North | South | East | West ) [ smart ]
void ReadPan(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  double pan = 0;
  std::wstring units;
  ParseDistance(t, pan, units);
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::Pan), pan);
  t.SetAttributeOrThrow(window, t.Name(Tag::PanUnits), units);
  const wchar_t* direction = t.IsToken(Keyword::North)   ? L"North"
                             : t.IsToken(Keyword::South) ? L"South"
                             : t.IsToken(Keyword::East)  ? L"East"
                             : t.IsToken(Keyword::West)  ? L"West"
                                                         : nullptr;
  if (direction == nullptr) t.Raise(Error::InvalidPanningDirection, t.cmd->TokenText());
  t.SetAttributeOrThrow(window, t.Name(Tag::PanDirection), direction);
  t.NextToken();
  if (ReadSmartRedraw(t)) t.SetNumberAttributeOrThrow(window, t.Name(Tag::PanRedraw), 1.0);
}

// scale-distance := number [ units ]  — units only from version 200; before, inches
void ParseScaleDistance(BrevanTranslator& t, double& number, std::wstring& units) {
  units = L"inches";
  number = t.ReadDouble();
  if (t.version.UnitsFollowKeyword()) t.ParseUnits(units);
}

// scale := Scale number [ units ] number [ units ]
void ReadScale(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  double from = 0, to = 0;
  std::wstring units;
  ParseScaleDistance(t, from, units);
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::ScaleFrom), from);
  t.SetAttributeOrThrow(window, t.Name(Tag::ScaleFromUnits), units);
  ParseDistance(t, to, units);
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::ScaleTo), to);
  t.SetAttributeOrThrow(window, t.Name(Tag::ScaleToUnits), units);
}

// distance-type := Type ( Spherical | Cartesian )
void ParseDistanceType(BrevanTranslator& t, std::wstring& type) {
  if (!t.Accept(Keyword::Type)) return;
  if (t.IsToken(Keyword::Spherical)) {
    type = L"Spherical";
  } else if (t.IsToken(Keyword::Cartesian)) {
    type = L"Cartesian";
  } else {
    t.Raise(Error::ExpectingDistanceType);
  }
  t.NextToken();
}

// distance := Distance ( Type ( Spherical | Cartesian ) | units )
void ReadDistance(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  if (t.IsToken(Keyword::Type)) {
    std::wstring type;
    ParseDistanceType(t, type);
    t.SetAttributeOrThrow(window, t.Name(Tag::DistanceType), type);
    return;
  }
  if (!t.IsTokenClass(Keyword::Units)) t.Raise(Error::ExpectingDistanceUnits);
  std::wstring units;
  t.ParseUnits(units);
  t.SetAttributeOrThrow(window, t.Name(Tag::DistanceUnits), units);
}

// coordinates := Coordinates units
void ReadCoordinates(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  std::wstring units;
  t.ParseUnits(units);
  t.SetAttributeOrThrow(window, t.Name(Tag::CoordinateUnits), units);
}

// redraw := Redraw [ On | Off ]
void ReadRedraw(BrevanTranslator& t, QdXmlNode& window) {
  t.NextToken();
  t.SetNumberAttributeOrThrow(window, t.Name(Tag::Redraw), t.ParseOnOff(true) ? 1.0 : 0.0);
}

// clip := Clip Auto — read, not written
void ReadClip(BrevanTranslator& t) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  t.ExpectToken(Keyword::Auto);
  t.Unwritten(Remark::ClauseNotWritten, t.Since(first));
}

// limit := Limit Zoom number — read, not written
void ReadLimit(BrevanTranslator& t) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  t.ExpectToken(Keyword::Zoom);
  const TokenSpan keywords = t.Since(first);
  const size_t number = t.cmd->Position();
  t.ReadDouble();
  t.Unwritten(Remark::NumberNotWritten, t.Since(number), t.Written(keywords));
}

// Reads the clause that the current keyword opens; false when it opens none.
bool ReadClause(BrevanTranslator& t, QdXmlNode& window) {
  switch (t.TokenId()) {
    case Keyword::Layer:
      t.TranslateLayerSettings();
      break;
    case Keyword::Center:
      ReadCenter(t, window);
      break;
    case Keyword::Zoom:
      ReadZoom(t, window);
      break;
    case Keyword::Display:
      ReadDisplay(t, window);
      break;
    case Keyword::Preserve:
      ReadPreserve(t, window);
      break;
    case Keyword::Order:
      ReadOrder(t, window);
      break;
    case Keyword::Coordinates:
      ReadCoordinates(t, window);
      break;
    case Keyword::Area:
      ReadArea(t, window);
      break;
    case Keyword::Pan:
      ReadPan(t, window);
      break;
    case Keyword::Scale:
      ReadScale(t, window);
      break;
    case Keyword::Distance:
      ReadDistance(t, window);
      break;
    case Keyword::Redraw:
      ReadRedraw(t, window);
      break;
    case Keyword::Clip:
      ReadClip(t);
      break;
    case Keyword::Limit:
      ReadLimit(t);
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace

// set-map := Set Map { center | zoom | layer-clause | display | preserve | order
//                    | Coordinates units | area | pan | scale | distance
//                    | Redraw [ On | Off ] | Clip Auto | Limit Zoom number }
void BrevanTranslator::TranslateSetMap() {
  const NodeHandle window = LastMapWindow(*this);
  ObjectPlace place;
  place.window = windowsMade - 1;
  Made(DocumentObject::MapWindow, place, Here());
  NextToken();
  while (ReadClause(*this, *window)) RaisePendingHostError();
}

}  // namespace brevan
