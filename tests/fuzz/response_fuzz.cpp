// Feeds arbitrary bytes to the response parse: status scan, marker, value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The fetch never holds more than its receive buffer, terminated.
    if (size >= static_cast<size_t>(ReceiveBufferSize)) size = ReceiveBufferSize - 1;
    // An exact-size copy, so that any read past the terminator is caught.
    std::unique_ptr<char[]> held(new char[size + 1]);
    memcpy(held.get(), data, size);
    held[size] = '\0';

    EndsWithValueClose(held.get(), static_cast<int>(size));
    char responseText[ResponseTextSize];
    TemperatureReading value{};
    FeedParse result = ParseFeedResponse(held.get(), responseText, value);
    if (strlen(responseText) >= static_cast<size_t>(ResponseTextSize)) __builtin_trap();
    if (result == FeedParse::Value) {
        size_t length = strlen(value.valueText);
        if (length == 0 || length > static_cast<size_t>(ValueTextLimit)) __builtin_trap();
        if (!std::isfinite(value.temperature)) __builtin_trap();
    }
    return 0;
}
