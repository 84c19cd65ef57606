// Chart themes: the head, the chart clauses and the per-expression brushes.
#include "host/style.h"
#include "statements/theme_kinds.h"
#include "styles/style_objects.h"
#include "translator/translator.h"

namespace brevan {

namespace {

constexpr double kFullSweep = 360;
constexpr double kHalfSweep = 180;

// What a size clause carries over to the next size clause of the statement.
struct SizeState {
  std::wstring method;  // from the head
  std::wstring unit;    // the size's unit
  double reference = 0;
  std::wstring text;
  std::wstring secondUnit;  // the second size's unit
};

// The method modifier: Proportional gives the proportional method, none the constant one.
std::wstring ProportionalOrConstant(BrevanTranslator& t) {
  return t.Name(t.Accept(Keyword::Proportional) ? Tag::Proportional : Tag::Constant);
}

void WriteBarHead(BrevanTranslator& t, QdXmlNode& theme, Tag arrangement) {
  const NodeHandle head = t.CreateElementOrThrow(Tag::BarHead);
  const NodeHandle inner = t.CreateElementOrThrow(arrangement);
  t.AppendChildOrThrow(*head, *inner);
  t.AppendChildOrThrow(theme, *head);
}

// The start angle and the sweep, negative when drawn clockwise.
void WritePieHead(BrevanTranslator& t, QdXmlNode& theme, int16_t angle, bool clockwise, double sweep) {
  const NodeHandle head = t.CreateElementOrThrow(Tag::PieHead);
  const NodeHandle start = t.CreateElementOrThrow(Tag::StartAngle);
  t.SetNumberTextOrThrow(*start, angle);
  const NodeHandle extent = t.CreateElementOrThrow(Tag::Sweep);
  t.SetNumberTextOrThrow(*extent, clockwise ? -sweep : sweep);
  t.AppendChildOrThrow(*head, *start);
  t.AppendChildOrThrow(*head, *extent);
  t.AppendChildOrThrow(theme, *head);
}

// head := Bars [ Normalized ] | Stacked Bars [ Proportional ]
//       | Pie angle [ Proportional ] | Half Pie angle [ Proportional ]
std::wstring ReadHead(BrevanTranslator& t, QdXmlNode& theme) {
  const Keyword head = t.TokenId();
  t.NextToken();
  if (head == Keyword::Bars) {
    const bool normalized = t.IsToken(Keyword::Normalized);
    if (normalized) t.NextToken();
    WriteBarHead(t, theme, Tag::SideBySide);
    return t.Name(normalized ? Tag::Normalized : Tag::Constant);
  }
  if (head == Keyword::Stacked) {
    t.ExpectToken(Keyword::Bars);
    std::wstring method = ProportionalOrConstant(t);
    t.RaisePendingHostError();
    WriteBarHead(t, theme, Tag::StackedBars);
    return method;
  }
  if (head == Keyword::Half) t.ExpectToken(Keyword::Pie);
  int16_t angle = 0;
  bool clockwise = true;
  t.ParseAngleClause(angle, clockwise);
  std::wstring method = ProportionalOrConstant(t);
  t.RaisePendingHostError();
  WritePieHead(t, theme, angle, clockwise, head == Keyword::Half ? kHalfSweep : kFullSweep);
  return method;
}

// size := Max Size number [ units ] [ At Value number [ Text Size Mode "text" ]
//                                      [ At Scale number [ units ] ] ]
void ReadSize(BrevanTranslator& t, QdXmlNode& theme, SizeState& state) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  t.ExpectToken(Keyword::Size);
  const double size = t.ReadDouble();
  t.ParseUnits(state.unit);
  const TokenSpan unitAt = t.Since(first);
  if (t.Accept(Keyword::At)) {
    t.ExpectToken(Keyword::Value);
    state.reference = t.ReadDouble();
    t.ReadTextSizeMode(state.text);
    t.RaisePendingHostError();
    if (t.IsToken(Keyword::At)) {  // a scale for the reference: read, not written
      const size_t scale = t.cmd->Position();
      t.NextToken();
      t.ExpectToken(Keyword::Scale);
      t.ReadDouble();
      std::wstring unit;
      t.ParseUnits(unit);
      t.Unwritten(Remark::ClauseNotWritten, t.Since(scale));
    }
  }
  t.WriteMethodElement(theme, state.method, state.text);
  t.WriteValueSizeElement(theme, state.reference, size, state.unit, unitAt);
}

// second-size := Width number [ units ]
void ReadSecondSize(BrevanTranslator& t, QdXmlNode& theme, SizeState& state) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  const double size = t.ReadDouble();
  t.ParseUnits(state.secondUnit);
  const NodeHandle element = t.CreateElementOrThrow(Tag::SecondSize);
  t.WriteSizeWithUnit(*element, size, state.secondUnit, t.Since(first));
  t.AppendChildOrThrow(theme, *element);
}

