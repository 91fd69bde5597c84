#pragma once
// The request target as the wire carries it, the same on the http:// and the
// https:// path: one address is always one request.
#include <cstddef>

// Copies text into out with every byte outside 0x21-0x7E written as %XX of
// that byte (upper-case hex) and every other byte, '%' included, as it is, so
// an address already percent-encoded stays as it was. Returns the length
// written, or -1 when it does not fit size bytes with its terminator.
int EscapeRequestTarget(const char* text, char* out, size_t size);
