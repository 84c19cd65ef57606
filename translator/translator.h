// The per-call translator state and the operations that several files
// share. Each statement translator lives in statements/, the style readers
// and writers in styles/. A reader is a member only when several files use
// it, or a test reaches it directly; every other reader is a file-local
// function of its statement file taking the state as BrevanTranslator& t.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "brevan/format_version.h"
#include "brevan_ids.h"
#include "host/command.h"
#include "host/tokens.h"
#include "host/xml.h"
#include "translator/cmd_main.h"
#include "translator/layer_names.h"

namespace Veltra {
class cPen;
class cBrush;
class cFont;
class cSymbol;
class cToolSettings;
class cColor;
}  // namespace Veltra

namespace brevan {

enum class ThemeKind;

// Move-only owners of host handles: deleting a handle is its Release.
using NodeHandle = std::unique_ptr<QdXmlNode>;
using ListHandle = std::unique_ptr<QdXmlNodeList>;
using PenHandle = std::unique_ptr<Veltra::cPen>;
using BrushHandle = std::unique_ptr<Veltra::cBrush>;
using FontHandle = std::unique_ptr<Veltra::cFont>;
using SymbolHandle = std::unique_ptr<Veltra::cSymbol>;

// A side of an alignment clause: Start is Left or Above, End is Right or
// Below, Middle is the centre filled in by Center.
enum class AlignSide : uint8_t { Unset, Start, End, Middle };

// alignment := Position { Center | Left | Right | Above | Below }, with a
// later keyword overwriting an earlier one on the same side. Center fills
// the side that was not given; given alone, it fills neither and only
// centred says so, since the two callers differ there.
struct Alignment {
  AlignSide horizontal = AlignSide::Unset;
  AlignSide vertical = AlignSide::Unset;
  bool centred = false;
};

// Where a culprit stands: its first and last tokens, as reader positions.
struct TokenSpan {
  size_t first = 0;
  size_t last = 0;
};

// The one exception type of the translator: a message number and its text argument.
class BrevanTranslatorException {
 public:
  explicit BrevanTranslatorException(uint16_t number, const wchar_t* argument1 = nullptr,
                                     const wchar_t* argument2 = nullptr)
      : number(number), argument1(argument1 ? argument1 : L""), argument2(argument2 ? argument2 : L"") {}
  virtual ~BrevanTranslatorException() = default;

  uint16_t number;
  std::wstring argument1;
  std::wstring argument2;
  // Where the culprit stands, fixed where the error is raised, and a note
  // with the facts that make the message actionable (may be empty).
  TokenSpan at;
  std::wstring note;
};

// Adds one entry to the host's error list unless one is already there.
void ReportError(int level, int number, const std::wstring& argument1, const std::wstring& argument2);

struct BrevanTranslator {
  BrevanTranslator(CommandProcessor* cmd, short version, QdXmlDocument* doc);
  ~BrevanTranslator();
  BrevanTranslator(const BrevanTranslator&) = delete;
  BrevanTranslator& operator=(const BrevanTranslator&) = delete;

  CommandProcessor* cmd;      // token reader; the host's
  Tokens* tags;               // workspace tag table; the host's
  QdXmlDocument* doc;         // target document; the host's
  FormatVersion version;      // form of the statements: older clauses before 200 and 300
  NodeHandle root;            // tag-1 root element, fetched by the first dispatch
  NodeHandle tables;          // tag-10 tables container, made by the first open-table statement
  NodeHandle mapWindows;      // tag-2 map windows container, made by the first map-window statement
  size_t statementStart = 0;  // reader position of the first token of the statement at hand
  // Per layer name, the thematic layers still waiting for their legend settings.
  std::unordered_map<std::wstring, int32_t> themeCounts;
  // Layer names in layer order; entry 0 is layer 1.
  LayerNames layerNames;
  // Tables and map windows appended so far: the place of the next one.
  int tablesMade = 0;
  int windowsMade = 0;
  // Per layer name, where the layer that layer lookups find stands (the
  // first map window that has one of that name) and the themes added to it.
  struct LayerPlace {
    int window = 0;
    int position = 0;
    int themes = 0;
  };
  std::unordered_map<std::wstring, LayerPlace> layerPlaces;
  // The place of the layer that lookups of name find; its theme -1.
  ObjectPlace PlaceOfLayer(const std::wstring& name) const;
  // Per table file name, the suffix its next copy tries first (see
  // FirstFreeName in map_window.cpp): tables are never removed.
  std::unordered_map<std::wstring, long> tableFilesTaken;
  // The expression keyword table, made by the first expression read and
  // kept for the others of the call.
  std::unique_ptr<Tokens> expressionKeywords;
  // The path FindLayerNode looks up, its memory kept for the next lookup.
  std::wstring layerPath;
  // The tag names looked up so far, by tag id (Name).
  mutable std::vector<std::wstring_view> tagNames_;
  std::wstring_view NameOf(Tag tag) const;

