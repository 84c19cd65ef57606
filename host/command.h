// The host's command reader: the statements as a stream of tokens, with a
// cursor on the current token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Tokens;
namespace Veltra {
class AllType;
}

// Token classes; keywords and symbols carry their keyword id instead.
enum TokenClass : short { kIdentifier = 1, kStringConstant = 2, kNumericConstant = 3 };
// What TokenKind reports for a keyword or symbol, and for the end of input.
enum TokenKindValue : int { kKeywordKind = 4, kEndKind = 0 };
// The id of a symbol that no keyword names (a character such as $ or ;).
constexpr short kOtherSymbol = -1;

// What the tokens of a translated statement name, for readers of the text:
// an outline, where a table is opened, which layer a number stands for.
enum class MarkKind : int {
  Statement = 1,  // a translated statement, from its first token; name: its first words
  TableFile,      // the file string of an open-table statement; name: the file as written
  TableAlias,     // the alias it gives; name: the alias
  TableName,      // a table named by a map-window statement; name: the layer it became
  LayerNumber,    // a layer identifier that found its layer; name: the layer's name
};

// The statements that are translated, as the dispatch tells them apart.
enum class TranslatedStatement : int { OpenTable = 1, MapWindow, SetMap, Thematic, LegendSettings };

// What a translated statement made or changed in the document.
enum class DocumentObject : int {
  Table = 1,  // a table element (open table)
  TableCopy,  // a table copy a map window made for a repeated table; name: the alias it copies
  MapWindow,  // a map window (map window), or the one whose view a set-map statement set
  Layer,      // a layer of a map window
  Theme,      // a theme a thematic statement added
  Legend,     // the legend a legend-settings clause gave a theme
};

// Where an object stands in the document, as the translator appended it:
// tables and map windows counted from 0 in the order they were appended, a
// layer by its window and its position (1-based), a theme by its layer and
// its place among the layer's themes (from 0). -1 where it does not apply.
struct ObjectPlace {
  int table = -1;
  int window = -1;
  int layer = -1;
  int theme = -1;
};

class CommandProcessor {
 public:
  virtual void SetValueParsing(bool on) = 0;
  // The statement keyword table (host-owned).
  virtual Tokens* Keywords() = 0;
  // Reads one value expression at the cursor into value and steps over it;
  // false (without moving) when none stands there.
  virtual bool ParseValue(Veltra::AllType* value, bool required) = 0;
  virtual void NextToken() = 0;
  virtual bool HasMore() = 0;
  // Steps over the current token and on to the start of the next statement.
  virtual void SkipStatement() = 0;
  virtual bool MatchToken(short id) = 0;
  virtual bool IsTokenClass(short id, int reserved) = 0;
  virtual bool IsToken(short id, int reserved) = 0;
  virtual const std::wstring& TokenText() = 0;
  virtual short TokenId() = 0;
  virtual int TokenKind() = 0;
  virtual const std::wstring& IdentifierText() = 0;
  virtual const std::wstring& StringValue() = 0;
  virtual double DoubleValue() = 0;

  // Host extensions: where the cursor stands, for messages, and a way back
  // for readers that must not move on failure.
  virtual int TokenLine() = 0;
  virtual int TokenColumn() = 0;
  // Whether the current token is the first of its line.
  virtual bool TokenStartsLine() = 0;
  // Whether the current token begins a line as a statement does: a word
  // (a name, or a keyword spelled with letters) in the first column.
  virtual bool TokenStartsStatementLine() = 0;
  // Records a warning about the tokens from position first to last:
  // something passed over or cut short.
  // kind is the warning's id in the warnings table.
  virtual void Warn(short kind, const std::wstring& message, size_t first, size_t last) = 0;
  // Records an error about the tokens from position first to last, with a
  // note (may be empty); the host's error list still gets only the first.
  virtual void RecordError(int number, const std::wstring& argument, size_t first, size_t last,
                           const std::wstring& note) = 0;
  // Records a remark about the tokens from position first to last: what
  // they say is read and not written to the document.
  // kind is the remark's id in the remarks table.
  virtual void Remark(short kind, const std::wstring& message, size_t first, size_t last) = 0;
  // Records what the tokens from position first to last name. A Statement
  // mark ends the statement that BeginStatement began.
  virtual void Mark(MarkKind kind, size_t first, size_t last, const std::wstring& name) = 0;
  // Records that a statement of kind starts at position first; what it
  // makes is recorded with it until its Statement mark, and a statement
  // never marked failed.
  virtual void BeginStatement(TranslatedStatement kind, size_t first) = 0;
  // Records an object the statement at hand made or changed, the tokens from
  // first to last being the clause that did.
  virtual void Made(DocumentObject kind, ObjectPlace place, size_t first, size_t last,
                    const std::wstring& name) = 0;
  // The text of the tokens from position first to last as written, up to
  // the end of the first one's line.
  virtual std::wstring SpanText(size_t first, size_t last) = 0;
  // Whether the host wants every error of the stream: translation then goes
  // on at the next statement after an error, and CmdMain still answers false.
  virtual bool ContinueAfterError() = 0;
  // The file a table's file name stands for where the host keeps the data
  // now (data that moved); file itself when the host moves nothing.
  virtual std::wstring TableFile(const std::wstring& file) = 0;
  virtual size_t Position() = 0;
  virtual void Seek(size_t position) = 0;

  virtual ~CommandProcessor() = default;
};

// Readers of a value at the cursor. Each steps over what it read and
// answers true, or answers false and leaves the cursor where it was.
// Numbers may carry a minus sign. Integers must be whole and in range.
bool CmdParseString(CommandProcessor* cmd, std::wstring& out);
bool CmdParseLong(CommandProcessor* cmd, int32_t& out);
bool CmdParseShort(CommandProcessor* cmd, int16_t& out);
bool CmdParseDouble(CommandProcessor* cmd, double& out);
// A coordinate pair: ( x , y ).
bool CmdParseLongCoord(CommandProcessor* cmd, int32_t& x, int32_t& y);
bool CmdParseDoubleCoord(CommandProcessor* cmd, double& x, double& y);
