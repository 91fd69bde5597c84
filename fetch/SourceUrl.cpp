#include "fetch/SourceUrl.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsSchemeLetter(char c) {
    return c == 'h' || c == 't' || c == 'p';
}

bool IsSeparator(char c) {
    return c == '/' || c == ':';
}

// Letters, digits, full stops and the colon before a port; hyphens and
// underscores too, which host names carry.
bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == ':' || c == '-' || c == '_';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

template <typename Predicate> const char* SkipWhile(const char* at, Predicate accepts) {
    while (*at != '\0' && accepts(*at))
        ++at;
    return at;
}

// Copies the run [begin, end) into a field of `limit` characters; false when
// the run does not fit.
bool CopyRun(const char* begin, const char* end, char* field, int limit) {
    size_t length = static_cast<size_t>(end - begin);
    if (length > static_cast<size_t>(limit)) return false;
    std::memcpy(field, begin, length);
    field[length] = '\0';
    return true;
}

// atol's reading of a port text, held within 32 bits.
int32_t ReadPort(const char* text) {
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX) return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

// The scheme word (any run of h, t, p) and the run of slashes and colons
// after it; nullptr when the address does not start that way.
const char* SkipSchemeAndSeparator(const char* at) {
    const char* afterScheme = SkipWhile(at, IsSchemeLetter);
    if (afterScheme == at) return nullptr;
    const char* afterSeparator = SkipWhile(afterScheme, IsSeparator);
    return afterSeparator == afterScheme ? nullptr : afterSeparator;
}

// The one scheme the run of h, t and p cannot read; nullptr for any other start.
const char* SkipSecureScheme(const char* at) {
    static const char scheme[] = "https://";
    return std::strncmp(at, scheme, sizeof scheme - 1) == 0 ? at + sizeof scheme - 1 : nullptr;
}

// Hexadecimal groups, colons, and the full stops of an IPv4 tail (::ffff:1.2.3.4).
bool IsIpv6Char(char c) {
    return c != '\0' && std::strchr("0123456789abcdefABCDEF:.", c) != nullptr;
}

// The port after a host's colon as atol reads it; without a colon, the scheme's.
int32_t PortAfter(const char* colon, const FetchTarget& target) {
    if (colon) return ReadPort(colon + 1);
    return target.secure ? HttpsPort : HttpPort;
}

// "[address]" and its port: the address without brackets into host; the end,
// or nullptr when it is no IPv6 address or more of a host follows it.
const char* ReadBracketedHost(const char* at, FetchTarget& target) {
    const char* close = SkipWhile(at + 1, IsIpv6Char);
    if (*close != ']' || !CopyRun(at + 1, close, target.host, TargetHostLimit) ||
        !IsIpv6Literal(target.host)) {
        return nullptr;
    }
    const char* colon = close[1] == ':' ? close + 1 : nullptr;
    target.port = PortAfter(colon, target);
    // The port's run is what an unbracketed host's would be.
    const char* end = colon ? SkipWhile(colon, IsHostChar) : close + 1;
    return IsHostChar(*end) ? nullptr : end;
}

// The host and its port into target: where the host's run ends, or nullptr.
const char* ReadHost(const char* at, FetchTarget& target) {
    if (*at == '[') return ReadBracketedHost(at, target);
    const char* hostEnd = SkipWhile(at, IsHostChar);
    if (hostEnd == at || !CopyRun(at, hostEnd, target.host, TargetHostLimit)) return nullptr;
    char* colon = std::strchr(target.host, ':');
    target.port = PortAfter(colon, target);
    if (colon) *colon = '\0';
    return hostEnd;
}

bool ReadPath(const char* at, FetchTarget& target) {
    const char* pathStart = SkipWhile(at, IsBlank);
    const char* pathEnd = SkipWhile(pathStart, [](char c) { return !IsBlank(c); });
    if (pathStart == pathEnd) {
        std::strcpy(target.path, "/"); // no path: ask for the root
        return true;
    }
    return CopyRun(pathStart, pathEnd, target.path, TargetPathLimit);
}

} // namespace

void SplitSourceUrl(const char* sourceUrl, FetchTarget& target) {
    target = FetchTarget{};
    const char* address = sourceUrl ? sourceUrl : "";
    const char* hostStart = SkipSecureScheme(address);
    target.secure = hostStart != nullptr;
    if (!target.secure) hostStart = SkipSchemeAndSeparator(address);
    // After "https://" a colon may start the host's run: a port without a host.
    const char* hostEnd = hostStart && *hostStart != ':' ? ReadHost(hostStart, target) : nullptr;
    if (!hostEnd || !ReadPath(hostEnd, target)) {
        target = FetchTarget{};
        return;
    }
    target.valid = true;
}

int FormatAuthority(char* text, size_t size, const char* host, long port) {
    const char* format = IsIpv6Literal(host) ? "[%s]:%ld" : "%s:%ld";
    return std::snprintf(text, size, format, host, port);
}

void CopyUnbracketedHost(const char* host, char* field, size_t size) {
    size_t length = std::strlen(host);
    bool bracketed = length >= 2 && host[0] == '[' && host[length - 1] == ']';
    if (bracketed) length -= 2;
    std::snprintf(field, size, "%.*s", static_cast<int>(length), host + bracketed);
}