  // translator.cpp: dispatch and errors
  void DispatchStatement();
  void RaisePendingHostError();
  // Raises error n about the current token: the only way a translation
  // error starts, with RaiseAt.
  [[noreturn]] void Raise(Error n, const std::wstring& argument = std::wstring());
  // Raises error n about the tokens of at, with a note filled with facts.
  [[noreturn]] void RaiseAt(TokenSpan at, Error n, const std::wstring& argument = std::wstring(),
                            Note note = Note::None, const std::wstring& fact0 = std::wstring(),
                            const std::wstring& fact1 = std::wstring());
  // Records what the tokens of at name (for an outline, a jump to a definition).
  void MarkAt(MarkKind kind, TokenSpan at, const std::wstring& name) {
    cmd->Mark(kind, at.first, at.last, name);
  }
  // Records an object the statement at hand made or changed, at the clause at.
  void Made(DocumentObject kind, ObjectPlace place, TokenSpan at, const std::wstring& name = std::wstring()) {
    cmd->Made(kind, place, at.first, at.last, name);
  }
  // The text of the tokens of at as written, up to the end of the first one's line.
  std::wstring Written(TokenSpan at) { return cmd->SpanText(at.first, at.last); }
  // The current token as a span.
  TokenSpan Here() { return {cmd->Position(), cmd->Position()}; }
  // From the token at position first to the one before the cursor: what was just read.
  TokenSpan Since(size_t first);
  // The statement at hand as far as it was read: where a write into the
  // document failed.
  TokenSpan StatementSoFar() { return Since(statementStart); }
  // After a failure, when the host wants every error: moves the cursor on to
  // the next statement after the culprit.
  void ResumeAfter(TokenSpan culprit);

  // Token verbs (translator.cpp)
  void NextToken() { cmd->NextToken(); }
  bool IsToken(Keyword id) { return cmd->IsToken(static_cast<short>(id), 0); }
  bool IsTokenClass(short id) { return cmd->IsTokenClass(id, 0); }
  bool IsTokenClass(Keyword id) { return cmd->IsTokenClass(static_cast<short>(id), 0); }
  Keyword TokenId() { return static_cast<Keyword>(cmd->TokenId()); }
  double DoubleValue() { return cmd->DoubleValue(); }
  const std::wstring& StringValue() { return cmd->StringValue(); }
  // Steps over the current token when it is id; whether it was.
  bool Accept(Keyword id) { return cmd->MatchToken(static_cast<short>(id)); }
  // Steps over the current token when it is any of ids; whether it was.
  bool AcceptAny(std::initializer_list<Keyword> ids);
  // Steps over id, or raises error (default: error 4) with the current token's text.
  void ExpectToken(Keyword id, Error error = Error::ExpectingToken);
  bool ReadIdentifier(std::wstring& out);
  std::wstring KeywordText(Keyword id);
  // Whether the current token begins a line as a statement does: a word in
  // the first column. Anything else continues the statement before it.
  bool AtStatementLine();
  // Records a warning at the current token, or about the tokens of at;
  // argument fills its ^0.
  void Warn(Warning warning, const std::wstring& argument) { WarnAt(Here(), warning, argument); }
  void WarnAt(TokenSpan at, Warning warning, const std::wstring& argument);
  // Records a remark about the tokens of at, which are read and not
  // written; its span shows them, and facts fill the message's ^0 and ^1.
  void Unwritten(Remark remark, TokenSpan at, const std::wstring& fact0 = L"",
                 const std::wstring& fact1 = L"");
  // Reads a number (error 10) or an integer (error 11) at the cursor.
  double ReadDouble();
  int32_t ReadLong();

