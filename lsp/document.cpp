#include "lsp/document.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "api/names.h"
#include "brevan/files.h"
#include "brevan/workspace.h"

namespace brevan::lsp {

namespace {

using nlohmann::json;

// Severities and symbol kinds of the protocol.
enum DiagnosticSeverity { kError = 1, kWarning = 2, kInformation = 3, kHint = 4 };
enum SymbolKind { kModule = 2, kNamespace = 3, kProperty = 7, kField = 8, kEvent = 24, kStruct = 23 };

// The length of the UTF-8 sequence that starts with byte c (1 for a stray byte).
size_t SequenceLength(unsigned char c) { return c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4; }

// The characters of UTF-8 text, counted as the library counts columns.
int Characters(std::string_view text) {
  int characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return characters;
}

// Units of one character: UTF-16 code units or UTF-8 bytes.
int Units(size_t bytes, PositionEncoding encoding) {
  return encoding == PositionEncoding::Utf8 ? static_cast<int>(bytes) : bytes == 4 ? 2 : 1;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

// Markdown text shown as it is, with characters of the markup escaped.
std::string Plain(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::string_view("\\`*_[]<>#|").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// Whether a place is before span, or within it.
bool Before(int line, int column, const Span& span) {
  return line < span.line || (line == span.line && column < span.column);
}
bool Within(int line, int column, const Span& span) {
  return !Before(line, column, span) &&
         (line < span.endLine || (line == span.endLine && column < span.endColumn));
}
bool Before(const Mark& mark, const Span& span) { return Before(mark.line, mark.column, span); }
bool Within(const Mark& mark, const Span& span) { return Within(mark.line, mark.column, span); }

// The statement whose first token a Statement mark stands on; null when none.
const Statement* StatementAt(const Workspace& workspace, const Mark& mark) {
  for (const Statement& statement : workspace.statements)
    if (statement.span.line == mark.line && statement.span.column == mark.column &&
        statement.kind != StatementKind::PassedOver)
      return &statement;
  return nullptr;
}

// The statement that holds a place; null when none.
const Statement* StatementHolding(const Workspace& workspace, int line, int column) {
  const Statement* holding = nullptr;
  for (const Statement& statement : workspace.statements) {
    if (Before(line, column, statement.span)) break;
    if (Within(line, column, statement.span)) holding = &statement;
  }
  return holding;
}

}  // namespace

std::string PathOfUri(const std::string& uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.rfind(kScheme, 0) != 0) return {};
  std::string path;
  for (size_t i = kScheme.size(); i < uri.size(); ++i) {
    const auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
      path += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
      i += 2;
    } else {
      path += uri[i];
    }
  }
  return path;
}

// Characters a path keeps in a URI; every other byte is written %XX.
std::string UriOfPath(const std::string& path) {
  std::string uri = "file://";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || std::strchr("/-._~", c) != nullptr) {
      uri += c;
      continue;
    }
    constexpr const char* kDigits = "0123456789ABCDEF";
    uri += '%';
    uri += kDigits[byte >> 4];
    uri += kDigits[byte & 0xF];
  }
  return uri;
}

OpenDocument::OpenDocument(std::string uri, std::string text) : uri_(std::move(uri)), path_(PathOfUri(uri_)) {
  SetText(std::move(text));
}

void OpenDocument::SetText(std::string text) {
  text_ = std::move(text);
  lineStarts_.assign(1, 0);
  // Line ends found by the C library's search, which takes many bytes at a
  // time; a carriage return alone also ends a line, so both are looked for.
  const char* const begin = text_.data();
  const char* const end = begin + text_.size();
  const char* nextReturn = static_cast<const char*>(std::memchr(begin, '\r', text_.size()));
  for (const char* at = begin; at < end;) {
    const char* newline = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    if (nextReturn != nullptr && nextReturn < at)
      nextReturn = static_cast<const char*>(std::memchr(at, '\r', static_cast<size_t>(end - at)));
    const char* lineEnd = newline != nullptr ? newline : end;
    if (nextReturn != nullptr && nextReturn < lineEnd) {
      lineEnd = nextReturn;  // "\r\n" is one line end, "\r" alone another
      if (lineEnd + 1 < end && lineEnd[1] == '\n') ++lineEnd;
    } else if (newline == nullptr) {
      break;
    }
    at = lineEnd + 1;
    lineStarts_.push_back(static_cast<size_t>(at - begin));
  }
  translated_.reset();
}

