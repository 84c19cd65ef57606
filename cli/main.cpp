// brevan: translates workspace files into XML workspace documents.
#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli/workspace_file.h"
#include "host/text.h"
#include "host/token_reader.h"
#include "host/tokens.h"
#include "host/utility.h"
#include "host/xml_document.h"

extern "C" bool CmdMain(CommandProcessor* cmd, short version, QdXmlDocument* doc);

namespace brevan::cli {
namespace {

enum ExitCode { kTranslated = 0, kTranslationError = 1, kUsageOrIoError = 2 };

struct Options {
  std::string file;
  std::string output;
  int version = -1;
  std::string encoding;
  bool partial = false;
};

std::string DisplayName(const std::string& file) { return file == "-" ? "<stdin>" : file; }

// The source line of a position, and a caret under its column.
void ShowPosition(const std::wstring& text, int line, int column) {
  size_t begin = 0;
  for (int n = 1; n < line && begin != std::wstring::npos; ++n) {
    begin = text.find(L'\n', begin);
    if (begin != std::wstring::npos) ++begin;
  }
  if (begin == std::wstring::npos || begin > text.size()) return;
  std::wstring source = text.substr(begin, text.find(L'\n', begin) - begin);
  if (!source.empty() && source.back() == L'\r') source.pop_back();
  std::wstring caret;
  for (int i = 0; i + 1 < column && i < static_cast<int>(source.size()); ++i)
    caret += source[i] == L'\t' ? L'\t' : L' ';
  std::cerr << ToUtf8(source) << '\n' << ToUtf8(caret) << "^\n";
}

void ReportAt(const std::string& file, const std::wstring& text, int line, int column, int number,
              const std::wstring& message) {
  std::cerr << DisplayName(file) << ':' << line << ':' << column << ": error " << number << ": "
            << ToUtf8(message) << '\n';
  ShowPosition(text, line, column);
}

bool WriteOutput(const std::string& path, const std::string& xml) {
  if (path.empty() || path == "-") {
    std::cout << xml;
    std::cout.flush();
    return static_cast<bool>(std::cout);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << xml;
  out.close();
  if (!out) {
    std::cerr << "brevan: cannot write " << path << '\n';
    return false;
  }
  return true;
}

int TranslateFile(const Options& options) {
  std::string bytes, readError;
  if (!ReadBytes(options.file, bytes, readError)) {
    std::cerr << "brevan: cannot read " << DisplayName(options.file) << ": " << readError << '\n';
    return kUsageOrIoError;
  }
  WorkspaceText workspace;
  InputError inputError;
  if (!DecodeWorkspace(bytes, options.encoding, workspace, inputError)) {
    std::cerr << DisplayName(options.file);
    if (inputError.line > 0) std::cerr << ':' << inputError.line;
    std::cerr << ": error: " << inputError.message << '\n';
    return kUsageOrIoError;
  }
  const short version =
      options.version >= 0 ? static_cast<short>(options.version) : workspace.version.value_or(kNewestVersion);

  TokenReader reader(workspace.text);
  if (!reader.Ok()) {
    const LexError& lex = reader.Error();
    ReportAt(options.file, workspace.text, lex.line, lex.column, 2,
             MessageText(2, lex.text) + L" (" + lex.reason + L")");
    return kTranslationError;
  }
  XmlDocument doc;
  Veltra::ClearErrors();
  const bool ok = CmdMain(&reader, version, &doc);
  if (!ok) {
    const Veltra::ErrorEntry* entry = Veltra::GetErrorEntry(0);
    const int number = entry ? entry->number : 9984;
    const std::wstring message = MessageText(number, entry ? entry->argument1 : L"");
    // The identifier reader steps over the token it rejects: point at that token.
    if ((number == 5 || number == 15) && reader.Position() > 0) reader.Seek(reader.Position() - 1);
    ReportAt(options.file, workspace.text, reader.TokenLine(), reader.TokenColumn(), number,
             message.empty() ? L"Unknown error." : message);
    Veltra::ClearErrors();
    if (!options.partial) return kTranslationError;
  }
  if (!doc.HasRoot())
    std::unique_ptr<QdXmlNode>(doc.GetRootElement(GetWorkspaceTags()->TagName(1, 0), L" /"));
  if (!WriteOutput(options.output, doc.ToXml())) return kUsageOrIoError;
  return ok ? kTranslated : kTranslationError;
}

void ListTable(const Tokens& table) {
  for (int i = 0; i < table.Count(); ++i)
    std::cout << table.Entries()[i].id << '\t' << ToUtf8(table.Entries()[i].text) << '\n';
}

int Run(int argc, char** argv) {
  CLI::App app{"Translates a workspace file into an XML workspace document."};
  app.set_version_flag("--version", "brevan 0.1.0");
  Options options;
  bool listKeywords = false, listTags = false;
  app.add_option("file", options.file, "Workspace file to translate; - reads standard input");
  app.add_option("-o,--output", options.output, "Write the document here instead of standard output");
  app.add_option("--format-version", options.version,
                 "Version of the statements (below 200 and below 300 select older forms); "
                 "overrides a \"!version N\" header")
      ->check(CLI::Range(0, 32767));
  app.add_option("--encoding", options.encoding,
                 "Encoding of the file (default UTF-8), e.g. ISO-8859-1, CP1252");
  app.add_flag("--partial", options.partial, "On a translation error, still write the document as it stood");
  app.add_flag("--list-keywords", listKeywords, "Print the keyword table (id, spelling) and exit");
  app.add_flag("--list-tags", listTags, "Print the tag table (id, name) and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? kTranslated : kUsageOrIoError;
  }
  if (listKeywords || listTags) {
    if (listKeywords) ListTable(*GetBrevanKeywords());
    if (listTags) ListTable(*GetWorkspaceTags());
    return kTranslated;
  }
  if (options.file.empty()) {
    std::cerr << "brevan: no workspace file given (see --help)\n";
    return kUsageOrIoError;
  }
  return TranslateFile(options);
}

}  // namespace
}  // namespace brevan::cli

int main(int argc, char** argv) { return brevan::cli::Run(argc, argv); }
