// Running out of memory at any allocation of a translation: the result is
// error 9984, and the document as it stood is well-formed, so that
// --partial hands over something every reader can open. This executable
// replaces operator new with one that fails a chosen allocation (the
// document's record and text blocks come from malloc: a failure there
// throws before anything is linked, as these do).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "brevan/brevan.h"

namespace {

// Allocations left before the one that fails; 0 when none is to fail.
std::atomic<long> allocationsLeft{0};
// Allocations counted while armed, to learn how many a translation makes.
std::atomic<long> counted{0};
std::atomic<bool> counting{false};

void* Allocate(size_t size) {
  if (counting.load(std::memory_order_relaxed)) counted.fetch_add(1, std::memory_order_relaxed);
  if (allocationsLeft.load(std::memory_order_relaxed) > 0 && allocationsLeft.fetch_sub(1) == 1)
    throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

}  // namespace

// Every form that allocates with malloc, so that each block goes back the
// way it came (the sanitizer checks).
void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t size, const std::nothrow_t& nothrow) noexcept {
  return operator new(size, nothrow);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

// The example workspace, its statements five times over: enough elements
// that the document's records and text take more than their first blocks.
std::string Example() {
  std::ifstream in(std::string(BREVAN_SOURCE_DIR) + "/examples/workspace.bws", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string once = text.str();
  const std::string statements = once.substr(once.find('\n') + 1);  // after the version line
  std::string workspace = once;
  for (int copy = 1; copy < 5; ++copy) workspace += statements;
  return workspace;
}

TEST(AllocationFailureTest, EveryFailureLeavesAWellFormedPartialDocument) {
  const std::string workspace = Example();
  brevan::Options options;
  options.partial = true;
  const std::string whole = brevan::TranslateBytes(workspace, options).xml;
  ASSERT_FALSE(whole.empty());

  counting = true;
  brevan::TranslateBytes(workspace, options);
  counting = false;
  const long total = counted.load();
  ASSERT_GT(total, 100);

  // Every allocation of the translation fails once, each in a run of its own.
  long cut = 0, written = 0;
  for (long at = 1; at <= total; ++at) {
    allocationsLeft = at;
    const brevan::Result result = brevan::TranslateBytes(workspace, options);
    const bool failed = allocationsLeft.load() <= 0;
    allocationsLeft = 0;
    if (!failed) continue;  // a run may allocate less than the counted one
    SCOPED_TRACE("allocation " + std::to_string(at) + " of " + std::to_string(total));
    if (result.ok) {  // a failure the library works around (a sort's scratch buffer)
      EXPECT_TRUE(result.xml == whole);
      continue;
    }
    EXPECT_EQ(result.error, 9984);
    ++cut;
    if (result.xml.empty()) continue;
    ++written;
    pugi::xml_document parsed;
    ASSERT_TRUE(parsed.load_string(result.xml.c_str())) << result.xml.substr(0, 400);
    EXPECT_STREQ(parsed.document_element().name(), "Workspace");
    EXPECT_LE(result.xml.size(), whole.size());
  }
  EXPECT_GT(cut, total * 9 / 10);
  // Most failures fall inside a statement, with a document standing.
  EXPECT_GT(written, cut / 2);
}

}  // namespace
