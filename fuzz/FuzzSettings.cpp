// Any bytes as a settings file: parsing must not fail, and what the writer
// makes of the entries must parse back to the same entries.

#include <cstdlib>

#include "settings/SettingsDocument.h"

namespace {

bool SameEntries(const std::vector<SettingsEntry>& a, const std::vector<SettingsEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].name != b[i].name || a[i].value != b[i].value) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const std::vector<SettingsEntry> entries = ParseSettingsText(SettingsBytesToUtf8(bytes));
  const QByteArray written = SerialiseSettings(entries);
  const std::vector<SettingsEntry> again = ParseSettingsText(SettingsBytesToUtf8(written));
  if (!SameEntries(entries, again)) std::abort();
  if (SerialiseSettings(again) != written) std::abort();
  for (const SettingsEntry& entry : entries) (void)SettingsValueToInteger(entry.value);
  return 0;
}
