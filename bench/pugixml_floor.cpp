// pugixml_floor IN OUT: loads an XML document and saves it indented, as
// brevan prints its documents. What no translator built on pugixml can beat:
// bench/scaling runs it on brevan's own output, with huge-page malloc.
#include <cstdio>
#include <pugixml.hpp>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pugixml_floor IN OUT\n");
    return 2;
  }
  pugi::xml_document document;
  const pugi::xml_parse_result loaded = document.load_file(argv[1]);
  if (!loaded) {
    std::fprintf(stderr, "pugixml_floor: %s: %s\n", argv[1], loaded.description());
    return 1;
  }
  return document.save_file(argv[2], "  ", pugi::format_default) ? 0 : 1;
}
