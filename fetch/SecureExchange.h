#pragma once
// The exchange with an https:// source, directly or through the proxy with
// CONNECT: on Windows through the system's own HTTP stack, loaded only when
// such a source is first fetched.
#include "fetch/Fetch.h"

// The body of an answer may hold at most this many bytes, as the whole
// answer may on the http:// path.
inline constexpr int SecureBodyLimit = 1000;
// The time from sending the request, through the TLS handshake, to the
// answer's last byte, as the http:// path polls for its answer.
inline constexpr unsigned SecureAnswerMilliseconds = 50 * 1000;

// Fetches config's source over TLS. report arrives with the peer noted (the
// source or the proxy). Leaves the status line, CR LF and, for a 200 answer,
// the body in buffers.receiveBuffer and returns the bytes held; or notes the
// step that failed and returns -1. A refused certificate is told apart (the
// source asked once more with the checks off) only when diagnose is set.
int SecureExchange(const FetchConfig& config, FetchBuffers& buffers, FetchReport& report,
                   bool diagnose);