Options OpenDocument::OptionsFor(const ServerSettings& settings) const {
  Options options;
  options.check = true;
  options.indent = true;
  options.fallbackVersion = settings.formatVersion;
  options.dataRoots = settings.dataRoots;
  if (!path_.empty()) options.folder = std::filesystem::path(path_).parent_path().string();
  return options;
}

void OpenDocument::Check(const ServerSettings& settings, const std::optional<std::string>& savedBytes) {
  Options options = OptionsFor(settings);
  // Diagnostics need no model: the outline and the answers translate again.
  options.readModel = false;
  checkedSaved_ = savedBytes.has_value();
  if (savedBytes) options.encoding = encoding_.value_or(settings.encoding);
  checked_ = TranslateBytes(savedBytes ? *savedBytes : text_, options);
  translated_.reset();
}

const Result& OpenDocument::Translated(const ServerSettings& settings) {
  if (!translated_) {
    Options options = OptionsFor(settings);
    options.readModel = true;
    options.keepTree = true;
    translated_ = TranslateBytes(text_, options);
  }
  return *translated_;
}

std::string_view OpenDocument::Line(int line) const {
  if (line < 1 || static_cast<size_t>(line) > lineStarts_.size()) return {};
  const size_t begin = lineStarts_[line - 1];
  size_t end = static_cast<size_t>(line) < lineStarts_.size() ? lineStarts_[line] : text_.size();
  while (end > begin && (text_[end - 1] == '\n' || text_[end - 1] == '\r')) --end;
  return std::string_view(text_).substr(begin, end - begin);
}

// The library counts columns in characters from 1; the protocol in units from 0.
// Objects are filled member by member: nested initializer lists copy every
// level, which made the diagnostics of a large workspace cost a tenth of
// its re-check.
json OpenDocument::Position(const ServerSettings& settings, int line, int column) const {
  int units = 0;
  if (line >= 1) {
    const std::string_view text = Line(line);
    size_t at = 0;
    for (int character = 1; character < column && at < text.size(); ++character) {
      const size_t length = std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
      units += Units(length, settings.positions);
      at += length;
    }
  }
  json position = json::object();
  position["line"] = std::max(line - 1, 0);
  position["character"] = units;
  return position;
}

json OpenDocument::Range(const ServerSettings& settings, int line, int column, int endLine,
                         int endColumn) const {
  json range = json::object();
  range["start"] = Position(settings, line, column);
  range["end"] = Position(settings, endLine, endColumn);
  return range;
}

OpenDocument::Place OpenDocument::FromPosition(const ServerSettings& settings, int line,
                                               int character) const {
  const std::string_view text = Line(line + 1);
  int column = 1, units = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t length = std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
    units += Units(length, settings.positions);
    if (units > character) break;
    at += length;
    ++column;
  }
  return {line + 1, column};
}