  // Document wrappers (translator.cpp)
  // A tag's name, as text or as a view that knows its length: most names
  // go on as views, which measured them again each time.
  class TagText {
   public:
    explicit TagText(std::wstring_view name) : name_(name) {}
    const wchar_t* Text() const { return name_.data(); }
    operator std::wstring_view() const { return name_; }           // NOLINT(google-explicit-constructor)
    operator std::wstring() const { return std::wstring(name_); }  // NOLINT(google-explicit-constructor)
    std::wstring_view View() const { return name_; }
    friend std::wstring operator+(std::wstring a, TagText b) { return a.append(b.name_); }
    friend std::wstring operator+(TagText a, const std::wstring& b) {
      return std::wstring(a.name_).append(b);
    }
    friend bool operator==(TagText a, std::wstring_view b) { return a.name_ == b; }
    // Streams and the standard operators are templates, which take no
    // conversion: a name says here what it does there.
    friend std::wostream& operator<<(std::wostream& out, TagText text) { return out << text.name_; }

   private:
    std::wstring_view name_;  // ends with the terminator of the table's text
  };
  TagText Name(Tag tag) const {
    const auto id = static_cast<size_t>(static_cast<short>(tag));
    if (id < tagNames_.size() && tagNames_[id].data() != nullptr) return TagText(tagNames_[id]);
    return TagText(NameOf(tag));
  }
  NodeHandle CreateElementOrThrow(Tag tag);
  NodeHandle CreateElementOrThrow(std::wstring_view name);
  void AppendChildOrThrow(QdXmlNode& parent, QdXmlNode& child);
  void SetAttributeOrThrow(QdXmlNode& node, std::wstring_view name, std::wstring_view text);
  void SetNumberAttributeOrThrow(QdXmlNode& node, std::wstring_view name, double value);
  void GetAttributeOrThrow(QdXmlNode& node, std::wstring_view name, std::wstring& out);
  void SetTextOrThrow(QdXmlNode& node, const std::wstring& text);
  void SetNumberTextOrThrow(QdXmlNode& node, double value);
  NodeHandle SelectSingleNode(QdXmlNode& node, const std::wstring& path);
  // The same for a name from the tag table, looked up without a copy.
  NodeHandle SelectSingleNode(QdXmlNode& node, const wchar_t* path);
  NodeHandle SelectSingleNode(QdXmlNode& node, TagText name) { return SelectSingleNode(node, name.Text()); }
  ListHandle SelectNodes(QdXmlNode& node, const std::wstring& path);
  // The node's first child, next sibling and children; null when none.
  NodeHandle FirstChild(QdXmlNode& node);
  NodeHandle NextSibling(QdXmlNode& node);
  ListHandle ChildNodes(QdXmlNode& node);
  // Item index of list, or error 30 about at (with a note and its facts).
  NodeHandle ItemOrThrow(QdXmlNodeList* list, long index, TokenSpan at, Note note = Note::None,
                         const std::wstring& fact0 = std::wstring(),
                         const std::wstring& fact1 = std::wstring());
  // The parent's first child named by tag, or a new one appended to it.
  NodeHandle FindOrAddChild(QdXmlNode& parent, Tag tag);
  // A new element named by tag with the text, appended to parent.
  void AppendTextElement(QdXmlNode& parent, Tag tag, const std::wstring& text);

  // statements/readers.cpp: values and expressions
  void ReadLayerIdentifier(std::wstring& out);
  std::wstring ReadExpressionText();
  void ParseUnits(std::wstring& units);
  bool ParseOnOff(bool defaultValue);
  // A layer identifier read and turned into a number (0 when it is none).
  int32_t ReadLayerNumber();
  // text-size-mode := Text Size Mode "text": the text, or false without the clause.
  bool ReadTextSizeMode(std::wstring& text);
  // Reads an alignment clause when Position stands here (see Alignment).
  Alignment ReadAlignment();

  // statements/open_table.cpp
  void TranslateOpenTable();

  // statements/map_window.cpp
  void TranslateMapWindow();

