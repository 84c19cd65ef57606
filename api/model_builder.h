// The read model built from what a translation made: the document, read
// through the host's node interface, and the statements the reader recorded.
#pragma once

#include <memory>
#include <vector>

#include "brevan/brevan.h"
#include "host/xml.h"
#include "host/xml_document.h"

namespace brevan {

class TokenReader;

// A translation's document, kept with its result (Options::keepTree): what
// statement fragments are printed from. Only read once kept.
class Tree {
 public:
  mutable XmlDocument document;
};

// The tables and map windows that doc holds.
Workspace ReadObjects(XmlDocument& doc);

// Lists the statements in the order of the text, those translated (with
// the objects each made or changed) and those passed over, and gives each
// object of workspace its origin.
void AddStatements(TokenReader& reader, Workspace& workspace);

// The element of doc that ref names; null when none.
std::unique_ptr<QdXmlNode> ElementOf(XmlDocument& doc, const ObjectRef& ref);

}  // namespace brevan
