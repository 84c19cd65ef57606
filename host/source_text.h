// A workspace's text as the reader holds it: one byte per character when
// every character is below U+0100, as in nearly every workspace, else one
// wide character each. The host's interfaces still pass wide text; only the
// storage is compact, so a large workspace costs its size in memory, not
// four times that.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace brevan {

class SourceText {
 public:
  SourceText() = default;
  // Wide text, narrowed when every character allows it.
  explicit SourceText(std::wstring wide);
  explicit SourceText(std::wstring_view wide) : SourceText(std::wstring(wide)) {}
  // Characters U+0000 to U+00FF, one byte each.
  static SourceText Latin1(std::string bytes) {
    SourceText text;
    text.narrow_ = std::move(bytes);
    return text;
  }

  bool IsNarrow() const { return !isWide_; }
  size_t size() const { return isWide_ ? wide_.size() : narrow_.size(); }
  wchar_t operator[](size_t i) const {
    return isWide_ ? wide_[i] : static_cast<wchar_t>(static_cast<unsigned char>(narrow_[i]));
  }
  // count characters from begin (as many as there are), as wide text.
  std::wstring Substr(size_t begin, size_t count) const {
    std::wstring out;
    AssignSubstr(out, begin, count);
    return out;
  }
  // The same into out, reusing its storage.
  void AssignSubstr(std::wstring& out, size_t begin, size_t count) const {
    begin = std::min(begin, size());
    count = std::min(count, size() - begin);
    if (isWide_) {
      out.assign(wide_, begin, count);
      return;
    }
    out.resize(count);
    for (size_t i = 0; i < count; ++i)
      out[i] = static_cast<wchar_t>(static_cast<unsigned char>(narrow_[begin + i]));
  }
  size_t Find(wchar_t c, size_t from = 0) const {
    if (isWide_) return wide_.find(c, from);
    return c < 0x100 ? narrow_.find(static_cast<char>(c), from) : std::string::npos;
  }
  // Overwrites count characters from begin with c, a character below U+0100.
  void Fill(size_t begin, size_t count, wchar_t c) {
    if (isWide_)
      std::fill_n(wide_.begin() + static_cast<long>(begin), count, c);
    else
      std::fill_n(narrow_.begin() + static_cast<long>(begin), count, static_cast<char>(c));
  }
  // Calls visit with the characters as a view of char (Latin-1) or of wchar_t.
  template <typename Visit>
  decltype(auto) View(Visit visit) const {
    return isWide_ ? visit(std::wstring_view(wide_)) : visit(std::string_view(narrow_));
  }

 private:
  std::string narrow_;
  std::wstring wide_;
  bool isWide_ = false;
};

// A character of either view, as a wide character.
inline wchar_t Widen(char c) { return static_cast<wchar_t>(static_cast<unsigned char>(c)); }
inline wchar_t Widen(wchar_t c) { return c; }

// Decodes UTF-8 from outside into the narrowest storage that holds it. On an
// invalid sequence returns false and sets badOffset to the byte where
// decoding stopped.
bool DecodeUtf8(std::string_view bytes, SourceText& out, size_t& badOffset);

}  // namespace brevan
