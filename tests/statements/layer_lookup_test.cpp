#include <algorithm>

#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using LayerLookupTest = TranslatorTest;

// The name attribute of the layer that number finds, or "-" when none.
std::wstring Found(BrevanTranslator& state, int32_t number) {
  NodeHandle layer;
  if (!state.FindLayerNode(number, layer)) return layer ? L"non-null handle" : L"-";
  std::wstring name;
  layer->GetAttribute(state.Name(Tag::Name), name);
  return name;
}

TEST_F(LayerLookupTest, NumbersResolveThroughLayerNames) {
  const Translation result =
      TranslateWithState(L"Map From t, u\nMap From t", 300, [](BrevanTranslator& state) {
        EXPECT_EQ(Found(state, 1), L"t");
        EXPECT_EQ(Found(state, 2), L"u");
        EXPECT_EQ(Found(state, 3), L"t");  // the first window's t, first in document order
        NodeHandle third;
        ASSERT_TRUE(state.FindLayerNode(3, third));
        std::wstring position;
        third->GetAttribute(state.Name(Tag::Position), position);
        EXPECT_EQ(position, L"1");
        for (int32_t missing : {0, -1, 4, INT32_MAX, INT32_MIN})
          EXPECT_EQ(Found(state, missing), L"-") << missing;
      });
  EXPECT_TRUE(result.ok);
}

TEST_F(LayerLookupTest, NothingIsFoundBeforeAnyMapWindow) {
  TranslateWithState(L"Open Table \"a\"", 300, [](BrevanTranslator& state) {
    state.layerNames.push_back(L"a");
    EXPECT_EQ(Found(state, 1), L"-");
  });
}

// A name that would change the meaning of a query path is matched as written.
TEST_F(LayerLookupTest, NamesWithQuotesAndBracketsAreMatchedLiterally) {
  const Translation result =
      TranslateWithState(L"Map From t, `u\"]|//*[@name=\"`", 300, [](BrevanTranslator& state) {
        EXPECT_EQ(Found(state, 2), L"u\"]|//*[@name=\"");
        state.layerNames = {L"t\"]|//*[@name=\"", state.layerNames[1]};
        EXPECT_EQ(Found(state, 1), L"-");
      });
  EXPECT_TRUE(result.ok);
}

// The run-based list must behave exactly like a plain vector of names.
TEST(LayerNamesTest, BehavesLikeAVector) {
  LayerNames names;
  std::vector<std::wstring> expected;
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245 + 12345, (seed >> 16) & 0x7FFF; };
  for (int step = 0; step < 5000; ++step) {
    const std::wstring name = L"n" + std::to_wstring(next() % 40);
    if (next() % 3 == 0) {
      names.push_back(name);
      expected.push_back(name);
    } else {
      const auto first = std::find(expected.begin(), expected.end(), name);
      EXPECT_EQ(names.InsertBeforeFirst(name), first != expected.end());
      if (first != expected.end()) expected.insert(first, name);
    }
    ASSERT_EQ(names.size(), expected.size());
    const size_t probe = expected.empty() ? 0 : next() % expected.size();
    if (!expected.empty()) {
      ASSERT_EQ(names[probe], expected[probe]) << step;
    }
  }
  EXPECT_EQ(static_cast<std::vector<std::wstring>>(names), expected);
  names.clear();
  EXPECT_TRUE(names.empty());
}

}  // namespace
}  // namespace brevan::test
