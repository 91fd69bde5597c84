// Feeds arbitrary bytes to the response parse: status scan, marker, value.
#include <cmath>
#include <cstring>
#include <memory>

#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy of what the fetch can hold, so that any read past
    // the terminator is caught.
    size = std::min(size, size_t(ReceiveBufferSize - 1));
    std::unique_ptr<char[]> held(new char[size + 1]);
    memcpy(held.get(), data, size);
    held[size] = '\0';
    char responseText[ResponseTextSize];
    TemperatureReading value{};
    if (ParseFeedResponse(held.get(), responseText, value) == FeedParse::Value &&
        (!*value.valueText || !std::isfinite(value.temperature)))
        __builtin_trap();
    return 0;
}
