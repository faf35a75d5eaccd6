#include "crypto/CipherStream.h"
#include "crypto/FileCipher.h"
#include "crypto/StreamCipher.h"
#include "crypto_test_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace {

KeyMaterial TestMaterial() {
  KeyMaterial m{};
  const std::vector<uint8_t> bytes = Pattern(48, 11);
  std::copy(bytes.begin(), bytes.end(), m.begin());
  return m;
}
const KeyMaterial kMaterial = TestMaterial();

std::vector<uint8_t> BufferCipher(bool encrypt, const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out(in.size());
  const int64_t n = static_cast<int64_t>(in.size());
  const int64_t r = encrypt ? EncryptBuffer(in.data(), out.data(), n, kMaterial.data(), 256, kMaterial.data() + 32)
                            : DecryptBuffer(in.data(), out.data(), n, kMaterial.data(), 256, kMaterial.data() + 32);
  EXPECT_EQ(r, n);
  return out;
}

QByteArray AsBytes(const std::vector<uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// Runs the stream form between two memory buffers.
CipherStreamResult StreamCipher(bool encrypt, const QByteArray& input, QByteArray& output,
                                int64_t chunk, const CipherProgressFn& progress = {}) {
  QByteArray in = input;
  QBuffer inDev(&in), outDev(&output);
  inDev.open(QIODevice::ReadOnly);
  outDev.open(QIODevice::WriteOnly);
  return encrypt ? EncryptStream(inDev, outDev, kMaterial, progress, chunk)
                 : DecryptStream(inDev, outDev, kMaterial, progress, chunk);
}

TEST(CipherStream, GivesExactlyTheBufferBytesAcrossChunkBoundaries) {
  const int64_t lengths[] = {16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65, 100, 1000, 4096 + 15};
  const int64_t chunks[] = {1, 16, 32, 48, 4096, kDefaultChunkBytes};
  for (int64_t n : lengths) {
    const std::vector<uint8_t> plain = Pattern(n, static_cast<uint32_t>(n));
    const QByteArray expectCipher = AsBytes(BufferCipher(true, plain));
    for (int64_t chunk : chunks) {
      SCOPED_TRACE(testing::Message() << "length " << n << ", chunk " << chunk);
      QByteArray cipher, back;
      ASSERT_EQ(StreamCipher(true, AsBytes(plain), cipher, chunk), CipherStreamResult::Done);
      EXPECT_EQ(cipher, expectCipher);
      ASSERT_EQ(StreamCipher(false, cipher, back, chunk), CipherStreamResult::Done);
      EXPECT_EQ(back, AsBytes(plain));
    }
  }
}

// Feeds in[from, end) through a piecewise cipher started at `from` with the
// block before it as the chain: what an interrupted transfer does.
std::vector<uint8_t> FromBoundary(bool encrypt, const std::vector<uint8_t>& in, const std::vector<uint8_t>& chainSource,
                                  int64_t from) {
  ::StreamCipher s;
  const uint8_t* chain = from == 0 ? kMaterial.data() + 32 : chainSource.data() + from - 16;
  EXPECT_TRUE(StartStreamCipherAt(s, encrypt, kMaterial, chain));
  std::vector<uint8_t> out;
  std::vector<uint8_t> buffer(kStreamCipherHeldMax + 7);
  for (int64_t at = from; at < static_cast<int64_t>(in.size()); at += 7) {
    const int64_t n = std::min<int64_t>(7, static_cast<int64_t>(in.size()) - at);
    std::memcpy(buffer.data() + s.heldCount, in.data() + at, static_cast<size_t>(n));
    const int64_t ready = UpdateStreamCipher(s, buffer.data(), n);
    EXPECT_GE(ready, 0);
    out.insert(out.end(), buffer.begin(), buffer.begin() + ready);
  }
  uint8_t tail[kStreamCipherHeldMax];
  const int64_t n = FinishStreamCipher(s, tail);
  EXPECT_GE(n, 0);
  out.insert(out.end(), tail, tail + std::max<int64_t>(n, 0));
  return out;
}

TEST(CipherStream, GoesOnFromABlockBoundaryWithThePreviousCiphertextBlock) {
  for (const int64_t n : {48, 49, 63, 64, 100, 1000}) {
    const std::vector<uint8_t> plain = Pattern(n, static_cast<uint32_t>(n + 1));
    const std::vector<uint8_t> cipher = BufferCipher(true, plain);
    for (int64_t from = 0; from + 32 <= n; from += 16) {
      SCOPED_TRACE(testing::Message() << "length " << n << ", from " << from);
      const std::vector<uint8_t> encrypted = FromBoundary(true, plain, cipher, from);
      EXPECT_TRUE(std::equal(encrypted.begin(), encrypted.end(), cipher.begin() + from, cipher.end()));
      EXPECT_EQ(static_cast<int64_t>(encrypted.size()), n - from);
      const std::vector<uint8_t> decrypted = FromBoundary(false, cipher, cipher, from);
      EXPECT_TRUE(std::equal(decrypted.begin(), decrypted.end(), plain.begin() + from, plain.end()));
      EXPECT_EQ(static_cast<int64_t>(decrypted.size()), n - from);
    }
  }
  // Whole blocks in the middle, for checking a seam.
  const std::vector<uint8_t> plain = Pattern(100, 3);
  const std::vector<uint8_t> cipher = BufferCipher(true, plain);
  std::vector<uint8_t> middle(32);
  ASSERT_TRUE(CbcChainedBlocks(true, kMaterial, cipher.data() + 16, plain.data() + 32, middle.data(), 32));
  EXPECT_TRUE(std::equal(middle.begin(), middle.end(), cipher.begin() + 32));
  EXPECT_FALSE(CbcChainedBlocks(true, kMaterial, cipher.data(), plain.data(), middle.data(), 17));
}

TEST(CipherStream, RefusesInputsBelowOneBlockWritingNothing) {
  for (int n = 0; n < 16; ++n) {
    SCOPED_TRACE(n);
    QByteArray out;
    EXPECT_EQ(StreamCipher(true, AsBytes(Pattern(n)), out, 16), CipherStreamResult::TooShort);
    EXPECT_EQ(StreamCipher(false, AsBytes(Pattern(n)), out, 16), CipherStreamResult::TooShort);
    EXPECT_TRUE(out.isEmpty());
  }
}

TEST(CipherStream, ReportsProgressUpToTheTotalAndCanBeCancelled) {
  const QByteArray plain = AsBytes(Pattern(1000));
  std::vector<std::pair<int64_t, int64_t>> calls;
  QByteArray out;
  ASSERT_EQ(StreamCipher(true, plain, out, 64, [&](int64_t done, int64_t total) {
              calls.emplace_back(done, total);
              return true;
            }),
            CipherStreamResult::Done);
  ASSERT_FALSE(calls.empty());
  EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end()));
  EXPECT_EQ(calls.back(), std::make_pair(int64_t{1000}, int64_t{1000}));

  int seen = 0;
  QByteArray partial;
  EXPECT_EQ(StreamCipher(true, plain, partial, 64, [&](int64_t, int64_t) { return ++seen < 3; }),
            CipherStreamResult::Cancelled);
  EXPECT_EQ(seen, 3);
  EXPECT_LT(partial.size(), plain.size());
}

