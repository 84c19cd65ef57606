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

// One file of a batch, as the index lists it.
struct IndexEntry {
  std::string name;      // the workspace, as given
  std::string page;      // its page, relative to the index; empty when none was written
  std::string document;  // its document, relative to the index; empty when none was written
  std::string source;    // the workspace file, relative to the index
  Result result;         // its outcome (result.xml is not needed)
  size_t layers = 0;     // what its document holds
  size_t themes = 0;
};

// An index page listing every file of a batch with its status, counts and
// diagnostics, linking each page.
std::string RenderHtmlIndex(const std::vector<IndexEntry>& entries, const std::string& title);

}  // namespace brevan
