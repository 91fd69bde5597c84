#include "fetch/FeedResponse.h"

#include <cstdint>
#include <cstring>

inline constexpr int ProtocolTokenLimit = 8;
// Larger codes are not 200 either; the cap keeps the number from overflowing.
inline constexpr int StatusCap = 100000;
// The character after the marker (normally the opening quote) is skipped unread.
inline constexpr int ValueOffset = ValueMarkerLength + 1;

static bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// White space as the C locale's isspace knows it.
static bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

static bool IsCapturable(char c) {
    return (c >= 0x20 && c <= 0x7E) || c == '\r' || c == '\n';
}

static const char* SkipSpace(const char* text) {
    while (IsSpace(*text))
        ++text;
    return text;
}

static const char* SkipProtocolToken(const char* text) {
    int length = 0;
    while (length < ProtocolTokenLimit && text[length] != '\0' && text[length] != ' ')
        ++length;
    return length > 0 ? text + length : nullptr;
}

// An optionally signed decimal number after optional white space.
static const char* ReadStatusCode(const char* text, int& status) {
    text = SkipSpace(text);
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (!IsDigit(*text)) return nullptr;
    int value = 0;
    for (; IsDigit(*text); ++text) {
        value = value < StatusCap ? value * 10 + (*text - '0') : StatusCap;
    }
    status = negative ? -value : value;
    return text;
}

static const char* SkipRestOfLine(const char* text) {
    while (*text != '\0' && *text != '\r' && *text != '\n')
        ++text;
    return text;
}

static void CaptureResponseText(const char* text, char (&responseText)[ResponseTextSize]) {
    int length = 0;
    while (length < ResponseTextSize - 1 && IsCapturable(text[length])) {
        responseText[length] = text[length];
        ++length;
    }
    responseText[length] = '\0';
}

int ScanStatusLine(const char* response, char (&responseText)[ResponseTextSize]) {
    responseText[0] = '\0';
    const char* text = SkipProtocolToken(response);
    int status = 0;
    if (text == nullptr || (text = ReadStatusCode(text, status)) == nullptr) return status;
    // A status line may end right after the code: its body is read all the same.
    CaptureResponseText(SkipSpace(SkipRestOfLine(text)), responseText);
    return status;
}

static uint64_t ReadDigits(const char*& text, int& count) {
    uint64_t value = 0;
    for (count = 0; IsDigit(*text); ++text, ++count)
        value = value * 10 + uint64_t(*text - '0');
    return value;
}

static double PowerOfTen(int exponent) {
    double power = 1.0;
    while (exponent-- > 0)
        power *= 10.0;
    return power;
}

bool ConvertValueText(const char* text, int length, TemperatureReading& value) {
    if (length < 1 || length > ValueTextLimit) return false;
    const char* end = text + length;
    const char* cursor = text + (*text == '-' || *text == '+' ? 1 : 0);
    int wholeDigits = 0;
    uint64_t whole = ReadDigits(cursor, wholeDigits);
    if (wholeDigits == 0) return false;
    const char* mark = cursor < end ? cursor++ : nullptr;
    int fractionDigits = 0;
    uint64_t fraction = mark ? ReadDigits(cursor, fractionDigits) : 0;
    if (cursor != end || (mark && fractionDigits == 0)) return false;

    memcpy(value.valueText, text, length);
    value.valueText[length] = '\0';
    if (mark) value.valueText[mark - text] = '.';
    // Both operands are exact integers, so the quotient is the nearest double,
    // whatever decimal mark the C library's locale would expect.
    double scale = PowerOfTen(fractionDigits);
    double magnitude = double(whole * uint64_t(scale) + fraction) / scale;
    value.temperature = *text == '-' ? -magnitude : magnitude;
    return true;
}

const char* FindMarkedValue(const char* responseText) {
    const char* marker = strstr(responseText, ValueMarker);
    if (marker == nullptr || marker[ValueMarkerLength] == '\0') return nullptr;
    return marker + ValueOffset;
}

bool ReadMarkedValue(const char* responseText, TemperatureReading& value) {
    const char* start = FindMarkedValue(responseText);
    if (start == nullptr) return false;
    int length = static_cast<int>(strcspn(start, "\";"));
    return ConvertValueText(start, length, value);
}

FeedParse ParseFeedResponse(const char* response, char (&responseText)[ResponseTextSize],
                            TemperatureReading& value) {
    if (ScanStatusLine(response, responseText) != StatusOk) return FeedParse::Rejected;
    return ReadMarkedValue(responseText, value) ? FeedParse::Value : FeedParse::InvalidValue;
}

bool EndsWithValueClose(const char* held, int length) {
    return length >= 2 && held[length - 2] == '"' && held[length - 1] == ';';
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 307 || status == 308;
}

static const char* NextLine(const char* text) {
    text = SkipRestOfLine(text);
    if (*text == '\r') ++text;
    return *text == '\n' ? text + 1 : text;
}

static bool StartsWithIgnoringCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        char c = *text >= 'A' && *text <= 'Z' ? char(*text - 'A' + 'a') : *text;
        if (c != *prefix) return false;
    }
    return true;
}

const char* FindLocation(const char* response) {
    static const char name[] = "location:";
    for (const char* line = NextLine(response); *line != '\0' && *line != '\r' && *line != '\n';
         line = NextLine(line)) {
        if (!StartsWithIgnoringCase(line, name)) continue;
        const char* value = line + sizeof name - 1;
        while (*value == ' ' || *value == '\t')
            ++value;
        return value;
    }
    return nullptr;
}

static bool IsControl(unsigned char c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void CopyShownText(char* field, size_t size, const char* text, const char* stops) {
    size_t length = strcspn(text, stops);
    if (length >= size) length = size - 1;
    for (size_t i = 0; i < length; ++i)
        field[i] = IsControl(static_cast<unsigned char>(text[i])) ? '?' : text[i];
    field[length] = '\0';
}
