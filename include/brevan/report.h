// Brevan reports: what a workspace became, as a page people check by eye.
//
//   brevan::Result result = brevan::TranslateFile("roads.bws");
//   std::string page = brevan::RenderHtml(result, "roads.bws");
//
// A page is one self-contained HTML file: no script, no network, a light
// and a dark scheme, printable. It shows a table of contents, the
// diagnostics and the statements passed over, then per map window its view
// and its layers in order with their tables, labels and themes, each theme
// with a legend preview drawn as inline SVG from the document (each
// distinct drawing once; a legend the same as an earlier one links to it).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "brevan/brevan.h"
#include "brevan/workspace.h"

namespace brevan {

// The page for a translation: what it made (result.workspace, which may be
// the partial work of a failed translation) and its diagnostics. name is
// how the page names the workspace, usually its file name.
std::string RenderHtml(const Result& result, const std::string& name);

// The page for a document alone (UTF-8 XML as brevan writes it).
std::string RenderHtml(std::string_view xml, const std::string& name);

// What an index shows of one translation; a batch's manifest keeps it for
// the files a re-run does not translate again.
struct FileFacts {
  bool failed = false;
  size_t layers = 0;  // what its document holds (known when its page was written)
  size_t themes = 0;
  size_t warnings = 0;
  size_t remarks = 0;
  size_t passedOver = 0;
  size_t missingTables = 0;
  std::string encoding;                            // what its text was read in (Result::encoding)
  std::map<std::string, size_t> losses;            // its warnings and remarks by code
  std::map<std::string, size_t> passedOverByName;  // its statements passed over by their leading words
  // Its errors, then its warnings: the first kShown of them (line, column
  // and message; the counts are whole).
  std::vector<Diagnostic> diagnostics;
  size_t unshown = 0;  // errors and warnings past those
  static constexpr size_t kShown = 20;
};

// The facts of a translation; failed as its options judge it (Failed()).
FileFacts FactsOf(const Result& result, bool failed);

// One file of a batch, as the index lists it.
struct IndexEntry {
  std::string name;       // the workspace, as given
  std::string folder;     // the group it is listed in: its document's folder, relative to the index
  std::string page;       // its page, relative to the index; empty when none was written
  std::string document;   // its document, relative to the index; empty when none was written
  std::string source;     // the workspace file, relative to the index
  bool upToDate = false;  // not translated again: its last translation stands
  FileFacts facts;
};

// An index page listing every file of a batch with its status, counts and
// diagnostics, linking each page: grouped by folder with the counts of
// each, filters for files that failed, have warnings or miss table files,
// and columns that sort when their heading is clicked.
std::string RenderHtmlIndex(const std::vector<IndexEntry>& entries, const std::string& title);

}  // namespace brevan
