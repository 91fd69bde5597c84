#pragma once
// The exchange with an https:// source, directly or through the proxy with
// CONNECT: on Windows through the system's own HTTP stack, loaded only when
// such a source is first fetched.
#include <cstdint>

#include "fetch/Fetch.h"

// The body of an answer may hold at most this many bytes, as the whole
// answer may on the http:// path.
inline constexpr int SecureBodyLimit = 1000;

// Fetches config's source over TLS, within SecureExchangeMilliseconds of its
// start whatever the system's stack does: at the limit it reports a time-out
// and leaves the exchange to end on its worker. report arrives with the peer noted (the
// source or the proxy). Leaves the status line, CR LF and, for a 200 answer,
// the body in buffers.receiveBuffer and returns the bytes held; or notes the
// step that failed and returns -1. A refused certificate is told apart (the
// source asked once more with the checks off) only when diagnose is set.
int SecureExchange(const FetchConfig& config, FetchBuffers& buffers, FetchReport& report,
                   bool diagnose);

// Tests shorten the whole exchange's limit; 0 restores SecureExchangeMilliseconds.
void SetSecureExchangeLimit(uint32_t milliseconds);
