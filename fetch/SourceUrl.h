#pragma once
// The source address split into the host, path and port a fetch uses.
#include <cstdint>

inline constexpr int TargetHostLimit = 255;
inline constexpr int TargetPathLimit = 2047;
inline constexpr int32_t HttpPort = 80;
inline constexpr int32_t HttpsPort = 443;

// Where a direct fetch connects and what it asks for, derived from SourceURL.
struct FetchTarget {
    char host[TargetHostLimit + 1];
    char path[TargetPathLimit + 1];
    int32_t port;
    bool valid;  // false: the address could not be split; fetching must fail
    bool secure; // an https:// address: the exchange runs over TLS
};

// Derives host, path and port from a source address such as
// "http://host:8080/data/t.js" or "https://host/data/t.js".
void SplitSourceUrl(const char* sourceUrl, FetchTarget& target);