json OpenDocument::Diagnostics(const ServerSettings& settings) const {
  json list = json::array();
  list.get_ref<json::array_t&>().reserve(checked_.diagnostics.size());
  const auto add = [&](int severity, int line, int column, int endColumn, const std::string& message,
                       int number, const std::vector<std::string>& notes, const std::string& code = {}) {
    json diagnostic = json::object();
    diagnostic["range"] = Range(settings, line, column, line, std::max(endColumn, column));
    diagnostic["severity"] = severity;
    diagnostic["source"] = "brevan";
    diagnostic["message"] = message;
    if (number != 0) diagnostic["code"] = number;
    if (!code.empty()) diagnostic["code"] = code;  // a warning's or remark's kind
    if (!notes.empty()) {
      json related = json::array();
      for (const std::string& note : notes)
        related.push_back({{"location", {{"uri", uri_}, {"range", diagnostic["range"]}}}, {"message", note}});
      diagnostic["relatedInformation"] = std::move(related);
    }
    list.push_back(std::move(diagnostic));
  };
  // Text that could not be read is one error, at its place when it has one.
  if (!checked_.ok && checked_.error == ErrorNumber::kInputError) {
    add(kError, checked_.line, checked_.column, checked_.endColumn, checked_.message, 0, checked_.notes);
    return list;
  }
  for (const Diagnostic& d : checked_.diagnostics) {
    const int severity = d.severity == Severity::Error     ? kError
                         : d.severity == Severity::Warning ? kWarning
                                                           : kInformation;
    add(severity, d.line, d.column, d.endColumn, d.message, d.number, d.notes, d.code);
  }
  if (settings.passedOver) {
    for (const Skipped& skipped : checked_.skipped) {
      add(kHint, skipped.line, skipped.column, skipped.column + Characters(skipped.keyword),
          "\"" + skipped.keyword + "\" is passed over: not translated", 0, {});
    }
  }
  return list;
}

json OpenDocument::Symbols(const ServerSettings& settings) {
  const Result& result = Translated(settings);
  const Workspace& workspace = result.workspace;
  json symbols = json::array();
  const auto symbol = [&](const std::string& name, const std::string& detail, int kind, const Span& whole,
                          const Span& chosen) {
    json item = {{"name", name.empty() ? std::string("(unnamed)") : name},
                 {"kind", kind},
                 {"range", Range(settings, whole.line, whole.column, std::max(whole.endLine, whole.line),
                                 whole.endColumn)},
                 {"selectionRange", Range(settings, chosen.line, chosen.column, chosen.line,
                                          chosen.endLine == chosen.line ? chosen.endColumn : chosen.column)},
                 {"children", json::array()}};
    if (!detail.empty()) item["detail"] = detail;
    return item;
  };
  // Where each map window's symbol stands among the symbols.
  std::vector<std::optional<size_t>> windowSymbols(workspace.mapWindows.size());
  // The aliases marked, walked along with the statements (both in text order).
  std::vector<const Mark*> aliases;
  for (const Mark& mark : result.marks)
    if (mark.kind == Mark::Kind::TableAlias) aliases.push_back(&mark);
  auto alias = aliases.begin();
  for (const Statement& statement : workspace.statements) {
    if (statement.kind == StatementKind::PassedOver || statement.failed) continue;
    const ObjectRef* first = statement.objects.empty() ? nullptr : &statement.objects.front();
    switch (statement.kind) {
      case StatementKind::OpenTable: {
        const Table* table = first ? workspace.TableOf(*first) : nullptr;
        if (!table) break;
        while (alias != aliases.end() && Before(**alias, statement.span)) ++alias;
        const Mark* given = alias != aliases.end() && Within(**alias, statement.span) ? *alias : nullptr;
        const Span chosen =
            given ? Span{given->line, given->column, given->line, given->endColumn} : statement.span;
        symbols.push_back(symbol(table->alias, table->file, kStruct, statement.span, chosen));
        break;
      }
      case StatementKind::MapWindow: {
        const ObjectRef* made = nullptr;
        for (const ObjectRef& ref : statement.objects)
          if (ref.kind == ObjectRef::Kind::MapWindow) made = &ref;
        const MapWindow* window = made ? workspace.WindowOf(*made) : nullptr;
        if (!window) break;
        json item = symbol("Map window " + std::to_string(made->window + 1), "", kModule, statement.span,
                           statement.span);
        std::vector<std::string> names;
        for (const Layer& layer : window->layers) {
          item["children"].push_back(symbol(layer.name, "layer " + std::to_string(layer.position), kField,
                                            layer.origin.clause, layer.origin.clause));
          names.push_back(layer.name);
        }
        item["detail"] = Joined(names, ", ");
        windowSymbols[static_cast<size_t>(made->window)] = symbols.size();
        symbols.push_back(std::move(item));
        break;
      }
      case StatementKind::Thematic: {
        const Theme* theme = first ? workspace.ThemeOf(*first) : nullptr;
        json item =
            symbol(theme ? ThemeKindName(theme->kind) : "Theme",
                   theme ? Joined(theme->expressions, ", ") : "", kProperty, statement.span, statement.span);
        // Under its layer, in the outline of the layer's window.
        const std::optional<size_t> at =
            theme ? windowSymbols[static_cast<size_t>(first->window)] : std::optional<size_t>();
        if (at && static_cast<size_t>(first->layer) < symbols[*at]["children"].size())
          symbols[*at]["children"][first->layer]["children"].push_back(std::move(item));
        else
          symbols.push_back(std::move(item));
        break;
      }
      case StatementKind::SetMap:
      case StatementKind::LegendSettings: {
        const bool legend = statement.kind == StatementKind::LegendSettings;
        std::vector<std::string> layers;
        for (const ObjectRef& ref : statement.objects) {
          const Layer* layer = ref.kind == ObjectRef::Kind::MapWindow ? nullptr : workspace.LayerOf(ref);
          if (layer && std::find(layers.begin(), layers.end(), layer->name) == layers.end())
            layers.push_back(layer->name);
        }
        symbols.push_back(symbol(legend ? "Legend settings" : "Map settings", Joined(layers, ", "),
                                 legend ? kEvent : kNamespace, statement.span, statement.span));
        break;
      }
      case StatementKind::PassedOver:
        break;
    }
  }
  return symbols;
}

