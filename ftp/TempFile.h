#pragma once
// Files a transfer passes through: the temporary file a file is staged in
// before it is sent or after it is received, chunked copies, and replacing a
// local file only once its new content is complete.

#include <QString>
#include <QTemporaryFile>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;

// Called after every chunk with the bytes done and the total (-1 unknown).
using ChunkProgressFn = std::function<void(int64_t done, int64_t total)>;

inline constexpr int64_t kCopyChunkBytes = int64_t{4} << 20;

// The directory of the temporary file, ending with "/": the program's
// current directory, or the system's temporary directory made canonical.
[[nodiscard]] QString TransferTempDirectory(bool appPathForTemp);

// A fresh file "temp" + random suffix in `directory`, created exclusively (it
// never opens an existing file or follows a link) with owner-only access and
// left open for reading and writing. Removed when the object goes. Null when
// it cannot be created.
[[nodiscard]] std::unique_ptr<QTemporaryFile> CreateTransferTempFile(const QString& directory);

enum class CopyResult { Done, ReadFailed, WriteFailed };

// Copies `in` from its position to its end into `out`, one chunk at a time.
[[nodiscard]] CopyResult CopyDevice(QIODevice& in, QIODevice& out, const ChunkProgressFn& progress = {});

// Puts the content of the closed file `staged` at `target`, replacing a file
// there only once the new content is complete: a rename when both lie on one
// file system, else a copy into a file beside the target that is then renamed
// over it. A failure leaves the target as it was. The staged file keeps being
// owned by its object (which removes whatever is left of it).
[[nodiscard]] bool MoveFileOver(QTemporaryFile& staged, const QString& target,
                                const ChunkProgressFn& progress = {});
