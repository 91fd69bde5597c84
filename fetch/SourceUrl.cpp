#include "fetch/SourceUrl.h"

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

bool ReadHostAndPath(const char* at, FetchTarget& target) {
    const char* hostEnd = SkipWhile(at, IsHostChar);
    if (hostEnd == at || !CopyRun(at, hostEnd, target.host, TargetHostLimit)) return false;
    const char* pathStart = SkipWhile(hostEnd, IsBlank);
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
    if (!hostStart || *hostStart == ':' || !ReadHostAndPath(hostStart, target)) {
        target = FetchTarget{};
        return;
    }
    char* colon = std::strchr(target.host, ':');
    target.port = colon ? ReadPort(colon + 1) : target.secure ? HttpsPort : HttpPort;
    if (colon) *colon = '\0';
    target.valid = true;
}
