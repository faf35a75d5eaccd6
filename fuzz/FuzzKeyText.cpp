// Any text as a key text: a text the parser accepts gives key material whose
// canonical text parses to the same bytes; a refused one shows one message.

#include <cstdlib>

#include "crypto/KeyText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  int messages = 0;
  const ShowMessageFn count = [&messages](const QString&, const QString&) { ++messages; };
  KeyMaterial material{};
  const bool parsed = ParseKeyText(text, material, count);
  if (parsed != (messages == 0) || messages > 1) std::abort();
  if (parsed) {
    const QString canonical = KeyTextFromMaterial(material);
    KeyMaterial again{};
    if (canonical.size() != 143 || !ParseKeyText(canonical, again, count) || again != material) std::abort();
  }
  (void)ParseKeyText(NormaliseKeyText(text), material, count);
  return 0;
}
