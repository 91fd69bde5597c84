// Splits arbitrary bytes as a source address and checks what every split
// must give: a target that fits its fields, or no target at all.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fetch/SourceUrl.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool HasBlank(const char* text) {
    return std::strpbrk(text, " \t\n\v\f\r") != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string sourceUrl(reinterpret_cast<const char*>(data), size);
    FetchTarget target;
    std::memset(&target, 0x5a, sizeof target);
    SplitSourceUrl(sourceUrl.c_str(), target);
    size_t hostLength = strnlen(target.host, sizeof target.host);
    size_t pathLength = strnlen(target.path, sizeof target.path);
    Require(hostLength < sizeof target.host && pathLength < sizeof target.path);
    if (!target.valid) {
        Require(hostLength == 0 && pathLength == 0);
        return 0;
    }
    Require(hostLength > 0 && pathLength > 0);
    Require(std::strchr(target.host, ':') == nullptr);
    Require(!HasBlank(target.path));
    Require(sourceUrl.find(target.host) != std::string::npos);
    Require(std::strcmp(target.path, "/") == 0 || sourceUrl.find(target.path) != std::string::npos);
    return 0;
}
