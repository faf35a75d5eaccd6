#pragma once
// The TCP connection under an SSH session, made by us rather than by libssh
// so that every step can be cancelled and bounded: name resolution, the
// connect, and the wait for the server's first bytes, which are looked at
// (not taken) to tell an SSH server from something else on that port.

#include <chrono>
#include <string>

#include "ftp/backend/Cancel.h"
#include "ftp/backend/Failure.h"

namespace tarnholm::backend {

// A connected non-blocking socket to host:port, or -1 with error. Each of
// resolution and connect may take up to timeout.
[[nodiscard]] int ConnectTcp(const std::string& host, int port, std::chrono::seconds timeout,
                             const CancelToken* cancel, Failure& error);

// Waits up to timeout for the server to speak and checks that it greets as
// an SSH server does. An FTP or SMTP greeting ("220 ..."), binary data or a
// closed connection fail at once; a silent server fails with Timeout.
[[nodiscard]] bool AwaitSshGreeting(int socket, std::chrono::seconds timeout, const CancelToken* cancel,
                                    Failure& error);

// What the first bytes a server sent say about it, for AwaitSshGreeting:
// Ssh, NotSsh, or MoreNeeded while they could still begin an SSH greeting
// (or a text line RFC 4253 allows before it).
enum class Greeting { Ssh, NotSsh, MoreNeeded };
[[nodiscard]] Greeting JudgeGreeting(const std::string& firstBytes);

}  // namespace tarnholm::backend
