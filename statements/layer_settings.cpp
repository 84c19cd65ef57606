// The layer clause of the set-map statement. Most sub-clauses are read and
// checked but write nothing; reading them whole keeps the statement in step.
#include "host/style.h"
#include "host/text.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

struct ReleaseSettings {
  void operator()(Veltra::cToolSettings* settings) const { settings->Release(); }
};

// style-run read into fresh tool settings, which are then given back.
void ReadStyleRun(BrevanTranslator& t) {
  const std::unique_ptr<Veltra::cToolSettings, ReleaseSettings> settings(Veltra::cToolSettings::Create(0));
  if (!settings) throw std::bad_alloc();
  t.ParseStyleClauses(*settings);
}

// The layer's child named by tag, found or added; null without a layer.
NodeHandle ChildOf(BrevanTranslator& t, const NodeHandle& layer, Tag tag) {
  return layer ? t.FindOrAddChild(*layer, tag) : NodeHandle();
}

// A 16-bit integer argument, read for its place.
void SkipShort(BrevanTranslator& t) {
  int16_t value = 0;
  if (!CmdParseShort(t.cmd, value)) t.Raise(Error::ExpectingInteger);
}

// extra := Extra { On { Lines | Points } | Filter expression | Option token [ On | Off ] }
void ReadExtra(BrevanTranslator& t) {
  for (;;) {
    if (t.Accept(Keyword::On)) {
      while (t.AcceptAny({Keyword::Lines, Keyword::Points})) {
      }
    } else if (t.Accept(Keyword::Filter)) {
      t.ReadExpressionText();
    } else if (t.Accept(Keyword::Option)) {
      t.NextToken();
      t.ParseOnOff(false);
    } else {
      return;
    }
  }
}

// Steps over a numeric constant when one stands at the cursor.
void SkipOptionalNumber(BrevanTranslator& t) {
  if (t.IsTokenClass(kNumericConstant)) t.NextToken();
}

// offset := Offset ( On | Off | Zoom [ (x, y) units ] )   — the pair only in the full form
void ReadOffset(BrevanTranslator& t, bool full) {
  if (t.AcceptAny({Keyword::On, Keyword::Off})) return;
  if (!t.Accept(Keyword::Zoom)) return;
  if (!full) return;
  double low = 0, high = 0;
  CmdParseDoubleCoord(t.cmd, low, high);
  std::wstring units;
  t.ParseUnits(units);
}

// pair := ( number , number )
void ReadNumberPair(BrevanTranslator& t) {
  t.ExpectToken(Keyword::LeftParen);
  t.ReadDouble();
  t.ExpectToken(Keyword::Comma);
  t.ReadDouble();
  t.ExpectToken(Keyword::RightParen);
}

// Reads one expression sub-clause; false when the keyword opens none.
// Only the expression of the full form is written; what the others say is
// a remark (when there is a layer to write into at all).
bool ReadExpressionSubClause(BrevanTranslator& t, QdXmlNode* labels, bool full) {
  const size_t first = t.cmd->Position();
  switch (t.TokenId()) {
    case Keyword::Pen: {
      const auto pen = NewPen();
      t.ParsePenClause(*pen);  // steps over Pen itself
      break;
    }
    case Keyword::Font: {
      const auto font = NewFont();
      t.ParseFontClause(*font);  // steps over Font itself
      break;
    }
    case Keyword::Position:
      t.ReadAlignment();  // read for its place: a layer's label alignment has no place in the document
      break;
    case Keyword::Border:
      t.NextToken();
      t.AcceptAny({Keyword::Plain, Keyword::Arrow, Keyword::Curved});
      break;
    case Keyword::Max:
      t.NextToken();
      if (full) SkipOptionalNumber(t);
      break;
    case Keyword::Priority:
      t.NextToken();
      SkipOptionalNumber(t);
      break;
    case Keyword::With: {
      t.NextToken();
      if (!full) break;
      const std::wstring expression = t.ReadExpressionText();
      if (!labels) return true;
      const NodeHandle item = t.CreateElementOrThrow(Tag::LabelExpression);
      // The write is not examined; what it refuses is not dropped silently.
      if (!item->SetText(expression.c_str())) t.Warn(Warning::LabelNotWritten, L"");
      t.AppendChildOrThrow(*labels, *item);
      return true;
    }
    case Keyword::Parallel:
    case Keyword::Duplicates:
    case Keyword::Blank:
    case Keyword::Overlap:
    case Keyword::Shadow:
      t.NextToken();
      if (full) t.ParseOnOff(true);
      break;
    case Keyword::Caption:
      t.NextToken();
      if (!full) {
        std::wstring caption;
        if (!CmdParseString(t.cmd, caption)) t.Raise(Error::ExpectingString);
      }
      break;
    case Keyword::Angle:
      t.NextToken();
      if (!full) {
        double angle = 0;
        CmdParseDouble(t.cmd, angle);  // read for its place, not kept
      }
      break;
    case Keyword::Else:
      t.NextToken();
      break;
    case Keyword::Offset:
      t.NextToken();
      ReadOffset(t, full);
      break;
    case Keyword::Spacing:
    case Keyword::Margin:
      t.NextToken();
      if (!full) ReadNumberPair(t);
      break;
    default:
      return false;
  }
  if (labels) t.Unwritten(Remark::ClauseNotWritten, t.Since(first));
  return true;
}

