// The file cipher fed piece by piece, as uploads and downloads feed it: the
// bytes that come out equal EncryptBuffer / DecryptBuffer of the whole input,
// whatever the pieces.

#include <gtest/gtest.h>

#include <vector>

#include "crypto/FileCipher.h"
#include "crypto/StreamCipher.h"
#include "tests/transfer_test_support.h"

namespace {

// Feeds input in pieces of the given sizes (cycled), then finishes.
QByteArray Piecewise(bool encrypt, const QByteArray& input, const std::vector<int64_t>& pieces, bool* ok) {
  StreamCipher cipher;
  *ok = StartStreamCipher(cipher, encrypt, TestKey());
  QByteArray out;
  std::vector<uint8_t> buffer;
  int64_t at = 0;
  for (size_t i = 0; *ok && at < input.size(); ++i) {
    const int64_t n = std::min<int64_t>(pieces[i % pieces.size()], input.size() - at);
    buffer.resize(static_cast<size_t>(cipher.heldCount + n));
    std::copy_n(input.constData() + at, n, buffer.begin() + cipher.heldCount);
    const int64_t ready = UpdateStreamCipher(cipher, buffer.data(), n);
    *ok = ready >= 0;
    if (*ok) out.append(reinterpret_cast<const char*>(buffer.data()), ready);
    at += n;
  }
  uint8_t tail[kStreamCipherHeldMax];
  const int64_t last = *ok ? FinishStreamCipher(cipher, tail) : -1;
  *ok = *ok && last >= 0;
  if (*ok) out.append(reinterpret_cast<const char*>(tail), last);
  return out;
}

QByteArray Whole(bool encrypt, const QByteArray& input) {
  const KeyMaterial key = TestKey();
  QByteArray out(input.size(), '\0');
  const auto* in = reinterpret_cast<const uint8_t*>(input.constData());
  auto* o = reinterpret_cast<uint8_t*>(out.data());
  const int64_t n = encrypt ? EncryptBuffer(in, o, input.size(), key.data(), 256, key.data() + 32)
                            : DecryptBuffer(in, o, input.size(), key.data(), 256, key.data() + 32);
  return n == input.size() ? out : QByteArray("<failed>");
}

TEST(StreamCipher, PiecesGiveTheBytesOfTheWholeBuffer) {
  const struct {
    const char* name;
    std::vector<int64_t> pieces;
  } feeds[] = {{"one piece", {1 << 30}}, {"single bytes", {1}}, {"block sized", {16}},
               {"odd sizes", {7, 33, 1, 250, 16, 17}}, {"large and tiny", {65536, 3}}};
  const int64_t sizes[] = {16, 17, 31, 32, 33, 47, 48, 49, 100, 4095, 4096, 65537, 200003};
  for (const auto& feed : feeds) {
    for (int64_t size : sizes) {
      SCOPED_TRACE(std::string(feed.name) + ", " + std::to_string(size) + " bytes");
      const QByteArray plain = Pattern(size, static_cast<int>(size));
      bool ok = false;
      const QByteArray cipher = Piecewise(true, plain, feed.pieces, &ok);
      ASSERT_TRUE(ok);
      EXPECT_EQ(cipher, Whole(true, plain));
      EXPECT_EQ(Piecewise(false, cipher, feed.pieces, &ok), plain);
      EXPECT_TRUE(ok);
    }
  }
}

TEST(StreamCipher, LessThanABlockCannotBeFinished) {
  for (int64_t size : {0, 1, 15}) {
    SCOPED_TRACE(size);
    bool ok = true;
    (void)Piecewise(true, Pattern(size), {4}, &ok);
    EXPECT_FALSE(ok);
  }
}

}  // namespace
