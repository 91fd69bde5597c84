// Reads arbitrary bytes as a configuration file and writes into them: every
// read must stay within its buffer, a written value must read back as
// written, and no other entry may change.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "settings/IniFile.h"

namespace {

struct Name {
    const char* section;
    const char* key;
};

constexpr Name Probes[] = {{"Settings", "SourceURL"},
                           {"settings", "refreshtime"},
                           {"Proxy", "HostName"},
                           {"LogOptions", "LogFile"},
                           {"", "k"},
                           {"[a]", "b=c"}};

void Require(bool condition) {
    if (!condition) std::abort();
}

std::optional<std::string> Lookup(std::string_view text, const Name& name) {
    auto value = FindIniValue(text, name.section, name.key);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

void CheckReads(std::string_view text, const Name& name) {
    auto value = FindIniValue(text, name.section, name.key);
    if (!value) return;
    char small[8];
    int length = CopyProfileValue(*value, small, sizeof small);
    Require(length >= 0 && length < int(sizeof small) && small[length] == '\0');
    ParseProfileInt(*value);
}

void CheckWrite(std::string_view text, const Name& target, std::string_view value) {
    std::string written = SetIniValue(text, target.section, target.key, value);
    Require(Lookup(written, target) == std::string(value));
    Require(SetIniValue(written, target.section, target.key, value) == written);
    for (const Name& other : Probes)
        if (&other != &target) Require(Lookup(written, other) == Lookup(text, other));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const Name& name : Probes)
        CheckReads(text, name);
    CheckWrite(text, Probes[0], "http://host/t.js");
    CheckWrite(text, Probes[2], "");
    return 0;
}
