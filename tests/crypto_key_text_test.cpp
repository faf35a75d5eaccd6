#include "crypto/KeyText.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

const QString kCanonical = QStringLiteral(
    "0A 2F 54 79 9E C3 E8 0D 32 57 7C A1 C6 EB 10 35 5A 7F A4 C9 EE 13 38 5D "
    "82 A7 CC F1 16 3B 60 85 AA CF F4 19 3E 63 88 AD D2 F7 1C 41 66 8B B0 D5");
constexpr KeyMaterial kCanonicalBytes = {
    0x0A, 0x2F, 0x54, 0x79, 0x9E, 0xC3, 0xE8, 0x0D, 0x32, 0x57, 0x7C, 0xA1, 0xC6, 0xEB, 0x10, 0x35,
    0x5A, 0x7F, 0xA4, 0xC9, 0xEE, 0x13, 0x38, 0x5D, 0x82, 0xA7, 0xCC, 0xF1, 0x16, 0x3B, 0x60, 0x85,
    0xAA, 0xCF, 0xF4, 0x19, 0x3E, 0x63, 0x88, 0xAD, 0xD2, 0xF7, 0x1C, 0x41, 0x66, 0x8B, 0xB0, 0xD5};

// The canonical text with its blanks replaced by sep.
QString Joined(const QString& sep) { return kCanonical.split(u' ').join(sep); }

// The canonical text with the separator after value number `after` replaced.
QString WithSeparatorAfter(int after, const QString& sep) {
  const QStringList values = kCanonical.split(u' ');
  return values.mid(0, after).join(u' ') + sep + values.mid(after).join(u' ');
}

struct Recorded {
  int calls = 0;
  QString title;
  QString text;
};

struct KeyRow {
  const char* name;
  QString text;
  bool viaSettingsWindow;  // normalised as the settings window does on "Ok"
  bool accepted;
};

TEST(ParseKeyText, AcceptsAndRefusesAsTheKeyTextRulesSay) {
  const QStringList values = kCanonical.split(u' ');
  const KeyRow rows[] = {
      {"canonical text", kCanonical, false, true},
      {"lower case values", kCanonical.toLower(), false, true},
      {"single digit value", QString(kCanonical).replace(0, 2, QStringLiteral("A")), false, false},
      {"47 values", values.mid(0, 47).join(u' '), false, false},
      {"48 values and a trailing blank", kCanonical + u' ', false, true},
      {"further values after the 48th", kCanonical + QStringLiteral(" 11 22"), false, true},
      {"any text after the 48th blank", kCanonical + QStringLiteral(" kein Hex"), false, true},
      {"two blanks between values", WithSeparatorAfter(5, QStringLiteral("  ")), false, false},
      {"blank before the first value", u' ' + kCanonical, false, false},
      {"tab between values", WithSeparatorAfter(5, QStringLiteral("\t")), false, false},
      {"line break between values", Joined(QStringLiteral("\n")), false, false},
      {"line break right after the 48th value", kCanonical + u'\n', false, false},
      {"line break after a blank after the 48th value", kCanonical + QStringLiteral(" \n"), false, true},
      {"three digit value", QString(kCanonical).replace(0, 2, QStringLiteral("0A0")), false, false},
      {"non-hex digit", QString(kCanonical).replace(0, 2, QStringLiteral("G1")), false, false},
      {"empty text", QString(), false, false},
      {"settings window: dashes", Joined(QStringLiteral("-")), true, true},
      {"settings window: commas", Joined(QStringLiteral(",")), true, true},
      {"settings window: mixed lower case", Joined(QStringLiteral("-")).toLower().replace(2, 1, QStringLiteral(",")), true, true},
      {"settings window: comma and blank", Joined(QStringLiteral(", ")), true, false},
      {"settings window: line breaks stay", Joined(QStringLiteral("\r\n")), true, false},
  };
  for (const KeyRow& row : rows) {
    SCOPED_TRACE(row.name);
    const QString text = row.viaSettingsWindow ? NormaliseKeyText(row.text) : row.text;
    KeyMaterial material{};
    Recorded shown;
    const bool ok = ParseKeyText(text, material, [&](const QString& title, const QString& msg) {
      ++shown.calls;
      shown.title = title;
      shown.text = msg;
    });
    EXPECT_EQ(ok, row.accepted);
    if (row.accepted) {
      EXPECT_EQ(material, kCanonicalBytes);
      EXPECT_EQ(shown.calls, 0);
    } else {
      EXPECT_EQ(shown.calls, 1);
      EXPECT_EQ(shown.title, QStringLiteral("Fehler:"));
      EXPECT_EQ(shown.text, QStringLiteral("Für den Schlüssel werden 48 Hexwerte durch "
                                           "Leerzeichen getrennt erwartet."));
    }
  }
}

TEST(ParseKeyText, LeavesTheKeyMaterialAsItWasWhenRefused) {
  KeyMaterial material;
  material.fill(0xEE);
  const QString text = kCanonical.left(3 * 10) + QStringLiteral("ZZ");  // ten good values, then junk
  EXPECT_FALSE(ParseKeyText(text, material, {}));
  KeyMaterial unchanged;
  unchanged.fill(0xEE);
  EXPECT_EQ(material, unchanged);
}

TEST(NormaliseKeyText, UpperCasesAndBlanksSeparatorsWithoutChangingLength) {
  const struct {
    const char* name;
    QString in;
    QString out;
  } rows[] = {
      {"dash and comma", QStringLiteral("0a-1b,2c"), QStringLiteral("0A 1B 2C")},
      {"comma blank gives two blanks", QStringLiteral("0a, 1b"), QStringLiteral("0A  1B")},
      {"line breaks and outer blanks kept", QStringLiteral(" ff\r\nee "), QStringLiteral(" FF\r\nEE ")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(NormaliseKeyText(row.in), row.out);
  }
}

TEST(ByteToHexText, GivesTwoUpperCaseDigitsForEveryByte) {
  for (int value = 0; value < 256; ++value) {
    EXPECT_EQ(ByteToHexText(static_cast<uint8_t>(value)), QString::asprintf("%02X", value)) << value;
  }
}

TEST(KeyTextFromMaterial, IsTheCanonicalTextThatParsesBack) {
  EXPECT_EQ(KeyTextFromMaterial(kCanonicalBytes), kCanonical);
}

}  // namespace
