#pragma once
// The source address split into the host, path and port a fetch uses.
#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr int TargetHostLimit = 255;
inline constexpr int TargetPathLimit = 2047;
inline constexpr int32_t HttpPort = 80;
inline constexpr int32_t HttpsPort = 443;

// Where a direct fetch connects and what it asks for, derived from SourceURL.
struct FetchTarget {
    char host[TargetHostLimit + 1]; // an IPv6 address without its brackets
    char path[TargetPathLimit + 1];
    int32_t port;
    bool valid;  // false: the address could not be split; fetching must fail
    bool secure; // an https:// address: the exchange runs over TLS
};

// Derives host, path and port from a source address such as
// "http://host:8080/data/t.js", "https://host/data/t.js" or "http://[::1]:8080/t.js".
void SplitSourceUrl(const char* sourceUrl, FetchTarget& target);

// Whether a host is an IPv6 address: held without brackets, it is the only
// kind of host with a colon.
inline bool IsIpv6Literal(const char* host) {
    return std::strchr(host, ':') != nullptr;
}

// "host:port" as an authority or a Host header writes it, an IPv6 address in
// brackets (RFC 3986); snprintf's result.
int FormatAuthority(char* text, size_t size, const char* host, long port);

// The host without the brackets an IPv6 address may be written with (a
// proxy's "[::1]"), as FetchTarget holds it; cut to fit the field.
void CopyUnbracketedHost(const char* host, char* field, size_t size);
