// Printing the document's element as text. Part of the document's
// implementation: only host/xml_document.cpp and host/xml_printing.cpp
// include it.
#pragma once

#include <functional>
#include <pugixml.hpp>
#include <string_view>

namespace brevan {

// Prints element, indented or not, and hands the text to write in order;
// false once write refused a piece (nothing more is handed over then).
// A large element is printed on threads of their own while this one writes.
bool PrintElement(pugi::xml_node element, const std::function<bool(std::string_view)>& write, bool indent,
                  bool large);

}  // namespace brevan
