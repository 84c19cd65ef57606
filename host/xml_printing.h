// Printing the document's element as text. Part of the document's
// implementation: only the host's xml_*.cpp files include it.
#pragma once

#include <functional>
#include <string_view>

#include "host/xml_tree.h"

namespace brevan::xml {

// Prints element, indented by two spaces a level or raw, and hands the text
// to write in blocks, in order; false once write refused one (nothing more
// is handed over then). Indented text ends with a line feed.
bool PrintElement(const Tree& tree, Id element, const std::function<bool(std::string_view)>& write,
                  bool indent);

}  // namespace brevan::xml
