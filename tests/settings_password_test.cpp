// The stored form of the profile password.

#include "settings/PasswordForm.h"

#include <gtest/gtest.h>

namespace {

struct StoredForm {
  const char* name;
  QString plain;
  QString stored;
};

TEST(PasswordForm, EncodesAndDecodes) {
  const StoredForm rows[] = {
      {"ThreeLetters", QStringLiteral("abc"), QStringLiteral("==AAjJWY")},
      {"Empty", QString(), QString()},
      {"OneLetterOnePad", QStringLiteral("a"), QStringLiteral("=AQY")},
      {"TwoLettersNoPad", QStringLiteral("ab"), QStringLiteral("AIWY")},
      {"UmlautTwoUtf8Bytes", QStringLiteral("Jürgen"), QStringLiteral("=Agbldmc8OsS")},
      {"UmlautsAndEuroSign", QStringLiteral("Pässwörd€"), QStringLiteral("=AArCKOZyZ7w3N3ckOMU")},
      {"PlusInAlphabet", QStringLiteral(">?>"), QStringLiteral("==AA+8jP")},
  };
  for (const StoredForm& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(EncodePassword(row.plain), row.stored);
    EXPECT_EQ(DecodePassword(row.stored), row.plain);
  }
}

TEST(PasswordForm, DecodesDamagedTextWithoutFailing) {
  const StoredForm rows[] = {
      {"PaddingLost", QStringLiteral("abc"), QStringLiteral("AAjJWY")},
      {"NoZeroByteTakesAll", QStringLiteral("abc"), QStringLiteral("jJWY")},
      {"StopsAtFirstZeroByte", QStringLiteral("abc"), QStringLiteral("=AgZlRGAjJWY")},
      {"NotUtf8GivesReplacementCharacters", QStringLiteral("\uFFFD\uFFFD"), QStringLiteral("A4//")},
      {"NoBase64CharactersAtAll", QString(), QStringLiteral("###")},
      {"ForeignCharactersSkipped", QStringLiteral("abc"), QStringLiteral("==AA€jJ\u00FFWY")},
  };
  for (const StoredForm& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(DecodePassword(row.stored), row.plain);
  }
}

}  // namespace
