// Reads and writes arbitrary bytes as a configuration file: reads stay in their buffer, a write
// reads back, a second write changes nothing, no other entry changes.
#include <cstdlib>
#include <string>

#include "settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first three are names the program writes, the other two are not.
    const char* const sections[] = {"Settings", "settings", "Proxy", "", "[a]"};
    const char* const keys[] = {"SourceURL", "refreshtime", "HostName", "k", "b=c"};
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (int i = 0; i < 5; ++i) {
        char small[8];
        if (auto value = FindIniValue(text, sections[i], keys[i])) {
            if (CopyProfileValue(*value, small, sizeof small) >= int(sizeof small)) std::abort();
            ParseProfileInt(*value);
        }
        if (i >= 3) continue;
        const char* wanted = i == 2 ? "" : "http://host/t.js"; // and an empty one
        const std::string written = SetIniValue(text, sections[i], keys[i], wanted);
        if (FindIniValue(written, sections[i], keys[i]) != wanted ||
            SetIniValue(written, sections[i], keys[i], wanted) != written)
            std::abort();
        for (int j = 0; j < 5; ++j)
            if (j != i && FindIniValue(written, sections[j], keys[j]) !=
                              FindIniValue(text, sections[j], keys[j]))
                std::abort();
    }
    return 0;
}
