// Making style objects with the defaults of each clause kind.
#pragma once

#include <memory>
#include <new>

#include "host/style.h"

namespace brevan {

// Owns what a host factory made; a null result is out of memory.
template <typename T>
std::unique_ptr<T> Owned(T* made) {
  if (made == nullptr) throw std::bad_alloc();
  return std::unique_ptr<T>(made);
}

// The defaults of the pen, brush, font and symbol clauses.
inline std::unique_ptr<Veltra::cPen> NewPen() {
  return Owned(Veltra::cPen::Create(1, Veltra::PAT_SOLID, Veltra::cColor()));
}
inline std::unique_ptr<Veltra::cBrush> NewBrush() {
  return Owned(Veltra::cBrush::Create(Veltra::PAT_SOLID, Veltra::cColor(0xFFFFFFFFu),
                                      Veltra::cColor(0xFFFFFFFFu), false));
}
inline std::unique_ptr<Veltra::cFont> NewFont() { return Owned(Veltra::cFont::Create()); }
inline std::unique_ptr<Veltra::cSymbol> NewSymbol() { return Owned(Veltra::cSymbol::Create(0)); }

}  // namespace brevan
