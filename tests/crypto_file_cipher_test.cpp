#include "crypto/FileCipher.h"
#include "crypto_test_support.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>

namespace {

// NIST SP 800-38A, Appendix F.2.5 (CBC-AES256.Encrypt) and F.2.6 (CBC-AES256.Decrypt).
const std::vector<uint8_t> kNistKey =
    FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const std::vector<uint8_t> kNistIv = FromHex("000102030405060708090a0b0c0d0e0f");
const std::vector<uint8_t> kNistPlain = FromHex(
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const std::vector<uint8_t> kNistCipher = FromHex(
    "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
    "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");

const std::vector<uint8_t> kKey = Pattern(32, 7);
const std::vector<uint8_t> kIv = Pattern(16, 8);

using Block = std::array<uint8_t, 16>;

// One bare AES-256 block operation, for the reference below.
Block AesBlock(bool encrypt, const std::vector<uint8_t>& key, const uint8_t* in) {
  Block out{};
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int len = 0;
  EVP_CipherInit_ex(ctx, EVP_aes_256_ecb(), nullptr, key.data(), nullptr, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_CipherUpdate(ctx, out.data(), &len, in, 16);
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

// CBC-CS2 encryption written out block by block from its definition
// (NIST SP 800-38A Addendum), independent of the implementation under test.
std::vector<uint8_t> ReferenceEncrypt(const std::vector<uint8_t>& p, const std::vector<uint8_t>& key,
                                      const std::vector<uint8_t>& iv) {
  const size_t n = p.size(), q = n / 16, d = n % 16;
  std::vector<uint8_t> c(n);
  Block chain;
  std::memcpy(chain.data(), iv.data(), 16);
  auto cbcStep = [&](const uint8_t* block) {
    Block x;
    for (int i = 0; i < 16; ++i) x[i] = block[i] ^ chain[i];
    chain = AesBlock(true, key, x.data());
    return chain;
  };
  for (size_t i = 0; i + (d ? 1 : 0) < q; ++i) {
    const Block ci = cbcStep(&p[16 * i]);
    std::memcpy(&c[16 * i], ci.data(), 16);
  }
  if (d == 0) return c;
  const Block x = cbcStep(&p[16 * (q - 1)]);
  Block t{};
  std::memcpy(t.data(), &p[16 * q], d);
  const Block y = cbcStep(t.data());
  std::memcpy(&c[16 * (q - 1)], y.data(), 16);
  std::memcpy(&c[16 * q], x.data(), d);
  return c;
}

TEST(FileCipher, MatchesNistCbcVectorsForEveryWholeBlockPrefix) {
  for (size_t n = 16; n <= kNistPlain.size(); n += 16) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> out(n);
    ASSERT_EQ(EncryptBuffer(kNistPlain.data(), out.data(), n, kNistKey.data(), 256, kNistIv.data()), int64_t(n));
    EXPECT_EQ(out, std::vector<uint8_t>(kNistCipher.begin(), kNistCipher.begin() + n));
    ASSERT_EQ(DecryptBuffer(kNistCipher.data(), out.data(), n, kNistKey.data(), 256, kNistIv.data()), int64_t(n));
    EXPECT_EQ(out, std::vector<uint8_t>(kNistPlain.begin(), kNistPlain.begin() + n));
  }
}

TEST(FileCipher, SeventeenBytesStealOneByteFromTheFirstBlock) {
  const std::vector<uint8_t> p = Pattern(17, 3);
  Block x1;
  for (int i = 0; i < 16; ++i) x1[i] = p[i] ^ kIv[i];
  const Block x = AesBlock(true, kKey, x1.data());  // X = E(P1 xor C0)
  Block t{};
  t[0] = p[16];
  for (int i = 0; i < 16; ++i) t[i] ^= x[i];
  const Block y = AesBlock(true, kKey, t.data());  // Y = E(X xor T)

  std::vector<uint8_t> c(17);
  ASSERT_EQ(EncryptBuffer(p.data(), c.data(), 17, kKey.data(), 256, kIv.data()), 17);
  EXPECT_TRUE(std::equal(y.begin(), y.end(), c.begin()));
  EXPECT_EQ(c[16], x[0]);
}

TEST(FileCipher, AgreesWithTheBlockByBlockReferenceAndRoundTrips) {
  std::vector<int64_t> lengths;
  for (int64_t n = 16; n <= 200; ++n) lengths.push_back(n);
  for (int64_t n : {4096, 4096 + 15, 65536 + 1}) lengths.push_back(n);
  for (int64_t n : lengths) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> plain = Pattern(n, static_cast<uint32_t>(n));
    std::vector<uint8_t> cipher(n), back(n);
    ASSERT_EQ(EncryptBuffer(plain.data(), cipher.data(), n, kKey.data(), 256, kIv.data()), n);
    EXPECT_EQ(cipher, ReferenceEncrypt(plain, kKey, kIv));
    ASSERT_EQ(DecryptBuffer(cipher.data(), back.data(), n, kKey.data(), 256, kIv.data()), n);
    EXPECT_EQ(back, plain);
  }
}

TEST(FileCipher, WorksInPlace) {
  for (int64_t n : {16, 33, 47, 48, 1000}) {
    SCOPED_TRACE(n);
    const std::vector<uint8_t> plain = Pattern(n);
    std::vector<uint8_t> data = plain;
    ASSERT_EQ(EncryptBuffer(data.data(), data.data(), n, kKey.data(), 256, kIv.data()), n);
    EXPECT_EQ(data, ReferenceEncrypt(plain, kKey, kIv));
    ASSERT_EQ(DecryptBuffer(data.data(), data.data(), n, kKey.data(), 256, kIv.data()), n);
    EXPECT_EQ(data, plain);
  }
}

TEST(FileCipher, RefusesShortInputsAndOtherKeySizesWithoutWriting) {
  const std::vector<uint8_t> in = Pattern(64);
  for (auto* op : {&EncryptBuffer, &DecryptBuffer}) {
    for (int64_t n = 0; n < 16; ++n) {
      SCOPED_TRACE(n);
      std::vector<uint8_t> out(64, 0xCC);
      EXPECT_EQ(op(in.data(), out.data(), n, kKey.data(), 256, kIv.data()), 0);
      EXPECT_EQ(out, std::vector<uint8_t>(64, 0xCC));
    }
    for (int bits : {128, 192, 0}) {
      SCOPED_TRACE(bits);
      std::vector<uint8_t> out(64, 0xCC);
      EXPECT_EQ(op(in.data(), out.data(), 64, kKey.data(), bits, kIv.data()), 0);
      EXPECT_EQ(out, std::vector<uint8_t>(64, 0xCC));
    }
  }
}

TEST(FileCipher, LeavesInputKeyAndIvUntouched) {
  const std::vector<uint8_t> plain = Pattern(53);
  std::vector<uint8_t> in = plain, key = kKey, iv = kIv, out(53);
  ASSERT_EQ(EncryptBuffer(in.data(), out.data(), 53, key.data(), 256, iv.data()), 53);
  ASSERT_EQ(DecryptBuffer(out.data(), in.data() /* scratch */, 53, key.data(), 256, iv.data()), 53);
  EXPECT_EQ(in, plain);
  EXPECT_EQ(key, kKey);
  EXPECT_EQ(iv, kIv);
}

TEST(FileCipher, WrongKeyGivesWrongBytesOfTheSameLength) {
  const std::vector<uint8_t> plain = Pattern(77);
  std::vector<uint8_t> cipher(77), back(77);
  std::vector<uint8_t> otherKey = kKey;
  otherKey[31] ^= 1;
  ASSERT_EQ(EncryptBuffer(plain.data(), cipher.data(), 77, kKey.data(), 256, kIv.data()), 77);
  EXPECT_EQ(DecryptBuffer(cipher.data(), back.data(), 77, otherKey.data(), 256, kIv.data()), 77);
  EXPECT_NE(back, plain);
}

TEST(FileCipher, SameFirstBlockGivesSameFirstCipherBlockFromThirtyTwoBytes) {
  std::vector<uint8_t> a = Pattern(32, 1), b = Pattern(40, 2);
  std::copy(a.begin(), a.begin() + 16, b.begin());
  std::vector<uint8_t> ca(32), cb(40);
  ASSERT_EQ(EncryptBuffer(a.data(), ca.data(), 32, kKey.data(), 256, kIv.data()), 32);
  ASSERT_EQ(EncryptBuffer(b.data(), cb.data(), 40, kKey.data(), 256, kIv.data()), 40);
  EXPECT_TRUE(std::equal(ca.begin(), ca.begin() + 16, cb.begin()));
}

}  // namespace