// A device that accepts or delivers `limit` bytes and then fails, as a full
// disk or a broken connection would.
class FailingDevice : public QIODevice {
 public:
  FailingDevice(int64_t limit, QByteArray data = {}) : limit_(limit), data_(std::move(data)) {}
  int64_t passed() const { return passed_; }

 protected:
  qint64 readData(char* dst, qint64 max) override {
    if (passed_ >= limit_) return -1;
    const qint64 n = std::min({max, qint64(limit_ - passed_), qint64(data_.size() - passed_)});
    std::memcpy(dst, data_.constData() + passed_, size_t(n));
    passed_ += n;
    return n;
  }
  qint64 writeData(const char*, qint64 len) override {
    if (passed_ + len > limit_) return -1;
    passed_ += len;
    return len;
  }

 private:
  int64_t limit_;
  QByteArray data_;
  int64_t passed_ = 0;
};

TEST(CipherStream, SurfacesWriteFailuresAnywhereInTheOutput) {
  const QByteArray plain = AsBytes(Pattern(1000 + 5));
  for (int64_t limit : {0, 16, 500, 1000, 1004}) {
    SCOPED_TRACE(limit);
    QByteArray in = plain;
    QBuffer inDev(&in);
    inDev.open(QIODevice::ReadOnly);
    FailingDevice out(limit);
    out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    EXPECT_EQ(EncryptStream(inDev, out, kMaterial, {}, 64), CipherStreamResult::WriteFailed);
  }
}

TEST(CipherStream, SurfacesReadFailuresBeforeTheEnd) {
  const QByteArray plain = AsBytes(Pattern(1000));
  for (int64_t limit : {0, 10, 100, 999}) {
    SCOPED_TRACE(limit);
    FailingDevice in(limit, plain);
    in.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QByteArray outBytes;
    QBuffer out(&outBytes);
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(DecryptStream(in, out, kMaterial, {}, 64), CipherStreamResult::ReadFailed);
  }
}

// A random-access device of `size` zero bytes that are never stored.
class ZeroDevice : public QIODevice {
 public:
  explicit ZeroDevice(int64_t size) : size_(size) {}
  qint64 size() const override { return size_; }

 protected:
  qint64 readData(char* dst, qint64 max) override {
    const qint64 n = std::min(max, qint64(size_ - pos()));
    std::memset(dst, 0, size_t(n));
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  int64_t size_;
};

// Counts what it is given and keeps only the last bytes.
class TailDevice : public QIODevice {
 public:
  int64_t count = 0;
  QByteArray tail;

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* src, qint64 len) override {
    count += len;
    tail.append(src, len);
    if (tail.size() > 64) tail.remove(0, tail.size() - 64);
    return len;
  }
};

TEST(CipherStream, HandlesInputsBeyondFourGibibytes) {
  // Decrypting all-zero ciphertext: the block before the stolen pair is zero,
  // so re-encrypting the last 33 plaintext bytes with a zero IV must give zeros.
  const int64_t size = (int64_t{4} << 30) + 1;
  ZeroDevice in(size);
  in.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
  TailDevice out;
  out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  int64_t lastDone = 0, lastTotal = 0;
  ASSERT_EQ(DecryptStream(in, out, kMaterial,
                          [&](int64_t done, int64_t total) {
                            lastDone = done;
                            lastTotal = total;
                            return true;
                          }),
            CipherStreamResult::Done);
  EXPECT_EQ(out.count, size);
  EXPECT_EQ(lastDone, size);
  EXPECT_EQ(lastTotal, size);
  const QByteArray plainTail = out.tail.right(33);
  std::vector<uint8_t> cipherTail(33);
  const uint8_t zeroIv[16] = {};
  ASSERT_EQ(EncryptBuffer(reinterpret_cast<const uint8_t*>(plainTail.constData()), cipherTail.data(),
                          33, kMaterial.data(), 256, zeroIv),
            33);
  EXPECT_EQ(cipherTail, std::vector<uint8_t>(33, 0));
}

}  // namespace
