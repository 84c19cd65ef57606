// Method, value-and-size and size-with-unit elements of graduated and chart themes.
#include "translator/translator.h"

namespace brevan {

namespace {

// Unit names a user writes, in the order they are tried, and the word each
// is written as.
struct Unit {
  Tag name;
  Tag word;
};
constexpr Unit kUnits[] = {
    {Tag::In, Tag::Inches},         {Tag::Px, Tag::Pixels}, {Tag::Cm, Tag::Centimeters},
    {Tag::Mm, Tag::Millimeters},    {Tag::Ft, Tag::Feet},   {Tag::Yd, Tag::Yards},
    {Tag::Mi, Tag::Miles},          {Tag::M, Tag::Meters},  {Tag::Km, Tag::Kilometers},
    {Tag::Nmi, Tag::Nauticalmiles}, {Tag::Pc, Tag::Picas},  {Tag::Twip, Tag::Twips},
    {Tag::Dm, Tag::Decimeters},
};

}  // namespace

void BrevanTranslator::WriteMethodElement(QdXmlNode& parent, const std::wstring& method,
                                          const std::wstring& text) {
  const NodeHandle element = CreateElementOrThrow(Tag::Method);
  NodeHandle chosen;
  if (method == Name(Tag::Proportional)) chosen = CreateElementOrThrow(Tag::ProportionalMethod);
  if (method == Name(Tag::Constant)) {
    chosen = CreateElementOrThrow(Tag::ConstantMethod);
    SetAttributeOrThrow(*chosen, Name(Tag::Label), text);
  }
  if (method == Name(Tag::Normalized)) chosen = CreateElementOrThrow(Tag::NormalizedMethod);
  if (chosen) AppendChildOrThrow(*element, *chosen);
  AppendChildOrThrow(parent, *element);
}

void BrevanTranslator::WriteValueSizeElement(QdXmlNode& parent, double value, double size,
                                             const std::wstring& unit, TokenSpan unitAt) {
  const NodeHandle element = CreateElementOrThrow(Tag::ValueSize);
  if (value > 0) {  // NaN, zero and below: no reference value
    const NodeHandle reference = CreateElementOrThrow(Tag::ReferenceValue);
    SetNumberTextOrThrow(*reference, value);
    AppendChildOrThrow(*element, *reference);
  }
  const NodeHandle extent = CreateElementOrThrow(Tag::Extent);
  WriteSizeWithUnit(*extent, size, unit, unitAt);
  AppendChildOrThrow(*element, *extent);
  AppendChildOrThrow(parent, *element);
}

void BrevanTranslator::WriteSizeWithUnit(QdXmlNode& element, double size, const std::wstring& unit,
                                         TokenSpan unitAt) {
  const NodeHandle measure = CreateElementOrThrow(Tag::Measure);
  SetNumberTextOrThrow(*measure, size);
  for (const Unit& known : kUnits) {
    if (unit != Name(known.name)) continue;
    SetAttributeOrThrow(*measure, Name(Tag::Unit), Name(known.word));
    AppendChildOrThrow(element, *measure);
    return;
  }
  std::wstring known;
  for (const Unit& each : kUnits) known += (known.empty() ? L"" : L", ") + std::wstring(Name(each.name));
  RaiseAt(unitAt, Error::InvalidUnit, L"", unit.empty() ? Note::MissingUnit : Note::KnownUnits, known);
}

}  // namespace brevan
