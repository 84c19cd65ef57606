// The map-window statement: a map window with one layer per table.
#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "host/text.h"
#include "translator/literal_names.h"
#include "translator/translator.h"

namespace brevan {

namespace {

// Literal names of the window position attributes.
using literal_names::kHeight;
using literal_names::kMaximized;
using literal_names::kMinimized;
using literal_names::kStyle;
using literal_names::kUnits;
using literal_names::kWidth;
using literal_names::kX;
using literal_names::kY;

// The first of name, name_2, name_3 … that is not taken. Names only ever
// become taken, so next[name] keeps the suffix to try first, every one
// before it being in use: a name repeated n times costs 2n lookups, not n²/2.
template <class Taken>
std::wstring FirstFreeName(const std::wstring& name, std::unordered_map<std::wstring, long>& next,
                           const Taken& taken) {
  long& suffix = next[name];
  if (suffix <= 1 && !taken(name)) return name;
  for (suffix = std::max(suffix, 2L);; ++suffix) {
    std::wstring candidate = name + L"_" + IntegerText(suffix);
    if (!taken(candidate)) return candidate;
  }
}

// position := { Position (x, y) units | Height number units | Width number units | Min | Max }
void ReadWindowPosition(BrevanTranslator& t, QdXmlNode& position) {
  std::wstring units = L"inches";  // carries over from clause to clause
  double x = 0, y = 0;
  // A Height or Width clause whose units no Position clause has taken yet:
  // only Position writes units.
  std::optional<TokenSpan> untaken;
  const auto leaveUntaken = [&] {
    if (untaken) t.Unwritten(Remark::UnitsNotWritten, *untaken);
    untaken.reset();
  };
  for (;;) {
    const size_t clause = t.cmd->Position();
    if (t.Accept(Keyword::Position)) {
      CmdParseDoubleCoord(t.cmd, x, y);
      const size_t unitsAt = t.cmd->Position();
      t.ParseUnits(units);
      if (t.cmd->Position() != unitsAt) leaveUntaken();
      untaken.reset();
      t.SetNumberAttributeOrThrow(position, kX, x);
      t.SetNumberAttributeOrThrow(position, kY, y);
      t.SetAttributeOrThrow(position, kUnits, units);
    } else if (t.IsToken(Keyword::Height) || t.IsToken(Keyword::Width)) {
      const wchar_t* attribute = t.IsToken(Keyword::Height) ? kHeight : kWidth;
      t.NextToken();
      const double size = t.ReadDouble();
      const size_t unitsAt = t.cmd->Position();
      t.ParseUnits(units);
      if (t.cmd->Position() != unitsAt) {
        leaveUntaken();
        untaken = t.Since(clause);
      }
      t.SetNumberAttributeOrThrow(position, attribute, size);
    } else if (t.IsToken(Keyword::Min) || t.IsToken(Keyword::Max)) {
      const wchar_t* style = t.IsToken(Keyword::Min) ? kMinimized : kMaximized;
      t.NextToken();
      t.SetAttributeOrThrow(position, kStyle, style);
    } else {
      leaveUntaken();
      return;
    }
  }
}

// A layer named apart from its table needs a table of that alias: a copy of
// the table's element under the layer's name, with a file of its own.
// nameAt: the table name in the statement, where a missing table is reported.
void CopyTable(BrevanTranslator& t, const std::wstring& tableName, const std::wstring& layerName,
               TokenSpan nameAt) {
  // Without a tables container there is nothing to copy from.
  if (!t.tables)
    t.RaiseAt(nameAt, Error::NodeNotFound, AttributePath(t.Name(Tag::Table), t.Name(Tag::Alias), tableName),
              Note::TableNotOpen, tableName);
  if (t.SelectSingleNode(*t.tables, AttributePath(t.Name(Tag::Table), t.Name(Tag::Alias), layerName))) return;
  const std::wstring path = AttributePath(t.Name(Tag::Table), t.Name(Tag::Alias), tableName);
  std::wstring file;
  {
    const NodeHandle original = t.SelectSingleNode(*t.tables, path);
    if (!original) t.RaiseAt(nameAt, Error::NodeNotFound, path, Note::TableNotOpen, tableName);
    t.GetAttributeOrThrow(*original, t.Name(Tag::File), file);
  }
  file = FirstFreeName(file, t.tableFilesTaken, [&](const std::wstring& candidate) {
    return t.SelectSingleNode(*t.tables, AttributePath(t.Name(Tag::Table), t.Name(Tag::File), candidate)) !=
           nullptr;
  });
  const NodeHandle copy = t.CreateElementOrThrow(Tag::Table);
  t.SetAttributeOrThrow(*copy, t.Name(Tag::File), file);
  t.SetAttributeOrThrow(*copy, t.Name(Tag::Alias), layerName);
  t.AppendChildOrThrow(*t.tables, *copy);
  ObjectPlace place;
  place.table = t.tablesMade++;
  t.Made(DocumentObject::TableCopy, place, nameAt, tableName);
}

}  // namespace

// map-window := Map From name { , name } position
void BrevanTranslator::TranslateMapWindow() {
  if (!mapWindows) {
    mapWindows = CreateElementOrThrow(Tag::MapWindows);
    AppendChildOrThrow(*root, *mapWindows);
  }
  const NodeHandle window = CreateElementOrThrow(Tag::MapWindow);
  NextToken();
  if (!IsTokenClass(Keyword::From)) Raise(Error::ExpectingToken, KeywordText(Keyword::From));
  const NodeHandle layers = CreateElementOrThrow(Tag::Layers);
  long position = 0;
  // The window's layers are all made here: their names are known without
  // asking the document, which would index every window for a few lookups.
  std::unordered_set<std::wstring> windowLayers;
  std::unordered_map<std::wstring, long> nextSuffix;
  // The layers' clauses, told once the window stands in the document.
  std::vector<std::pair<std::wstring, TokenSpan>> made;
  do {
    NextToken();
    std::wstring tableName;
    const TokenSpan nameAt = Here();
    if (!ReadIdentifier(tableName)) RaiseAt(nameAt, Error::ExpectingTableIdentifier);
    const std::wstring layerName = FirstFreeName(tableName, nextSuffix, [&](const std::wstring& candidate) {
      return windowLayers.count(candidate) > 0;
    });
    windowLayers.insert(layerName);
    const NodeHandle layer = CreateElementOrThrow(Tag::Layer);
    SetAttributeOrThrow(*layer, Name(Tag::Name), layerName);
    SetNumberAttributeOrThrow(*layer, Name(Tag::Position), static_cast<double>(++position));
    AppendChildOrThrow(*layers, *layer);
    if (layerName != tableName) CopyTable(*this, tableName, layerName, nameAt);
    MarkAt(MarkKind::TableName, nameAt, layerName);
    made.emplace_back(layerName, nameAt);
    themeCounts[layerName] = 0;
    layerNames.push_back(layerName);
  } while (IsToken(Keyword::Comma));
  AppendChildOrThrow(*window, *layers);
  const NodeHandle windowPosition = CreateElementOrThrow(Tag::WindowPosition);
  ReadWindowPosition(*this, *windowPosition);
  AppendChildOrThrow(*window, *windowPosition);
  AppendChildOrThrow(*mapWindows, *window);
  ObjectPlace place;
  place.window = windowsMade++;
  Made(DocumentObject::MapWindow, place, StatementSoFar());
  place.layer = 0;
  for (auto& [name, at] : made) {
    ++place.layer;
    layerPlaces.try_emplace(std::move(name), LayerPlace{place.window, place.layer, 0});
    Made(DocumentObject::Layer, place, at);
  }
  RaisePendingHostError();
}

}  // namespace brevan
