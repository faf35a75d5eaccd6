#pragma once
// The worker's side of large files (items with a resume step): they move
// through their resume file, on from what it holds when the plan says so,
// once the last bytes before that point agree with the source (up to 64 KiB,
// which the transfer fetches anyway or costs one short request); otherwise,
// and when the resume file is gone, they start over and a note says so. A
// transfer that is cut or cancelled keeps its resume file and record when at
// least kResumeMinBytes arrived; other failures remove both. Internal to the
// two runs.

#include "ftp/TransferJob.h"

inline constexpr int64_t kResumeOverlapBytes = 64 * 1024;

// Receives item into its resume file and makes that the target once complete.
[[nodiscard]] bool ReceiveThroughResumeFile(const JobContext& ctx, const TransferItem& item,
                                            const TransferSettings& settings, const TransferEvents& events, int index,
                                            FileFailure& failure, int64_t& errorClass);

// Sends item to its resume file on the server and renames that over the target once complete.
[[nodiscard]] bool SendThroughResumeFile(const JobContext& ctx, const TransferItem& item,
                                         const TransferSettings& settings, const TransferEvents& events, int index,
                                         FileFailure& failure, int64_t& errorClass);

// The note when an interrupted transfer starts over.
[[nodiscard]] QString StartsOverNote(const QString& name, bool gone);
