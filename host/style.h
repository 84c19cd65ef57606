// The host's style library: pens, brushes, fonts, symbols and the tool
// settings they are applied to. Virtual operations stand in slot order.
#pragma once

#include <cstdint>
#include <string>

namespace Veltra {

// Pattern numbers: 1 draws nothing (hollow), 2 is solid; others are hatches.
enum PAT_STYLE : int32_t { PAT_HOLLOW = 1, PAT_SOLID = 2 };

// A 32-bit colour: alpha in bits 24-31, then red, green, blue.
class cColor {
 public:
  // The alpha of a colour that hides what lies under it; a colour without
  // one is black.
  static constexpr uint32_t kOpaque = 0xFF000000u;
  // A colour of red, green and blue bits (0xRRGGBB), opaque.
  static constexpr cColor Opaque(uint32_t rgb) { return cColor(rgb | kOpaque); }
  constexpr cColor(uint32_t value = kOpaque) : value_(value) {}
  uint32_t Value() const { return value_; }
  int Red() const { return static_cast<int>((value_ >> 16) & 0xFF); }
  int Green() const { return static_cast<int>((value_ >> 8) & 0xFF); }
  int Blue() const { return static_cast<int>(value_ & 0xFF); }
  bool operator==(const cColor& other) const = default;

 private:
  uint32_t value_;
};

// Counts style objects alive, so tests can prove that none leak.
class StyleCount {
 public:
  StyleCount();
  StyleCount(const StyleCount&);
  StyleCount& operator=(const StyleCount&) = default;
  ~StyleCount();
};
// Style objects alive on the calling thread, for leak checks in tests.
long LiveStyleObjects();

// Pen widths 0 to 10 are whole widths in pixels; a width of 11 or more
// stands for (width - 10) tenths of a point, so 35 is 2.5 points.
class cPen {
 public:
  static cPen* Create(int width, PAT_STYLE pattern, const cColor& color);
  virtual ~cPen() = default;
  virtual void SetWidth(int width);
  virtual int16_t GetWidth() const;
  virtual void SetPattern(int16_t pattern);
  virtual int32_t GetPattern() const;
  virtual void SetColor(const cColor& color);
  virtual const cColor* GetColor() const;
  virtual bool HasWholeWidth() const;
  virtual double GetScaledWidth() const;

 private:
  StyleCount count_;
  int16_t width_ = 1;
  int32_t pattern_ = PAT_SOLID;
  cColor color_;
};

class cBrush {
 public:
  static cBrush* Create(PAT_STYLE pattern, const cColor& fore, const cColor& back, bool transparent);
  virtual ~cBrush() = default;
  virtual void SetPattern(const PAT_STYLE& pattern);
  virtual int32_t GetPattern() const;
  virtual void SetForeColor(const cColor& color);
  virtual const cColor* GetForeColor() const;
  virtual void SetBackColor(const cColor& color);
  virtual const cColor* GetBackColor() const;
  virtual void SetTransparent(bool transparent);
  virtual bool IsTransparent() const;

 private:
  StyleCount count_;
  int32_t pattern_ = PAT_SOLID;
  cColor fore_{0xFFFFFFFFu};
  cColor back_{0xFFFFFFFFu};
  bool transparent_ = false;
};

// Font style number bits, one per flag:
//   1 bold (FontFlag1)       2 italic (FontFlag2)     4 underline (FontFlag3)
//   8 strikeout (FontFlag4) 16 shadow (FontFlag5)    32 all caps (FontFlag6)
//  64 halo (FontFlag7)     128 overline (FontFlag8) 256 expanded (FontFlag9)
class cFont {
 public:
  static cFont* Create();
  virtual ~cFont() = default;
  virtual bool FontFlag1() const;
  virtual bool FontFlag2() const;
  virtual bool FontFlag3() const;
  virtual bool FontFlag4() const;
  virtual bool FontFlag5() const;
  virtual bool FontFlag6() const;
  virtual bool FontFlag7() const;
  virtual bool FontFlag8() const;
  virtual bool FontFlag9() const;
  virtual void SetSize(int size);
  virtual int16_t GetSize() const;
  virtual void SetForeColor(const cColor& color);
  virtual const cColor* GetForeColor() const;
  virtual void SetBackColor(const cColor& color);
  virtual const cColor* GetBackColor() const;
  virtual void SetHasBackground(bool on);
  virtual bool HasBackground() const;
  virtual void SetStyle(int style);
  virtual void SetName(const wchar_t* name);
  virtual const wchar_t* GetName() const;

