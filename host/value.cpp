#include "host/value.h"

#include <cwchar>

#include "host/text.h"

namespace Veltra {

namespace {
thread_local long liveValues = 0;
}

AllType::AllType() { ++liveValues; }

AllType::~AllType() { --liveValues; }

bool AllType::GetText(wchar_t* buffer, size_t size, int, bool) const {
  if (buffer == nullptr || size == 0) return false;
  const std::wstring text = Text();
  const size_t length = std::min(text.size(), size - 1);
  std::wmemcpy(buffer, text.data(), length);
  buffer[length] = L'\0';
  return length == text.size();
}

bool AllType::IsKindA() const { return kind_ == Kind::Number; }

bool AllType::IsKindB() const { return kind_ == Kind::Text; }

std::wstring AllType::Text() const { return kind_ == Kind::Number ? brevan::FormatNumber(number_) : text_; }

void AllType::SetNumber(double number) {
  kind_ = Kind::Number;
  number_ = number;
  text_.clear();
}

void AllType::SetText(std::wstring text, Kind kind) {
  kind_ = kind;
  text_ = std::move(text);
}

AllType* CreateAllType() { return new AllType(); }

AllType* CreateAllType(long number) {
  auto* value = new AllType();
  value->SetNumber(static_cast<double>(number));
  return value;
}

AllType* CreateAllType(const wchar_t* text, int) {
  auto* value = new AllType();
  value->SetText(text ? text : L"", AllType::Kind::Name);
  return value;
}

long LiveValueObjects() { return liveValues; }

}  // namespace Veltra