// Full form (after Label): { Pen | Font | alignment | Border [ Plain | Arrow | Curved ]
//   | Max [ number ] | Priority [ number ] | With expression | Parallel on-off
//   | Duplicates on-off | Blank on-off | Overlap on-off | Shadow on-off | Else
//   | Offset ( On | Off | Zoom (x, y) units ) }
// Reduced form (after Auto): the same keywords, but Caption "text", Angle number,
//   Spacing (a, b) and Margin (a, b) take their values and the full-only ones do not.
void ParseLayerExpressionClauses(BrevanTranslator& t, QdXmlNode* node, bool full) {
  while (ReadExpressionSubClause(t, node, full)) {
  }
  t.RaisePendingHostError();
}

// rgb := name ( r , g , b )   — any name; black when none stands there
void ParseRgbColor(BrevanTranslator& t, Veltra::cColor& color) {
  color = Veltra::cColor();
  if (!t.IsTokenClass(kIdentifier)) return;
  t.NextToken();
  t.ExpectToken(Keyword::LeftParen);
  uint32_t parts[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) t.ExpectToken(Keyword::Comma);
    parts[i] = static_cast<uint32_t>(TruncateClamped(t.DoubleValue(), INT32_MIN, INT32_MAX));
    t.NextToken();
  }
  t.ExpectToken(Keyword::RightParen);
  color = Veltra::cColor((((parts[0] | 0xFFFFFF00u) << 8) | parts[1]) << 8 | parts[2]);
}

// colors := Colors count [ Mode Blend ] At { rgb : number } [ Base number ]
//           [ Adjust { Spread integer } [ Adjust ] ]
void ParseLayerColorListClause(BrevanTranslator& t, bool& blend, uint8_t& spread, double& base) {
  t.ExpectToken(Keyword::Colors);
  if (!t.IsTokenClass(kNumericConstant)) t.Raise(Error::ExpectingConstantNumber);
  const auto count = static_cast<int16_t>(TruncateClamped(t.DoubleValue(), INT32_MIN, INT32_MAX) & 0xFFFF);
  t.NextToken();
  base = 0;
  if (count <= 0) return;
  blend = t.Accept(Keyword::Mode);
  if (blend) t.ExpectToken(Keyword::Blend);
  t.ExpectToken(Keyword::At);
  for (int16_t i = 0; i < count; ++i) {
    Veltra::cColor color;
    ParseRgbColor(t, color);
    t.ExpectToken(Keyword::Colon);
    double value = 0;
    if (!CmdParseDouble(t.cmd, value)) break;
  }
  if (t.Accept(Keyword::Base)) CmdParseDouble(t.cmd, base);
  if (!t.Accept(Keyword::Adjust)) return;
  while (!t.Accept(Keyword::Adjust) && t.Accept(Keyword::Spread)) {
    int32_t value = 0;
    CmdParseLong(t.cmd, value);
    spread = static_cast<uint8_t>(value & 0xFF);
  }
}

