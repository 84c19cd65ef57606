// The legend block of range, chart and graduated themes: amends the
// element that the theme already wrote.
#include "host/style.h"
#include "host/text.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// The item-list settings of a range theme, else the value-and-size element.
NodeHandle LegendAnchor(BrevanTranslator& t, QdXmlNode& theme, TokenSpan adjustAt) {
  NodeHandle anchor = t.SelectSingleNode(theme, t.Name(Tag::ItemSettings));
  if (!anchor) anchor = t.SelectSingleNode(theme, t.Name(Tag::ValueSize));
  if (!anchor) t.RaiseAt(adjustAt, Error::LegendThemeNotFound, L"", Note::LegendNeedsAnchor);
  return anchor;
}

// The variant word of a spreading setting and the clause's integer; the
// setting itself when the pair has none.
std::wstring SpreadVariant(const BrevanTranslator& t, const std::wstring& spreading, int32_t variant) {
  struct Pairing {
    Tag spreading;
    int32_t variant;
    Tag word;
  };
  static constexpr Pairing kPairings[] = {
      {Tag::Hue, 0, Tag::Rgb},           {Tag::Hue, 1, Tag::Hsv},
      {Tag::Graded, 0, Tag::Linear},     {Tag::Graded, 16, Tag::Logarithmic},
      {Tag::Graded, 32, Tag::Quadratic},
  };
  for (const Pairing& pairing : kPairings)
    if (spreading == t.Name(pairing.spreading) && variant == pairing.variant) return t.Name(pairing.word);
  return spreading;
}

// Max number: the reference value, set again by a second clause.
void ReadReference(BrevanTranslator& t, QdXmlNode& anchor) {
  t.NextToken();
  const double value = t.ReadDouble();
  const NodeHandle reference = t.FindOrAddChild(anchor, Tag::ReferenceValue);
  t.SetNumberTextOrThrow(*reference, value);
}

// Mode integer: the spreading variant.
void ReadVariant(BrevanTranslator& t, QdXmlNode& anchor) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  const int32_t variant = t.ReadLong();
  const NodeHandle spreading = t.SelectSingleNode(anchor, t.Name(Tag::Spreading));
  if (!spreading) t.RaiseAt(t.Since(first), Error::LegendThemeNotFound, L"", Note::LegendModeNeedsSpread);
  std::wstring setting;
  if (!spreading->GetNodeText(setting)) t.RaiseAt(t.Since(first), Error::ParseValueFailed);
  t.AppendTextElement(anchor, Tag::SpreadVariant, SpreadVariant(t, setting, variant));
}

// Colors [ On | Off ] { style } At integer: the colour of item n.
// items: the theme's items, found by the first clause that needs them and
// kept for the others (finding them again per clause made a block of n
// clauses on n items quadratic).
void ReadItemColor(BrevanTranslator& t, QdXmlNode& theme, ListHandle& items) {
  const size_t first = t.cmd->Position();
  t.NextToken();
  const bool on = t.ParseOnOff(false);
  Veltra::cColor color;
  t.ParseStyleClauseColor(color);
  t.ExpectToken(Keyword::At);
  const int32_t number = t.ReadLong();
  if (!on) return t.Unwritten(Remark::ClauseNotWritten, t.Since(first));
  if (!items) items = t.FindItemElements(theme, BrevanTranslator::ItemLists::RangeAndValue);
  if (!items) t.RaiseAt(t.Since(first), Error::LegendThemeNotFound, L"", Note::LegendColorsNeedItems);
  const NodeHandle item =
      t.ItemOrThrow(items.get(), static_cast<long>(number) - 1, t.Since(first), Note::ItemRange,
                    IntegerText(number), IntegerText(items->GetLength()));
  t.AppendTextElement(*item, Tag::ItemColor, t.FormatColor(color).str());
}

// Spread integer [ Using expression ] (the expression only after 5): read, not written.
void ReadSpread(BrevanTranslator& t) {
  constexpr int32_t kCustomSpread = 5;
  t.NextToken();
  if (t.ReadLong() != kCustomSpread) return;
  t.ExpectToken(Keyword::Using);
  t.ReadExpressionText();
}

}  // namespace

// legend-block := Adjust { Max number | Mode integer | Colors [ On | Off ] { style } At integer
//                        | Color integer | Base number | Spread integer [ Using expression ] } [ Adjust ]
void BrevanTranslator::TranslateThemeLegend(QdXmlNode& theme) {
  if (!IsToken(Keyword::Adjust)) return;
  const TokenSpan adjustAt = Here();
  NextToken();
  const NodeHandle anchor = LegendAnchor(*this, theme, adjustAt);
  ListHandle items;
  for (;;) {
    const size_t clause = cmd->Position();
    switch (TokenId()) {
      case Keyword::Max:
        ReadReference(*this, *anchor);
        break;
      case Keyword::Mode:
        ReadVariant(*this, *anchor);
        break;
      case Keyword::Colors:
        ReadItemColor(*this, theme, items);
        break;
      case Keyword::Color:
        NextToken();
        ReadLong();
        Unwritten(Remark::ClauseNotWritten, Since(clause));
        break;
      case Keyword::Base:
        NextToken();
        ReadDouble();
        Unwritten(Remark::ClauseNotWritten, Since(clause));
        break;
      case Keyword::Spread:
        ReadSpread(*this);
        Unwritten(Remark::ClauseNotWritten, Since(clause));
        break;
      case Keyword::Adjust:
        NextToken();
        return;
      default:
        return;
    }
  }
}

}  // namespace brevan
