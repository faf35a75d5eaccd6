// Cipher throughput against OpenSSL measured in the same run:
//   EncryptBuffer / DecryptBuffer on 256 MiB against EVP AES-256-CBC on the same buffer,
//   EncryptStream / DecryptStream on a 1 GiB file against `openssl enc -aes-256-cbc -nopad`.
// A 1 GiB file is a whole number of blocks, where CBC-CS2 equals unpadded CBC,
// so the outputs are compared as well. The stream's extra memory is read from
// the kernel's peak resident size. Usage: bench_crypto [directory for the files]
#include "crypto/CipherStream.h"
#include "crypto/FileCipher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <openssl/evp.h>

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int64_t kMiB = int64_t{1} << 20;
constexpr int kRounds = 3;

double Seconds(const std::function<bool()>& run) {
  const auto start = Clock::now();
  if (!run()) {
    std::fprintf(stderr, "run failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Best of kRounds for each of the two, run alternately so both see the same machine load.
std::pair<double, double> BestOf(const std::function<bool()>& ours, const std::function<bool()>& theirs) {
  double a = 1e30, b = 1e30;
  for (int i = 0; i < kRounds; ++i) {
    a = std::min(a, Seconds(ours));
    b = std::min(b, Seconds(theirs));
  }
  return {a, b};
}

bool EvpCbc(bool encrypt, const uint8_t* key, const uint8_t* iv, const uint8_t* in, uint8_t* out, int n) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int len = 0, fin = 0;
  const bool ok = ctx && EVP_CipherInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key, iv, encrypt) == 1 &&
                  EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 && EVP_CipherUpdate(ctx, out, &len, in, n) == 1 &&
                  EVP_CipherFinal_ex(ctx, out + len, &fin) == 1;
  EVP_CIPHER_CTX_free(ctx);
  return ok && len + fin == n;
}

QString Hex(const uint8_t* p, int n) { return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(p), n).toHex()); }

// Runs argv and returns its wall time, or -1 when it fails.
double RunProgram(const std::vector<QByteArray>& args) {
  std::vector<char*> argv;
  for (const QByteArray& a : args) argv.push_back(const_cast<char*>(a.constData()));
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// One "VmRSS:" or "VmHWM:" figure of this process in KiB, -1 when unavailable.
long OwnMemoryKiB(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
    if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
  }
  return -1;
}

// Restarts the peak (VmHWM) at the current resident size, so the peak shows the streams alone.
void ResetPeakMemory() {
  QFile refs(QStringLiteral("/proc/self/clear_refs"));
  if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

bool SameFiles(const QString& a, const QString& b) {
  QFile fa(a), fb(b);
  if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size()) return false;
  while (!fa.atEnd()) {
    if (fa.read(4 * kMiB) != fb.read(4 * kMiB)) return false;
  }
  return true;
}

bool StreamFile(bool encrypt, const QString& from, const QString& to, const KeyMaterial& material) {
  QFile in(from), out(to);
  if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
      !out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
    return false;
  const CipherStreamResult r = encrypt ? EncryptStream(in, out, material) : DecryptStream(in, out, material);
  return r == CipherStreamResult::Done;
}

}  // namespace

int main(int argc, char** argv) {
  KeyMaterial material;
  for (size_t i = 0; i < material.size(); ++i) material[i] = static_cast<uint8_t>(i * 29 + 3);
  const uint8_t* key = material.data();
  const uint8_t* iv = material.data() + kIvOffset;

  // Streams first, so the process's peak memory still shows the stream alone.
  QTemporaryDir dir(QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath()).filePath("bench_crypto-XXXXXX"));
  if (!dir.isValid()) return 1;
  const QString plain = dir.filePath("plain"), ours = dir.filePath("ours"), theirs = dir.filePath("theirs");
  {
    QFile f(plain);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    std::vector<char> chunk(static_cast<size_t>(4 * kMiB));
    for (int64_t done = 0; done < 1024 * kMiB; done += 4 * kMiB) {
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((i * 131 + done / kMiB) >> 3);
      if (f.write(chunk.data(), qint64(chunk.size())) != qint64(chunk.size())) return 1;
    }
  }
  ResetPeakMemory();
  const long rssBefore = OwnMemoryKiB("VmRSS:");
  const QByteArray keyHex = Hex(key, 32).toLatin1(), ivHex = Hex(iv, 16).toLatin1();
  auto openssl = [&](bool encrypt, const QString& from, const QString& to) {
    std::vector<QByteArray> args = {"openssl", "enc", "-aes-256-cbc", "-K", keyHex, "-iv", ivHex, "-nopad",
                                    "-in", QFile::encodeName(from), "-out", QFile::encodeName(to)};
    if (!encrypt) args.insert(args.begin() + 2, "-d");
    return RunProgram(args) >= 0;
  };
  const auto [encOurs, encTheirs] = BestOf([&] { return StreamFile(true, plain, ours, material); },
                                           [&] { return openssl(true, plain, theirs); });
  const QString back = dir.filePath("back");
  const auto [decOurs, decTheirs] = BestOf([&] { return StreamFile(false, ours, back, material); },
                                           [&] { return openssl(false, theirs, back + "2"); });
  const long rssPeak = OwnMemoryKiB("VmHWM:");
  const bool encSame = SameFiles(ours, theirs);
  const bool decSame = SameFiles(back, plain) && SameFiles(back + "2", plain);
  QFile::remove(ours);
  QFile::remove(theirs);
  QFile::remove(back);
  QFile::remove(back + "2");
  QFile::remove(plain);

  const int n = int(256 * kMiB);
  std::vector<uint8_t> in(n), out(n);
  for (int i = 0; i < n; ++i) in[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
  const auto [bufEncOurs, bufEncEvp] =
      BestOf([&] { return EncryptBuffer(in.data(), out.data(), n, key, 256, iv) == n; },
             [&] { return EvpCbc(true, key, iv, in.data(), out.data(), n); });
  const auto [bufDecOurs, bufDecEvp] =
      BestOf([&] { return DecryptBuffer(in.data(), out.data(), n, key, 256, iv) == n; },
             [&] { return EvpCbc(false, key, iv, in.data(), out.data(), n); });

  auto mibs = [](double mib, double s) { return mib / s; };
  std::printf("buffer 256 MiB   EncryptBuffer %7.0f MiB/s  EVP CBC %7.0f MiB/s  throughput ratio %.3f\n",
              mibs(256, bufEncOurs), mibs(256, bufEncEvp), bufEncEvp / bufEncOurs);
  std::printf("buffer 256 MiB   DecryptBuffer %7.0f MiB/s  EVP CBC %7.0f MiB/s  throughput ratio %.3f\n",
              mibs(256, bufDecOurs), mibs(256, bufDecEvp), bufDecEvp / bufDecOurs);
  std::printf("file 1 GiB       EncryptStream %6.3f s  openssl enc -nopad %6.3f s  time ratio %.3f  %s\n",
              encOurs, encTheirs, encOurs / encTheirs, encSame ? "outputs equal" : "OUTPUTS DIFFER");
  std::printf("file 1 GiB       DecryptStream %6.3f s  openssl enc -d -nopad %6.3f s  time ratio %.3f  %s\n",
              decOurs, decTheirs, decOurs / decTheirs, decSame ? "round trip equal" : "ROUND TRIP DIFFERS");
  std::printf("stream memory    resident before %ld KiB, peak during the streams %ld KiB (+%ld KiB)\n",
              rssBefore, rssPeak, rssPeak - rssBefore);
  return encSame && decSame ? 0 : 1;
}
