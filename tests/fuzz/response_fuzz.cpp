// Feeds arbitrary bytes to the response parse: status scan, marker, value.
#include <cmath>
#include <cstring>
#include <vector>

#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size, terminated copy of what the fetch can hold: a read past its end is caught.
    std::vector<char> held(std::min(size, size_t(ReceiveBufferSize - 1)) + 1, '\0');
    memcpy(held.data(), data, held.size() - 1);
    char responseText[ResponseTextSize];
    TemperatureReading value{};
    if (ParseFeedResponse(held.data(), responseText, value) == FeedParse::Value &&
        (!*value.valueText || !std::isfinite(value.temperature)))
        __builtin_trap();
    return 0;
}