  // statements/set_map.cpp
  void TranslateSetMap();

  // statements/layer_settings.cpp
  void TranslateLayerSettings();

  // statements/legend_settings.cpp
  void TranslateLegendSettings();
  // The layer's newest theme still waiting for legend settings, or null;
  // place (when given) gets where the theme stands.
  NodeHandle FindPendingTheme(QdXmlNode& layer, ObjectPlace* place = nullptr);
  // The kind by the theme element's name (error 31 for any other).
  ThemeKind GetThemeKind(QdXmlNode& theme);

  // statements/thematic.cpp
  void TranslateThematic();
  // Inserts a copy of name before its first entry in layerNames (error 34 when absent).
  void InsertLayerName(const std::wstring& name);

  // statements/theme_sizes.cpp
  void WriteMethodElement(QdXmlNode& parent, const std::wstring& method, const std::wstring& text);
  // unitAt: the clause that gave the unit, where an unknown unit is reported (error 32).
  void WriteValueSizeElement(QdXmlNode& parent, double value, double size, const std::wstring& unit,
                             TokenSpan unitAt);
  void WriteSizeWithUnit(QdXmlNode& element, double size, const std::wstring& unit, TokenSpan unitAt);

  // statements/theme_items.cpp
  void TranslateItemList(QdXmlNode& theme, bool range);
  // The theme's item elements, from the first of its item lists that holds
  // any (range, value, then with charts the two chart lists); null when none.
  enum class ItemLists : uint8_t { RangeAndValue, AlsoCharts };
  ListHandle FindItemElements(QdXmlNode& theme, ItemLists lists);

  // statements/theme_charts.cpp
  void TranslateChartClauses(QdXmlNode& theme, ThemeKind kind, QdXmlNode& holder, long count);

  // statements/theme_legend.cpp
  void TranslateThemeLegend(QdXmlNode& theme);

  // styles/style_parsing.cpp: style clauses into style objects
  void ParsePenClause(Veltra::cPen& pen);
  void ParseBrushClause(Veltra::cBrush& brush);
  void ParseFontClause(Veltra::cFont& font);
  void ParseSymbolClause(SymbolHandle& symbol);
  void ParseStyleClauses(Veltra::cToolSettings& settings);
  void ParseStyleClauseColor(Veltra::cColor& color);
  void ParseAngleClause(int16_t& angle, bool& clockwise);

  // styles/style_writers.cpp: style objects into the document
  void WritePenStyle(QdXmlNode& parent, const Veltra::cPen& pen, bool wrap);
  void WriteBrushStyle(QdXmlNode& parent, const Veltra::cBrush& brush, bool wrap);
  void WriteFontStyle(QdXmlNode& parent, const Veltra::cFont& font);
  void WriteSymbolStyle(QdXmlNode& parent, Veltra::cSymbol& symbol);
  // A colour as the document writes it, "rgb(R,G,B)", held without an
  // allocation: style writers write one per pen, brush and font.
  class ColorText {
   public:
    operator std::wstring_view() const { return {text_.data(), size_}; }
    std::wstring str() const { return std::wstring(*this); }

   private:
    friend struct BrevanTranslator;
    // A name of the tag table and three numbers of at most 20 characters.
    static constexpr size_t kMostName = 32;
    std::array<wchar_t, kMostName + size_t{3} * 20 + 4> text_{};
    size_t size_ = 0;
  };
  ColorText FormatColor(const Veltra::cColor& color) const;

  // statements/layer_lookup.cpp
  bool FindLayerNode(int32_t number, NodeHandle& node);
  // The layer element of number, or error 26 naming the layer tag about
  // the layer identifier at.
  NodeHandle FindLayerOrThrow(int32_t number, TokenSpan at);
  // Reads a layer identifier and finds its layer element (error 26);
  // name (when given) gets the layer's name.
  NodeHandle ReadLayerOrThrow(std::wstring* name = nullptr);
};

// The path E[@A="V"], written without escaping; or appended to path.
std::wstring AttributePath(std::wstring_view element, std::wstring_view attribute, std::wstring_view value);
void AppendAttributePath(std::wstring& path, std::wstring_view element, std::wstring_view attribute,
                         std::wstring_view value);

}  // namespace brevan
