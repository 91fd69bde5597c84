#pragma once
// The parse of one feed response, apart from any socket, so that it can be
// tested and fuzzed on plain bytes.
#include <cstddef>

#include "fetch/Fetch.h"

inline constexpr char ValueMarker[] = "var Therm = ";
inline constexpr int ValueMarkerLength = sizeof ValueMarker - 1;
inline constexpr int ResponseTextSize = sizeof(FetchBuffers::responseText);
inline constexpr int StatusOk = 200;

enum class FeedParse {
    Rejected,     // no readable status line, or a status other than 200
    InvalidValue, // a 200 answer without a usable value
    Value,        // a 200 answer with its value in the reading
};

// Parses a NUL-terminated response. responseText receives what follows the
// status line; value is written only when the result is FeedParse::Value.
FeedParse ParseFeedResponse(const char* response, char (&responseText)[ResponseTextSize],
                            TemperatureReading& value);

// The status code of the status line (0 when unreadable), and the printable
// text after that line, up to the first other byte, into responseText.
int ScanStatusLine(const char* response, char (&responseText)[ResponseTextSize]);

// Where the value starts: after the marker and the opening character that is
// skipped unread; nullptr when the marker is missing or ends the text.
const char* FindMarkedValue(const char* responseText);

// Finds the value after the marker and its skipped opening character.
bool ReadMarkedValue(const char* responseText, TemperatureReading& value);

// A value of [sign]digits[mark digits], at most ValueTextLimit characters;
// the one-character decimal mark becomes a full stop.
bool ConvertValueText(const char* text, int length, TemperatureReading& value);

// True for the statuses that send the address elsewhere: 301, 302, 307, 308.
bool IsRedirect(int status);

// The value of the Location header among the lines after the status line, up
// to the empty line that ends them; nullptr when there is none.
const char* FindLocation(const char* response);

// Copies text up to the first of stops into a field of size bytes, cut to
// fit, with each byte a terminal could take for a control (C0, DEL, C1) as '?'.
void CopyShownText(char* field, size_t size, const char* text, const char* stops);

// True when the held bytes end with the double quote and semicolon that close the data file.
bool EndsWithValueClose(const char* held, int length);
