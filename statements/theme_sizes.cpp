// Method, value-and-size and size-with-unit elements of graduated and chart themes.
#include "translator/translator.h"

namespace brevan {

namespace {

// Unit names a user writes, in the order they are tried; each unit tag n
// writes the word of tag n + 20.
constexpr Tag kUnits[] = {Tag::In, Tag::Px, Tag::Cm,  Tag::Mm, Tag::Ft,   Tag::Yd, Tag::Mi,
                          Tag::M,  Tag::Km, Tag::Nmi, Tag::Pc, Tag::Twip, Tag::Dm};
constexpr short kUnitWordOffset = 20;

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
  for (Tag name : kUnits) {
    if (unit != Name(name)) continue;
    const auto word = static_cast<Tag>(static_cast<short>(name) + kUnitWordOffset);
    SetAttributeOrThrow(*measure, Name(Tag::Unit), Name(word));
    AppendChildOrThrow(element, *measure);
    return;
  }
  std::wstring known;
  for (Tag name : kUnits) known += (known.empty() ? L"" : L", ") + std::wstring(Name(name));
  RaiseAt(unitAt, Error::InvalidUnit, L"", unit.empty() ? Note::MissingUnit : Note::KnownUnits, known);
}

}  // namespace brevan