const Mark* OpenDocument::MarkWithin(const Result& result, Mark::Kind kind, const Span& span) {
  for (const Mark& mark : result.marks)
    if (mark.kind == kind && Within(mark, span)) return &mark;
  return nullptr;
}

const Mark* OpenDocument::MarkAt(const Result& result, Place place) const {
  const Mark* best = nullptr;
  for (const Mark& mark : result.marks) {
    if (mark.line != place.line || place.column < mark.column || place.column >= mark.endColumn) continue;
    // A statement answers only on its first words.
    if (mark.kind == Mark::Kind::Statement && place.column >= mark.column + Characters(mark.name)) continue;
    if (!best || mark.endColumn - mark.column < best->endColumn - best->column) best = &mark;
  }
  return best;
}

json OpenDocument::Hover(const ServerSettings& settings, int line, int character) {
  const Result& result = Translated(settings);
  const Mark* mark = MarkAt(result, FromPosition(settings, line, character));
  if (!mark) return nullptr;
  const Workspace& workspace = result.workspace;
  std::string text;
  if (mark->kind == Mark::Kind::Statement) {
    constexpr size_t kLines = 40;
    const Statement* statement = StatementAt(workspace, *mark);
    const std::string fragment =
        statement
            ? StatementFragment(result, static_cast<size_t>(statement - workspace.statements.data()), kLines)
            : std::string();
    if (fragment.empty()) return nullptr;
    text = "```xml\n" + fragment + "```";
  } else {
    const Table* table = mark->kind == Mark::Kind::TableFile ? nullptr : workspace.TableNamed(mark->name);
    // A copy is looked up as the table it copies.
    const Table* original = table && !table->copyOf.empty() ? workspace.TableNamed(table->copyOf) : table;
    if (mark->kind == Mark::Kind::LayerNumber)
      text = "Layer **" + Plain(mark->name) + "**";
    else if (mark->kind == Mark::Kind::TableName)
      text = "Layer and table **" + Plain(mark->name) + "**";
    else
      text = "Table **" + Plain(table ? table->alias : mark->name) + "**";
    if (table && !table->copyOf.empty()) text += ", a copy of table **" + Plain(table->copyOf) + "**";
    const std::string file = original                              ? original->file
                             : mark->kind == Mark::Kind::TableFile ? mark->name
                                                                   : "";
    if (!file.empty()) {
      const std::string folder =
          path_.empty() ? std::string() : std::filesystem::path(path_).parent_path().string();
      const FileLookup found = FindTableFile(file, folder, settings.dataRoots);
      text += "\n\nFile `" + file + "`: ";
      if (found.status == FileStatus::Found)
        text += "found at `" + found.path + "`";
      else if (found.status == FileStatus::FoundOtherCase)
        text += "found as `" + found.path + "` (another letter case)";
      else
        text += "not found (looked for `" + (found.lookedFor.empty() ? file : found.lookedFor.front()) +
                "`)" + (found.nearMatch.empty() ? "" : "; near match `" + found.nearMatch + "`");
    }
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}},
          {"range", Range(settings, mark->line, mark->column, mark->line, mark->endColumn)}};
}