// The clause keyword must be followed by the style keyword (error 4 naming it).
void ExpectStyle(BrevanTranslator& t, Keyword style) {
  if (!t.IsToken(style)) t.Raise(Error::ExpectingToken, t.KeywordText(style));
}

BrushHandle ReadBrush(BrevanTranslator& t) {
  ExpectStyle(t, Keyword::Brush);
  auto brush = NewBrush();
  t.ParseBrushClause(*brush);
  return brush;
}

// outline := Outline Pen (…)
void ReadOutline(BrevanTranslator& t, QdXmlNode& theme) {
  t.NextToken();
  ExpectStyle(t, Keyword::Pen);
  const NodeHandle element = t.CreateElementOrThrow(Tag::ChartPen);
  const auto pen = NewPen();
  t.ParsePenClause(*pen);
  t.WritePenStyle(*element, *pen, false);
  t.AppendChildOrThrow(theme, *element);
}

// fill := Fill Brush (…)
void ReadFill(BrevanTranslator& t, QdXmlNode& theme) {
  t.NextToken();
  const NodeHandle element = t.CreateElementOrThrow(Tag::ChartBrush);
  const BrushHandle brush = ReadBrush(t);
  t.WriteBrushStyle(*element, *brush, false);
  t.AppendChildOrThrow(theme, *element);
}

// The name that the chart's placement writes for one side of an alignment.
std::wstring SideName(BrevanTranslator& t, AlignSide side, Tag start, Tag end) {
  switch (side) {
    case AlignSide::Start:
      return t.Name(start);
    case AlignSide::End:
      return t.Name(end);
    case AlignSide::Middle:
      return t.Name(Tag::Middle);
    case AlignSide::Unset:
      break;
  }
  return std::wstring();
}

// setting-pair := Position { Left | Right | Above | Below | Center }; Center
// given alone puts both sides in the middle.
void ReadSettingPair(BrevanTranslator& t, std::wstring& first, std::wstring& second) {
  Alignment alignment = t.ReadAlignment();
  if (alignment.centred && alignment.horizontal == AlignSide::Unset && alignment.vertical == AlignSide::Unset)
    alignment.horizontal = alignment.vertical = AlignSide::Middle;
  first = SideName(t, alignment.horizontal, Tag::Left, Tag::Right);
  second = SideName(t, alignment.vertical, Tag::Above, Tag::Below);
}

// placement := Position { Left | Right | Above | Below | Center }
void ReadPlacement(BrevanTranslator& t, QdXmlNode& theme) {
  std::wstring first, second;
  ReadSettingPair(t, first, second);
  const NodeHandle element = t.CreateElementOrThrow(Tag::Placement);
  t.AppendTextElement(*element, Tag::Horizontal, first);
  t.AppendTextElement(*element, Tag::Vertical, second);
  t.AppendChildOrThrow(theme, *element);
}

// each := Each Brush (…) [ , ] Brush (…) …   — one brush per expression, which
// carries the expression into the document
void ReadEachBrushes(BrevanTranslator& t, QdXmlNode& theme, ThemeKind kind, QdXmlNode& holder, long count) {
  const bool pie = kind == ThemeKind::PieChart;
  const NodeHandle list = t.CreateElementOrThrow(pie ? Tag::PieItems : Tag::BarItems);
  t.NextToken();
  NodeHandle expression = t.FirstChild(holder);
  for (long i = 0; i < count; ++i) {
    const NodeHandle item = t.CreateElementOrThrow(pie ? Tag::PieItem : Tag::BarItem);
    const BrushHandle brush = ReadBrush(t);
    t.Accept(Keyword::Comma);
    NodeHandle next;
    if (expression) {
      next = t.NextSibling(*expression);
      t.AppendChildOrThrow(*item, *expression);
    }
    t.WriteBrushStyle(*item, *brush, false);
    t.AppendChildOrThrow(*list, *item);
    expression = std::move(next);
  }
  t.AppendChildOrThrow(theme, *list);
}

}  // namespace

// chart := head { size | second-size | outline | fill | placement } [ each ]
void BrevanTranslator::TranslateChartClauses(QdXmlNode& theme, ThemeKind kind, QdXmlNode& holder,
                                             long count) {
  SizeState state;
  state.method = ReadHead(*this, theme);
  for (;;) {
    if (IsToken(Keyword::Max)) {
      ReadSize(*this, theme, state);
    } else if (IsToken(Keyword::Width)) {
      ReadSecondSize(*this, theme, state);
    } else if (IsToken(Keyword::Outline)) {
      ReadOutline(*this, theme);
    } else if (IsToken(Keyword::Fill)) {
      ReadFill(*this, theme);
    } else if (IsToken(Keyword::Position)) {
      ReadPlacement(*this, theme);
    } else {
      break;
    }
  }
  if (IsToken(Keyword::Each)) ReadEachBrushes(*this, theme, kind, holder, count);
  RaisePendingHostError();
}

}  // namespace brevan