 private:
  bool Flag(int bit) const { return (style_ & bit) != 0; }

  StyleCount count_;
  int style_ = 0;
  int16_t size_ = 10;
  cColor fore_{cColor::kOpaque};
  cColor back_{0xFFFFFFFFu};
  bool hasBackground_ = false;
  std::wstring name_ = L"Sans";
};

// Symbol types: 0 vector, 1 font, 2 bitmap.
class cSymbol {
 public:
  static cSymbol* Create(int type);
  virtual ~cSymbol() = default;
  virtual int GetType() const = 0;
  virtual void SetColor(const cColor& color);
  virtual const cColor* GetColor() const;
  virtual void SetSize(int size);
  virtual int16_t GetSize() const;
  virtual void SetShape(int shape);
  virtual int16_t GetShape() const;
  virtual cSymbol* Clone() const = 0;

 private:
  StyleCount count_;
  cColor color_;
  int16_t size_ = 12;
  int16_t shape_ = 35;
};

class cVectorSymbol final : public cSymbol {
 public:
  static cVectorSymbol* Create();
  int GetType() const override { return 0; }
  cSymbol* Clone() const override { return new cVectorSymbol(*this); }
};

class cFontSymbol final : public cSymbol {
 public:
  static cFontSymbol* Create();
  cFontSymbol();
  cFontSymbol(const cFontSymbol& other);
  cFontSymbol& operator=(const cFontSymbol&) = delete;
  ~cFontSymbol() override;
  int GetType() const override { return 1; }
  cSymbol* Clone() const override { return new cFontSymbol(*this); }
  // Keeps a copy of font.
  virtual void SetFont(const cFont* font);
  virtual const cFont* GetFont() const;
  virtual void SetRotation(int16_t tenths);
  virtual int16_t GetRotation() const;

 private:
  cFont* font_;
  int16_t rotation_ = 0;
};

// Bitmap style bits: 1 keeps the image's own colours (BitmapFlag2),
// 2 keeps its own size (BitmapFlag1).
class cEffSymbol final : public cSymbol {
 public:
  static cEffSymbol* Create();
  int GetType() const override { return 2; }
  cSymbol* Clone() const override { return new cEffSymbol(*this); }
  virtual void SetName(const wchar_t* name);
  virtual const wchar_t* GetName() const;
  virtual void SetStyle(uint16_t style);
  virtual bool BitmapFlag1() const;
  virtual bool BitmapFlag2() const;

 private:
  std::wstring name_;
  uint16_t style_ = 0;
};

// Replaces *target (deleting it) with a copy of source, of source's own kind.
void CopySymbol(cSymbol** target, const cSymbol* source);
// The symbol viewed as its kind, or null when it is of another kind.
cVectorSymbol* VectorSymbol(cSymbol* symbol);
cFontSymbol* FontSymbol(cSymbol* symbol);
cEffSymbol* EffSymbol(cSymbol* symbol);

// The styles a drawing tool uses. The setters keep copies.
class cToolSettings {
 public:
  static cToolSettings* Create(int symbolType);
  virtual void Release();
  virtual bool SetPen(const cPen* pen);
  virtual bool SetBrush(const cBrush* brush);
  virtual bool SetSecondPen(const cPen* pen);
  virtual bool SetSymbol(const cSymbol* symbol);
  virtual bool SetFont(const cFont* font, bool scale);

  // For tests: makes every setter on this thread refuse while on.
  static void RefuseSettersForTesting(bool refuse);

 protected:
  explicit cToolSettings(int symbolType);
  virtual ~cToolSettings();

 private:
  bool Refused() const;

  StyleCount count_;
  cPen pen_;
  cPen secondPen_;
  cBrush brush_;
  cSymbol* symbol_;
  cFont font_;
};

}  // namespace Veltra
