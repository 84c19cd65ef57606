// Where documents take their memory from.
#pragma once

#include <cstddef>

namespace brevan {

// Makes every document in the process (ours and pugixml's) take its memory from large
// regions that the kernel may back with huge pages: a big document then
// costs a few hundred page faults instead of tens of thousands. Memory that
// pugixml had before the switch is still given back correctly. Process-wide;
// meant to be called once at startup, before other threads use pugixml.
void UseLargePages();

// Once large pages are in use: makes the pages of a big buffer that is
// about to be filled (text, tokens) ready at once, as huge pages where they
// fit. Otherwise nothing. The contents stay as they are.
void PrepareLargeBuffer(void* data, size_t bytes);

// Reserves room for count elements in a vector or string that is about to
// be filled, its pages made ready at once (see PrepareLargeBuffer).
template <typename Container>
void ReserveLarge(Container& container, size_t count) {
  container.reserve(count);
  PrepareLargeBuffer(container.data(), count * sizeof(*container.data()));
}

// A block of bytes for a document's own storage: from the large regions
// once they are in use, else from malloc; null when there is no memory.
void* AllocateDocumentBlock(size_t bytes);
// Gives back a block from AllocateDocumentBlock (null is ignored).
void FreeDocumentBlock(void* block);

// Regions mapped at the moment (for tests).
size_t LargePageRegions();

}  // namespace brevan
