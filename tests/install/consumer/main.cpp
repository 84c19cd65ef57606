#include <brevan/brevan.h>

#include <iostream>

int main() {
  const brevan::Result good = brevan::TranslateBytes("Open Table \"a\" As a\nMap From a, a\n");
  const brevan::Result bad = brevan::TranslateBytes("Map From a,\n  7");
  if (!good.ok || good.xml.find("alias=\"a_2\"") == std::string::npos) return 1;
  if (bad.ok || bad.error != 5 || bad.line != 2) return 2;
  std::cout << "brevan " << brevan::Version() << " ok\n";
  return 0;
}
