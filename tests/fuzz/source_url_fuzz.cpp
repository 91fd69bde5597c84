// Splits arbitrary bytes as a source address: no target, or one that fits and comes from the
// address, with a colon in the host only from an IPv6 address in brackets.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fetch/SourceUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string sourceUrl(reinterpret_cast<const char*>(data), size);
    FetchTarget target;
    std::memset(&target, 0x5a, sizeof target);
    SplitSourceUrl(sourceUrl.c_str(), target);
    const size_t host = strnlen(target.host, sizeof target.host),
                 path = strnlen(target.path, sizeof target.path);
    if (host == sizeof target.host || path == sizeof target.path) std::abort();
    if (!target.valid
            ? host || path
            : !host || !path ||
                  (strchr(target.host, ':') &&
                   sourceUrl.find("[" + std::string(target.host) + "]") == std::string::npos) ||
                  strpbrk(target.path, " \t\n\v\f\r") ||
                  sourceUrl.find(target.host) == std::string::npos ||
                  (strcmp(target.path, "/") && sourceUrl.find(target.path) == std::string::npos))
        std::abort();
    return 0;
}