json OpenDocument::Definition(const ServerSettings& settings, int line, int character) {
  const Result& result = Translated(settings);
  const Place place = FromPosition(settings, line, character);
  const Mark* mark = MarkAt(result, place);
  if (!mark) return nullptr;
  const Workspace& workspace = result.workspace;
  std::optional<Span> target;
  if (mark->kind == Mark::Kind::LayerNumber) {
    // The map-window statement's table name that made the layer the
    // statement here found.
    if (const Statement* statement = StatementHolding(workspace, mark->line, mark->column))
      for (const ObjectRef& ref : statement->objects)
        if (const Layer* layer = ref.kind == ObjectRef::Kind::MapWindow ? nullptr : workspace.LayerOf(ref);
            layer && layer->name == mark->name && layer->origin.clause.line > 0)
          target = layer->origin.clause;
  } else if (mark->kind == Mark::Kind::TableName || mark->kind == Mark::Kind::TableAlias) {
    // The open-table statement of the table, or of the one a copy copies:
    // its alias, else its file string.
    const Table* table = workspace.TableNamed(mark->name);
    if (table && !table->copyOf.empty()) table = workspace.TableNamed(table->copyOf);
    if (table && table->origin.statement.line > 0) {
      const Mark* alias = MarkWithin(result, Mark::Kind::TableAlias, table->origin.statement);
      target = alias ? Span{alias->line, alias->column, alias->line, alias->endColumn} : table->origin.clause;
    }
  }
  if (!target) return nullptr;
  return {{"uri", uri_},
          {"range", Range(settings, target->line, target->column, target->line,
                          target->endLine == target->line ? target->endColumn : target->column)}};
}

namespace {

// A name the statements read as an alias: a letter or "_" first, then
// letters, digits and "_" (any character past ASCII counts as a letter).
bool IsAliasName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80 || std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

}  // namespace

std::string OpenDocument::MarkText(const Mark& mark, bool& quoted) const {
  const std::string_view line = Line(mark.line);
  size_t begin = line.size(), end = line.size();
  int column = 1;
  for (size_t at = 0; at <= line.size(); ++column) {
    if (column == mark.column) begin = at;
    if (column == mark.endColumn) end = at;
    if (at == line.size()) break;
    at += std::min(SequenceLength(static_cast<unsigned char>(line[at])), line.size() - at);
  }
  std::string text(line.substr(begin, end > begin ? end - begin : 0));
  quoted = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  return quoted ? text.substr(1, text.size() - 2) : text;
}

std::string OpenDocument::AliasOf(const Result& result, const Mark& mark) const {
  if (mark.kind == Mark::Kind::TableAlias) return mark.name;
  if (mark.kind != Mark::Kind::TableName && mark.kind != Mark::Kind::LayerNumber) return {};
  bool quoted = false;
  const std::string text = MarkText(mark, quoted);
  const Table* table = IsAliasName(text) ? result.workspace.TableNamed(text) : nullptr;
  return table && table->copyOf.empty() ? table->alias : std::string();
}

