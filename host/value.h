// The host's value library: the values that value expressions read.
#pragma once

#include <cstddef>
#include <string>

namespace Veltra {

enum { ALLTYPE_OWNERSHIP = 1 };

// A value of a value expression: empty, a number, a text (from a string
// constant) or a name (from an identifier, kept as written).
class AllType {
 public:
  enum class Kind { Empty, Number, Text, Name };

  AllType();
  virtual ~AllType();
  AllType(const AllType&) = delete;
  AllType& operator=(const AllType&) = delete;

  // Writes the value as text into buffer, truncated to size - 1 characters
  // and terminated; false when it had to truncate.
  virtual bool GetText(wchar_t* buffer, size_t size, int reserved, bool quoted) const;
  // Kind A: a number. Kind B: a text.
  virtual bool IsKindA() const;
  virtual bool IsKindB() const;

  // Host extensions: the whole text, never truncated, and the setters the
  // token reader fills a value with.
  std::wstring Text() const;
  Kind GetKind() const { return kind_; }
  void SetNumber(double number);
  void SetText(std::wstring text, Kind kind);

 private:
  Kind kind_ = Kind::Empty;
  double number_ = 0;
  std::wstring text_;
};

AllType* CreateAllType();
AllType* CreateAllType(long number);
AllType* CreateAllType(const wchar_t* text, int ownership);

// Value objects made and not yet deleted on the calling thread, for leak
// checks in tests. Counted per thread: a shared counter made threads that
// translate at once wait on each other.
long LiveValueObjects();

}  // namespace Veltra
