// Reads arbitrary bytes as a configuration file and writes into them: every
// read stays within its buffer, a written value reads back as written, a
// second write of it changes nothing, and no other entry changes.
#include <cstdlib>
#include <optional>
#include <string>

#include "settings/IniFile.h"

namespace {

const char* const Names[][2] = {{"Settings", "SourceURL"},
                                {"settings", "refreshtime"},
                                {"Proxy", "HostName"},
                                {"", "k"},
                                {"[a]", "b=c"}};

std::optional<std::string> Lookup(std::string_view text, const char* const (&name)[2]) {
    auto value = FindIniValue(text, name[0], name[1]);
    return value ? std::optional<std::string>(*value) : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int i = 0; i < 5; ++i) {
        const auto& name = Names[i];
        char small[8];
        auto value = FindIniValue(text, name[0], name[1]);
        if (value && (CopyProfileValue(*value, small, sizeof small) >= int(sizeof small)))
            std::abort();
        if (value) ParseProfileInt(*value);
        if (i >= 3) continue; // names the program writes: a value, and an empty one
        const char* wanted = i == 2 ? "" : "http://host/t.js";
        std::string written = SetIniValue(text, name[0], name[1], wanted);
        if (Lookup(written, name) != wanted ||
            SetIniValue(written, name[0], name[1], wanted) != written)
            std::abort();
        for (const auto& other : Names)
            if (&other != &name && Lookup(written, other) != Lookup(text, other)) std::abort();
    }
    return 0;
}
