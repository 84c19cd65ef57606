// The read model's words and lookups, documents saved on disk read back, and
// statement fragments.
#include <algorithm>

#include "api/model_builder.h"
#include "brevan/workspace.h"
#include "host/text.h"
#include "statements/theme_kinds.h"

namespace brevan {

const char* ThemeKindWord(ThemeKind kind) { return EntryOf(kind).word; }
const char* ThemeKindName(ThemeKind kind) { return EntryOf(kind).name; }

const char* Word(ApplyTo value) {
  constexpr const char* kWords[] = {"", "all", "color", "size"};
  return kWords[static_cast<size_t>(value)];
}

const char* Word(Spreading value) {
  constexpr const char* kWords[] = {"", "uniform", "hue", "graded"};
  return kWords[static_cast<size_t>(value)];
}

const char* Word(SizeMethod value) {
  constexpr const char* kWords[] = {"", "constant", "proportional", "normalized"};
  return kWords[static_cast<size_t>(value)];
}

const char* StatementKindWord(StatementKind kind) {
  constexpr const char* kWords[] = {"open_table", "map_window",      "set_map",
                                    "thematic",   "legend_settings", "passed_over"};
  return kWords[static_cast<size_t>(kind)];
}

size_t Workspace::LayerCount() const {
  size_t layers = 0;
  for (const MapWindow& window : mapWindows) layers += window.layers.size();
  return layers;
}

size_t Workspace::ThemeCount() const {
  size_t themes = 0;
  for (const MapWindow& window : mapWindows)
    for (const Layer& layer : window.layers) themes += layer.themes.size();
  return themes;
}

namespace {

template <typename T>
const T* At(const std::vector<T>& list, int index) {
  return index >= 0 && static_cast<size_t>(index) < list.size() ? &list[static_cast<size_t>(index)] : nullptr;
}

}  // namespace

const Table* Workspace::TableOf(const ObjectRef& ref) const {
  return ref.kind == ObjectRef::Kind::Table ? At(tables, ref.table) : nullptr;
}

const MapWindow* Workspace::WindowOf(const ObjectRef& ref) const {
  return ref.kind == ObjectRef::Kind::Table ? nullptr : At(mapWindows, ref.window);
}

const Layer* Workspace::LayerOf(const ObjectRef& ref) const {
  const MapWindow* window = ref.kind == ObjectRef::Kind::MapWindow ? nullptr : WindowOf(ref);
  return window ? At(window->layers, ref.layer) : nullptr;
}

const Theme* Workspace::ThemeOf(const ObjectRef& ref) const {
  const bool theme = ref.kind == ObjectRef::Kind::Theme || ref.kind == ObjectRef::Kind::Legend;
  const Layer* layer = theme ? LayerOf(ref) : nullptr;
  return layer ? At(layer->themes, ref.theme) : nullptr;
}

const Table* Workspace::TableNamed(std::string_view alias) const {
  const auto found =
      std::find_if(tables.begin(), tables.end(), [&](const Table& table) { return table.alias == alias; });
  return found == tables.end() ? nullptr : &*found;
}

std::string NumberText(double value) {
  char buffer[32];
  return std::string(buffer, WriteNumber(value, buffer));
}

std::optional<Workspace> ReadWorkspace(std::string_view xml) {
  XmlDocument doc;
  if (!doc.Load(xml)) return std::nullopt;
  return ReadObjects(doc);
}

std::string StatementFragment(const Result& result, size_t index, size_t maxLines) {
  const std::vector<Statement>& statements = result.workspace.statements;
  if (!result.tree || index >= statements.size() || maxLines == 0) return {};
  const Statement& statement = statements[index];
  // A legend statement shows the layers it gave legends; anything else what it made.
  std::vector<ObjectRef> shown;
  for (ObjectRef ref : statement.objects) {
    if (ref.kind == ObjectRef::Kind::Legend) ref.kind = ObjectRef::Kind::Layer;
    if (statement.kind == StatementKind::SetMap && ref.kind != ObjectRef::Kind::MapWindow) continue;
    if (statement.kind == StatementKind::MapWindow && ref.kind != ObjectRef::Kind::MapWindow) continue;
    const auto same = [&](const ObjectRef& other) {
      return other.kind == ref.kind && other.table == ref.table && other.window == ref.window &&
             other.layer == ref.layer && other.theme == ref.theme;
    };
    if (std::none_of(shown.begin(), shown.end(), same)) shown.push_back(ref);
  }
  std::string text;
  size_t left = maxLines;
  const auto write = [&](std::string_view piece) {
    for (size_t at = 0; at < piece.size();) {
      const size_t line = piece.find('\n', at);
      const size_t end = line == std::string_view::npos ? piece.size() : line + 1;
      text.append(piece.substr(at, end - at));
      at = end;
      if (line != std::string_view::npos && --left == 0) return false;
    }
    return true;
  };
  for (const ObjectRef& ref : shown) {
    const std::unique_ptr<QdXmlNode> element = ElementOf(result.tree->document, ref);
    if (!element) continue;
    if (!PrintNode(*element, write)) continue;
    if (left == 0) {
      text += "…\n";
      break;
    }
  }
  return text;
}

bool Failed(const Result& result, const Options& options) {
  return !result.ok || (options.strict && !result.warnings.empty());
}

}  // namespace brevan
