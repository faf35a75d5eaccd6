#include "crypto/KeyText.h"

#include <QStringView>

namespace {

const QString kErrorTitle = QStringLiteral("Fehler:");
const QString kBadKeyText =
    QStringLiteral("Für den Schlüssel werden 48 Hexwerte durch Leerzeichen getrennt erwartet.");

int HexDigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

// Value of one field after upper-casing it, or -1 when it is not exactly two hex digits.
int FieldValue(QStringView field) {
  const QString upper = field.toString().toUpper();
  if (upper.size() != 2) return -1;
  const int high = HexDigitValue(upper[0]);
  const int low = HexDigitValue(upper[1]);
  if (high < 0 || low < 0) return -1;
  return high * 16 + low;
}

}  // namespace

bool ParseKeyText(const QString& keyText, KeyMaterial& material, const ShowMessageFn& showMessage) {
  // Parsed aside and stored only when complete, so a refused text never leaves
  // a mix of old and new bytes behind.
  KeyMaterial parsed{};
  const QStringView text(keyText);
  qsizetype start = 0;  // may pass the end: fields beyond the text are empty
  for (size_t i = 0; i < parsed.size(); ++i) {
    QStringView field;
    if (start <= text.size()) {
      qsizetype end = text.indexOf(u' ', start);
      if (end < 0) end = text.size();
      field = text.sliced(start, end - start);
      start = end + 1;
    }
    const int value = FieldValue(field);
    if (value < 0) {
      if (showMessage) showMessage(kErrorTitle, kBadKeyText);
      return false;
    }
    parsed[i] = static_cast<uint8_t>(value);
  }
  material = parsed;
  parsed.fill(0);
  return true;
}

QString NormaliseKeyText(const QString& fieldText) {
  QString text = fieldText.toUpper();
  for (QChar& c : text) {
    if (c == u'-' || c == u',') c = u' ';
  }
  return text;
}

QString ByteToHexText(uint8_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  const QChar pair[2] = {QChar(kDigits[value >> 4]), QChar(kDigits[value & 0x0F])};
  return QString(pair, 2);
}

QString KeyTextFromMaterial(const KeyMaterial& material) {
  QString text;
  text.reserve(static_cast<qsizetype>(material.size()) * 3 - 1);
  for (size_t i = 0; i < material.size(); ++i) {
    if (i > 0) text += u' ';
    text += ByteToHexText(material[i]);
  }
  return text;
}
