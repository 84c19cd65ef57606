// The read model (<brevan/model.h>) beyond a translation's own: a document
// saved on disk read back, and what one statement made as XML.
//
//   brevan::Result result = brevan::TranslateFile("roads.bws", options);  // options.keepTree = true
//   std::cout << brevan::StatementFragment(result, 0);
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brevan/brevan.h"

namespace brevan {

// A number as the document writes numbers: the fewest digits that read
// back, plain from one millionth to 10^21 (100000, 0.25), exponent form
// outside (1e+21).
std::string NumberText(double value);

// The read model of a document as brevan writes it (UTF-8 XML, such as a
// file saved by the tool); nothing when it cannot be parsed. It has no
// statements, and its objects no origins: only a translation knows them.
std::optional<Workspace> ReadWorkspace(std::string_view xml);

// What result.workspace.statements[index] made or changed in the document,
// as indented XML of at most maxLines lines (then "…"): an open-table
// statement's table, a map-window statement's window, the window a set-map
// statement set, the theme a thematic statement added, the layers a legend
// statement gave legends. Needs the document kept (Options::keepTree);
// empty without it or when there is no such element.
std::string StatementFragment(const Result& result, size_t index, size_t maxLines = 40);

}  // namespace brevan