json OpenDocument::PrepareRename(const ServerSettings& settings, int line, int character) {
  const Result& result = Translated(settings);
  const Mark* mark = MarkAt(result, FromPosition(settings, line, character));
  const std::string alias = mark ? AliasOf(result, *mark) : std::string();
  if (alias.empty()) return nullptr;
  bool quoted = false;
  MarkText(*mark, quoted);
  const int inset = quoted ? 1 : 0;
  return {{"range", Range(settings, mark->line, mark->column + inset, mark->line, mark->endColumn - inset)},
          {"placeholder", alias}};
}

json OpenDocument::Rename(const ServerSettings& settings, int line, int character,
                          const std::string& newName) {
  const Result& result = Translated(settings);
  const Mark* at = MarkAt(result, FromPosition(settings, line, character));
  const std::string alias = at ? AliasOf(result, *at) : std::string();
  if (alias.empty()) throw std::invalid_argument("there is no table alias here to rename");
  if (!IsAliasName(newName))
    throw std::invalid_argument("\"" + newName + "\" is no alias: letters, digits and _, not a digit first");
  for (const Table& table : result.workspace.tables)
    if (SameFolded(table.alias, newName) && !SameFolded(table.alias, alias))
      throw std::invalid_argument("\"" + newName + "\" is already the alias of a table");
  json edits = json::array();
  for (const Mark& mark : result.marks) {
    if (!SameFolded(AliasOf(result, mark), alias)) continue;
    bool quoted = false;
    MarkText(mark, quoted);
    const int inset = quoted ? 1 : 0;
    edits.push_back(
        {{"range", Range(settings, mark.line, mark.column + inset, mark.line, mark.endColumn - inset)},
         {"newText", newName}});
  }
  return {{"changes", {{uri_, edits}}}};
}

