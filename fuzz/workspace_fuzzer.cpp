// Arbitrary bytes through the lexer into CmdMain. The first byte picks the
// version form; the rest is read as UTF-8, invalid sequences replaced.
#include "fuzz/fuzz_support.h"
#include "host/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const short version = brevan::fuzz::kVersions[data[0] % 3];
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  brevan::fuzz::TranslateAndCheck(brevan::FromUtf8(bytes), version, (data[0] & 4) != 0);
  return 0;
}
