// One workspace open in an editor: its text, what translating it found,
// and the answers an editor asks of it, in the protocol's JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "brevan/brevan.h"

namespace brevan::lsp {

// How positions count characters on a line: in UTF-16 code units (the
// protocol's default) or in bytes of UTF-8, when the editor offers it.
enum class PositionEncoding { Utf16, Utf8 };

// What the editor chose at initialization (initializationOptions).
struct ServerSettings {
  bool passedOver = false;                     // hints for the statements passed over
  std::optional<FormatVersion> formatVersion;  // for texts without a "!version" line
  std::string encoding;                        // of the files read from disk when saved
  std::vector<std::string> dataRoots;          // where table files are also looked up
  PositionEncoding positions = PositionEncoding::Utf16;
  std::string root;             // the folder opened (rootUri, workspaceFolders); empty for none
  size_t folderFiles = 1000;    // workspace/diagnostic: at most this many files …
  double folderSeconds = 10.0;  // … and about this long
};

// A file:// URI's path, its %XX escapes decoded; empty for another scheme.
std::string PathOfUri(const std::string& uri);
// The file:// URI of an absolute path.
std::string UriOfPath(const std::string& path);

// The command a quick fix gives to read a saved file again in another
// encoding: arguments [uri, encoding].
inline constexpr const char* kReadAs = "brevan.readAs";

class OpenDocument {
 public:
  OpenDocument(std::string uri, std::string text);

  const std::string& Uri() const { return uri_; }
  // The file of a file:// URI; empty for any other.
  const std::string& Path() const { return path_; }
  void SetText(std::string text);
  // The encoding its saved file is read in, over the settings' (a quick
  // fix's command sets it).
  void SetEncoding(std::string encoding) { encoding_ = std::move(encoding); }

  // Translates the text with every error reported (or, when given, the
  // file's bytes as saved, in the settings' encoding).
  void Check(const ServerSettings& settings, const std::optional<std::string>& savedBytes = std::nullopt);
  // The diagnostics of the last check, as publishDiagnostics carries them.
  nlohmann::json Diagnostics(const ServerSettings& settings) const;
  // The outline: tables, map windows with their layers and the layers'
  // themes, the map and legend settings.
  nlohmann::json Symbols(const ServerSettings& settings);
  // Hover and go-to-definition at a position of the protocol (0-based);
  // null when there is nothing to say or to go to.
  nlohmann::json Hover(const ServerSettings& settings, int line, int character);
  nlohmann::json Definition(const ServerSettings& settings, int line, int character);
  // What may be typed at a position: the statements translated at the
  // start of a line, the tables' aliases after "Map From" (and its
  // commas), the layer numbers of the map window in force, with their
  // layers' and tables' names, after "Layer" and "Theme".
  nlohmann::json Completion(const ServerSettings& settings, int line, int character);
  // Fixes for what the range holds: a table file not found, with a file
  // that may be the one meant or one found in other letter case → "Replace
  // with …"; a layer number past the map window's layers → the nearest
  // that exists; a saved file a named encoding misreads → a command that
  // reads it again in the encoding meant. Each a quick fix.
  nlohmann::json CodeActions(const ServerSettings& settings, int line, int character, int endLine,
                             int endCharacter);
  // Renaming a table alias: where the alias at a position stands and what
  // it is (null when there is none), and the edits that give it newName
  // wherever the text names it (its open-table statement, map windows'
  // table names); throws std::invalid_argument when
  // newName cannot be an alias here.
  nlohmann::json PrepareRename(const ServerSettings& settings, int line, int character);
  nlohmann::json Rename(const ServerSettings& settings, int line, int character, const std::string& newName);

 private:
  struct Place {
    int line = 0;  // 1-based, as the library counts
    int column = 0;
  };
  Options OptionsFor(const ServerSettings& settings) const;
  // The last check's translation with its document, made when first asked.
  const Result& Translated(const ServerSettings& settings);
  std::string_view Line(int line) const;  // 1-based; empty past the end
  nlohmann::json Position(const ServerSettings& settings, int line, int column) const;
  nlohmann::json Range(const ServerSettings& settings, int line, int column, int endLine,
                       int endColumn) const;
  Place FromPosition(const ServerSettings& settings, int line, int character) const;
  // The mark of result at place, preferring the narrowest; null when none.
  const Mark* MarkAt(const Result& result, Place place) const;
  // The text a mark covers on its line, its quotes dropped; quoted tells
  // whether it had them.
  std::string MarkText(const Mark& mark, bool& quoted) const;
  // The table alias a mark names, when it names one by name.
  std::string AliasOf(const Result& result, const Mark& mark) const;
  // The first mark of kind within span; null when none.
  static const Mark* MarkWithin(const Result& result, Mark::Kind kind, const Span& span);

  std::string uri_;
  std::string path_;
  std::string text_;
  std::vector<size_t> lineStarts_;  // byte offsets of each line of text_
  Result checked_;
  std::optional<Result> translated_;
  bool checkedSaved_ = false;  // the last check read the saved file
  std::optional<std::string> encoding_;
};

}  // namespace brevan::lsp