// Reads a sub-clause that the document has no place for, with the errors
// its values can raise; false when the current keyword opens none.
bool ReadUnwrittenSubClause(BrevanTranslator& t) {
  switch (t.TokenId()) {
    case Keyword::Style:
      t.NextToken();
      ReadStyleRun(t);
      return true;
    case Keyword::Global:
      t.NextToken();
      if (!t.IsToken(Keyword::Color)) {
        ReadStyleRun(t);
        return true;
      }
      t.NextToken();
      t.ParseOnOff(true);
      return true;
    case Keyword::Zoom: {
      t.NextToken();
      double low = 0, high = 0;
      CmdParseDoubleCoord(t.cmd, low, high);
      std::wstring units;
      t.ParseUnits(units);
      t.ParseOnOff(true);
      return true;
    }
    case Keyword::Display:
      t.NextToken();
      t.NextToken();  // the display mode, whatever it is
      return true;
    case Keyword::Nodes:
      t.NextToken();
      return true;
    case Keyword::Selectable:
    case Keyword::Arrows:
    case Keyword::Centroids:
    case Keyword::Editable:
    case Keyword::Cluster:
    case Keyword::Stagger:
      t.NextToken();
      t.ParseOnOff(true);
      return true;
    case Keyword::Curve:
      t.NextToken();
      t.ParseOnOff(false);
      return true;
    case Keyword::Color:
      t.NextToken();
      t.ReadLong();
      return true;
    case Keyword::Threshold:
    case Keyword::Tolerance:
    case Keyword::Depth:
    case Keyword::Rank:
      t.NextToken();
      SkipShort(t);
      return true;
    case Keyword::Else:
      t.NextToken();
      t.ExpectToken(Keyword::Zoom);
      return true;
    case Keyword::Extra:
      t.NextToken();
      ReadExtra(t);
      return true;
    default:
      return false;
  }
}

// Reads the sub-clause that the current keyword opens; false when it opens
// none. Labels and the colour list are written; what the other clauses say
// is a remark (when there is a layer to write into at all).
bool ReadSubClause(BrevanTranslator& t, const NodeHandle& layer) {
  const size_t first = t.cmd->Position();
  switch (t.TokenId()) {
    case Keyword::Colors: {
      bool blend = false;
      uint8_t spread = 0;
      double base = 0;
      ParseLayerColorListClause(t, blend, spread, base);  // steps over Colors itself
      ChildOf(t, layer, Tag::ColorList);
      if (layer) t.Unwritten(Remark::ColorListNotWritten, t.Since(first));
      return true;
    }
    case Keyword::Label:
      t.NextToken();
      // Label Auto: the next pass reads the Auto clause.
      if (!t.IsToken(Keyword::Auto)) {
        const NodeHandle labels = ChildOf(t, layer, Tag::Labels);
        ParseLayerExpressionClauses(t, labels.get(), true);
      }
      return true;
    case Keyword::Auto: {
      const TokenSpan keyword = t.Here();
      t.NextToken();
      if (t.IsTokenClass(kNumericConstant)) {
        if (layer) t.Unwritten(Remark::NumberNotWritten, t.Here(), t.Written(keyword));
        t.NextToken();
      }
      const NodeHandle labels = ChildOf(t, layer, Tag::Labels);
      ParseLayerExpressionClauses(t, labels.get(), false);
      return true;
    }
    default:
      if (!ReadUnwrittenSubClause(t)) return false;
      if (layer) t.Unwritten(Remark::ClauseNotWritten, t.Since(first));
      return true;
  }
}

}  // namespace

// layer-clause := Layer layer-id { sub-clause }
void BrevanTranslator::TranslateLayerSettings() {
  NextToken();
  const size_t first = cmd->Position();
  const int32_t number = ReadLayerNumber();
  // A layer identifier that is no number above 0 names no element: its
  // clauses are read and write nothing.
  NodeHandle layer;
  if (number > 0) {
    layer = FindLayerOrThrow(number, Since(first));
    Made(DocumentObject::Layer, PlaceOfLayer(layerNames[number - 1]), Since(first));
  } else {
    WarnAt(Since(first), Warning::LayerIdNamesNoLayer, Written(Since(first)));
  }
  while (ReadSubClause(*this, layer)) {
  }
  layer.reset();
  RaisePendingHostError();
}

}  // namespace brevan
