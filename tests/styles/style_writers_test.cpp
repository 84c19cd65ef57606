#include "host/style.h"
#include "host/xml_document.h"
#include "styles/style_objects.h"
#include "tests/support/translate.h"

namespace brevan::test {
namespace {

using StyleWritersTest = TranslatorTest;

// Writes into the root element and gives the document.
std::string Written(const std::function<void(BrevanTranslator&, QdXmlNode&)>& write) {
  return RunOnState(L"", [&](BrevanTranslator& t) { write(t, *t.root); }).xml;
}

std::string Within(const std::string& body) { return "<Workspace>" + body + "</Workspace>"; }

struct PenCase {
  int width;
  const char* text;
};

TEST_F(StyleWritersTest, PenWidthsAndColorWithoutAlpha) {
  const PenCase cases[] = {{0, "0"}, {7, "7"}, {35, "2.5pt"}, {40, "3.0pt"}, {11, "0.1pt"}};
  for (const PenCase& c : cases) {
    const auto pen = Owned(Veltra::cPen::Create(c.width, Veltra::PAT_HOLLOW, Veltra::cColor(0x12FF0080)));
    EXPECT_EQ(Written([&](BrevanTranslator& t, QdXmlNode& parent) { t.WritePenStyle(parent, *pen, false); }),
              Within("<PenStyle><Patterns><Reference refKind=\"builtin\" pattern=\"pen1\" /></Patterns>"
                     "<Graphics><Paint><Drawing lineColor=\"rgb(255,0,128)\" width=\"" +
                     std::string(c.text) + "\" /></Paint></Graphics></PenStyle>"))
        << c.width;
  }
}

TEST_F(StyleWritersTest, BrushWithoutBackgroundStillWritesIt) {
  const auto brush = NewBrush();
  brush->SetForeColor(Veltra::cColor(0xFF0000FF));
  brush->SetTransparent(true);
  EXPECT_EQ(
      Written([&](BrevanTranslator& t, QdXmlNode& parent) { t.WriteBrushStyle(parent, *brush, false); }),
      Within("<BrushStyle><Patterns><Reference refKind=\"builtin\" fillPattern=\"brush2\" /></Patterns>"
             "<Graphics><Paint><Drawing foreground=\"rgb(0,0,255)\" background=\"rgb(255,255,255)\" "
             "opaque=\"0\" /></Paint></Graphics></BrushStyle>"));
}

struct FontCase {
  int style;
  const char* attributes;
};

TEST_F(StyleWritersTest, FontWordLists) {
  const FontCase cases[] = {
      {0, "weight=\"1\" slant=\"upright\" effects=\"none\" decoration=\"none\""},
      {1 | 2, "weight=\"2\" slant=\"italic\" effects=\"none\" decoration=\"none\""},
      {32 | 64, "weight=\"1\" slant=\"upright\" effects=\"caps halo\" decoration=\"none\""},
      {16 | 32 | 64, "weight=\"1\" slant=\"upright\" effects=\"shadow caps halo\" decoration=\"none\""},
      {4 | 8 | 128 | 256,
       "weight=\"1\" slant=\"upright\" effects=\"none\" decoration=\"overline expanded underline "
       "strikeout\""},
  };
  for (const FontCase& c : cases) {
    const auto font = NewFont();
    font->SetStyle(c.style);
    EXPECT_EQ(Written([&](BrevanTranslator& t, QdXmlNode& parent) { t.WriteFontStyle(parent, *font); }),
              Within("<FontStyle><Graphics><Paint><Drawing family=\"Sans\" textColor=\"rgb(0,0,0)\" "
                     "backColor=\"rgb(255,255,255)\" pointSize=\"10\" " +
                     std::string(c.attributes) + " boxed=\"0\" /></Paint></Graphics></FontStyle>"))
        << c.style;
  }
}

TEST_F(StyleWritersTest, FontSymbolThenVectorSymbolReuseOneDrawing) {
  SymbolHandle symbol = NewSymbol();
  const std::string xml = Written([&](BrevanTranslator& t, QdXmlNode& parent) {
    SymbolHandle fontSymbol = Owned<Veltra::cSymbol>(Veltra::cFontSymbol::Create());
    Veltra::FontSymbol(fontSymbol.get())->SetRotation(450);
    t.WriteSymbolStyle(parent, *fontSymbol);
    symbol->SetShape(36);
    symbol->SetSize(20);
    t.WriteSymbolStyle(parent, *symbol);
  });
  EXPECT_EQ(
      xml,
      Within("<SymbolStyle><Patterns><Reference refKind=\"builtin\" symbolShape=\"glyph36\" /></Patterns>"
             "<Graphics><Paint><Drawing symbolColor=\"rgb(0,0,0)\" symbolSize=\"20\" "
             "transform=\"0 450 0 0 450 0\" family=\"Sans\" textColor=\"rgb(0,0,0)\" "
             "backColor=\"rgb(255,255,255)\" pointSize=\"10\" weight=\"1\" slant=\"upright\" "
             "effects=\"none\" decoration=\"none\" boxed=\"0\" /></Paint></Graphics></SymbolStyle>"));
}

TEST_F(StyleWritersTest, BitmapSymbol) {
  SymbolHandle bitmap = Owned<Veltra::cSymbol>(Veltra::cEffSymbol::Create());
  Veltra::EffSymbol(bitmap.get())->SetName(L"pin.png");
  Veltra::EffSymbol(bitmap.get())->SetStyle(1);
  EXPECT_EQ(
      Written([&](BrevanTranslator& t, QdXmlNode& parent) { t.WriteSymbolStyle(parent, *bitmap); }),
      Within("<SymbolStyle><Patterns><Reference refKind=\"builtin\" symbolShape=\"glyph35\" /></Patterns>"
             "<Graphics><Paint><Drawing symbolColor=\"rgb(0,0,0)\" symbolSize=\"12\" image=\"pin.png\" "
             "keepColor=\"1\" keepSize=\"0\" /></Paint></Graphics></SymbolStyle>"));
}

TEST_F(StyleWritersTest, PenAndBrushShareOneWrapper) {
  const auto pen = NewPen();
  const auto brush = NewBrush();
  const std::string xml = Written([&](BrevanTranslator& t, QdXmlNode& parent) {
    t.WritePenStyle(parent, *pen, true);
    t.WriteBrushStyle(parent, *brush, true);
    t.WritePenStyle(parent, *pen, true);  // a second write reuses the elements
  });
  EXPECT_EQ(xml.find("<Styles><PenStyle>"), std::string("<Workspace>").size());
  EXPECT_EQ(xml.find("</PenStyle><BrushStyle>") != std::string::npos, true);
  EXPECT_EQ(xml.rfind("<Styles>"), xml.find("<Styles>"));
  EXPECT_EQ(xml.rfind("<PenStyle>"), xml.find("<PenStyle>"));
}

TEST_F(StyleWritersTest, ExistingChainsAreReusedInTheirOrder) {
  // A drawing chain already there keeps its place before a new pattern chain.
  const auto pen = NewPen();
  const std::string xml = Written([&](BrevanTranslator& t, QdXmlNode& parent) {
    const NodeHandle style = t.FindOrAddChild(parent, Tag::PenStyle);
    t.FindOrAddChild(*style, Tag::Graphics);
    t.WritePenStyle(parent, *pen, false);
  });
  EXPECT_LT(xml.find("<Graphics>"), xml.find("<Patterns>"));
}

TEST_F(StyleWritersTest, OutOfMemoryWhileWritingIsBadAlloc) {
  const auto pen = NewPen();
  bool outOfMemory = false;
  RunOnState(L"", [&](BrevanTranslator& t) {
    struct NoElements final : QdXmlDocument {
      QdXmlNode* CreateElement(std::wstring_view) override { return nullptr; }
      QdXmlNode* GetRootElement(std::wstring_view, const wchar_t*) override { return nullptr; }
    } exhausted;
    QdXmlDocument* real = t.doc;
    t.doc = &exhausted;
    try {
      t.WritePenStyle(*t.root, *pen, true);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    }
    t.doc = real;
  });
  EXPECT_TRUE(outOfMemory);
}

}  // namespace
}  // namespace brevan::test