namespace {

// The map window in force at a line: the last one made before it.
const MapWindow* WindowInForce(const Workspace& workspace, int line) {
  const MapWindow* window = nullptr;
  for (const MapWindow& made : workspace.mapWindows)
    if (made.origin.statement.line > 0 && made.origin.statement.line < line) window = &made;
  return window;
}

// The statements the translator reads, as they begin.
constexpr const char* kStatements[] = {"Open Table", "Map From", "Set Map", "Set Legend", "Theme"};

// The clauses each statement takes, by the words it begins with, as its
// reader's grammar has them (statements/*.cpp); a test holds every word
// to the keyword table.
struct Clauses {
  const char* first;
  const char* second;  // null: the first word alone
  size_t opening;      // the words before the first clause: its keywords, a file, a layer
  std::vector<const char*> keywords;
};
const std::vector<Clauses>& StatementClauses() {
  static const std::vector<Clauses> kClauses = {
      {"Open",
       "Table",
       3,
       {"As", "Locked", "Hidden", "Quiet", "Interactive", "Fast", "Codepage", "Password"}},
      {"Map", "From", 3, {"Position", "Height", "Width", "Min", "Max"}},
      {"Set",
       "Map",
       2,
       {"Center", "Zoom", "Layer", "Display", "Preserve", "Order", "Coordinates", "Area", "Pan", "Scale",
        "Distance", "Redraw", "Clip", "Limit"}},
      {"Set", "Legend", 2, {"Scale", "Layer"}},
      {"Theme", nullptr, 2, {"Missing", "Ranges", "Values", "Bars", "Pie", "Graduated", "Single"}},
  };
  return kClauses;
}

// The words of a line before a column, as the completion reads them.
std::vector<std::string> WordsBefore(std::string_view text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text) {
    const bool part = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '"' ||
                      static_cast<unsigned char>(c) >= 0x80;
    if (part) {
      word += c;
      continue;
    }
    if (!word.empty()) words.push_back(std::move(word));
    word.clear();
    if (c == ',') words.emplace_back(",");
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace

json OpenDocument::Completion(const ServerSettings& settings, int line, int character) {
  constexpr int kKeyword = 14, kVariable = 6, kValue = 12;  // CompletionItemKind
  const Place place = FromPosition(settings, line, character);
  const std::string_view text = Line(place.line);
  // The bytes before the cursor (columns count characters).
  size_t cursor = 0;
  for (int column = 1; column < place.column && cursor < text.size(); ++column)
    cursor += std::min(SequenceLength(static_cast<unsigned char>(text[cursor])), text.size() - cursor);
  const std::string_view before = text.substr(0, cursor);
  std::vector<std::string> words = WordsBefore(before);
  // The word being typed is not yet a word of the line.
  const bool typing = !before.empty() && (std::isalnum(static_cast<unsigned char>(before.back())) ||
                                          before.back() == '_' || before.back() == '"');
  if (typing && !words.empty()) words.pop_back();
  json items = json::array();
  if (words.empty()) {
    for (const char* statement : kStatements)
      items.push_back(
          {{"label", statement}, {"kind", kKeyword}, {"insertText", std::string(statement) + " "}});
    return items;
  }
  const Result& result = Translated(settings);
  const Workspace& workspace = result.workspace;
  const auto is = [&](size_t at, const char* word) {
    return at < words.size() && SameFolded(words[at], word);
  };
  if (is(0, "Map") && is(1, "From") && (words.size() == 2 || words.back() == ",")) {
    for (const Table& table : workspace.tables)
      if (table.copyOf.empty())
        items.push_back({{"label", table.alias}, {"kind", kVariable}, {"detail", table.file}});
    return items;
  }
  const bool layer = (SameFolded(words.back(), "Layer") && (is(0, "Set") || is(0, "Theme"))) ||
                     (words.size() == 1 && is(0, "Theme"));
  if (!layer) {
    // Past a statement's opening words (and a theme's layer and With), the
    // clauses it takes.
    for (const Clauses& clauses : StatementClauses()) {
      if (!is(0, clauses.first) || (clauses.second && !is(1, clauses.second))) continue;
      if (words.size() < clauses.opening) return items;
      // A theme: its layer, then With and its expressions, then its kind.
      if (!clauses.second && words.size() == clauses.opening) {
        items.push_back({{"label", "With"}, {"kind", kKeyword}});
        return items;
      }
      if (!clauses.second && SameFolded(words.back(), "With")) return items;
      // Right after a clause's keyword comes what it takes, unless it takes nothing.
      constexpr const char* kAlone[] = {"Locked", "Hidden", "Quiet", "Interactive", "Fast", "Min", "Max"};
      const auto named = [&](const char* keyword) { return SameFolded(words.back(), keyword); };
      if (std::any_of(clauses.keywords.begin(), clauses.keywords.end(), named) &&
          std::none_of(std::begin(kAlone), std::end(kAlone), named))
        return items;
      for (const char* keyword : clauses.keywords) items.push_back({{"label", keyword}, {"kind", kKeyword}});
      return items;
    }
    return items;
  }
  const MapWindow* window = WindowInForce(workspace, place.line);
  if (!window) return items;
  for (const Layer& shown : window->layers) {
    const Table* table = workspace.TableNamed(shown.name);
    const Table* original = table && !table->copyOf.empty() ? workspace.TableNamed(table->copyOf) : table;
    items.push_back({{"label", std::to_string(shown.position)},
                     {"kind", kValue},
                     {"detail", shown.name + (original ? " (" + original->file + ")" : std::string())},
                     {"sortText", (shown.position < 10 ? "0" : "") + std::to_string(shown.position)}});
  }
  return items;
}

json OpenDocument::CodeActions(const ServerSettings& settings, int line, int character, int endLine,
                               int endCharacter) {
  const Result& result = Translated(settings);
  const Place from = FromPosition(settings, line, character),
              to = FromPosition(settings, endLine, endCharacter);
  const auto touches = [&](const Mark& mark) {
    return std::pair(mark.line, mark.endColumn) >= std::pair(from.line, from.column) &&
           std::pair(mark.line, mark.column) <= std::pair(to.line, to.column);
  };
  json actions = json::array();
  const auto fix = [&](const std::string& title, const Mark& mark, const std::string& newText) {
    bool quoted = false;
    MarkText(mark, quoted);
    const int inset = quoted ? 1 : 0;
    json edit = {
        {"range", Range(settings, mark.line, mark.column + inset, mark.line, mark.endColumn - inset)},
        {"newText", newText}};
    actions.push_back({{"title", title},
                       {"kind", "quickfix"},
                       {"edit", {{"changes", {{uri_, json::array({std::move(edit)})}}}}}});
  };
  const std::filesystem::path folder =
      path_.empty() ? std::filesystem::path() : std::filesystem::path(path_).parent_path();
  for (const Mark& mark : result.marks) {
    if (!touches(mark)) continue;
    if (mark.kind == Mark::Kind::TableFile) {
      const FileLookup found = FindTableFile(mark.name, folder.string(), settings.dataRoots);
      std::string meant = found.status == FileStatus::FoundOtherCase ? found.path
                          : found.status == FileStatus::Missing      ? found.nearMatch
                                                                     : std::string();
      if (meant.empty()) continue;
      // Below the workspace's folder a file is written relative to it, as workspaces write them.
      const std::filesystem::path relative = std::filesystem::path(meant).lexically_relative(folder);
      if (!folder.empty() && !relative.empty() && *relative.begin() != "..")
        meant = relative.generic_string();
      fix("Replace with \"" + meant + "\"", mark, meant);
    }
  }
  // A layer identifier that names no layer: the layer whose name is nearest.
  for (const Diagnostic& d : result.warnings) {
    if (d.code != "layer-id-names-no-layer" || d.line < from.line || d.line > to.line) continue;
    const Mark named{Mark::Kind::LayerNumber, d.line, d.column, d.endColumn, "", d.line, d.endColumn};
    bool quoted = false;
    const std::string asked = MarkText(named, quoted);
    const MapWindow* window = WindowInForce(result.workspace, d.line);
    if (!window || asked.empty()) continue;
    const Layer* nearest = nullptr;
    size_t best = 0;
    for (const Layer& layer : window->layers)
      if (const size_t distance = EditDistance(Folded(asked), Folded(layer.name));
          !nearest || distance < best)
        nearest = &layer, best = distance;
    if (nearest && best <= std::max<size_t>(2, asked.size() / 3))
      fix("Replace with layer " + nearest->name, named, nearest->name);
  }
  // The saved file read in an encoding that misreads it: read it again as meant.
  if (checkedSaved_)
    for (const Diagnostic& d : checked_.warnings) {
      const char* meant = d.code == "reads-as-utf8" ? "UTF-8" : d.code == "c1-controls" ? "CP1252" : nullptr;
      if (!meant || d.line < from.line || d.line > to.line) continue;
      const std::string title = std::string("Read the saved file as ") + meant;
      actions.push_back(
          {{"title", title},
           {"kind", "quickfix"},
           {"command", {{"title", title}, {"command", kReadAs}, {"arguments", {uri_, meant}}}}});
    }
  // A layer number past the layers: error 26 at the number, its note giving the count.
  for (const Diagnostic& d : result.errors) {
    if (d.number != 26 || d.line < from.line || d.line > to.line) continue;
    Mark number{Mark::Kind::LayerNumber, d.line, d.column, d.endColumn, "", d.line, d.endColumn};
    bool quoted = false;
    const std::string asked = MarkText(number, quoted);
    const MapWindow* window = WindowInForce(result.workspace, d.line);
    if (!window || window->layers.empty() || asked.empty() ||
        !std::all_of(asked.begin(), asked.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
      continue;
    const size_t count = window->layers.size();
    const size_t nearest = std::clamp<size_t>(asked.size() > 9 ? count : std::stoul(asked), 1, count);
    const Layer& layer = window->layers[nearest - 1];
    fix("Replace with layer " + std::to_string(nearest) + " (" + layer.name + ")", number,
        std::to_string(nearest));
  }
  return actions;
}

}  // namespace brevan::lsp
