#include "probe/ProbePlatform.h"

#include <cctype>
#include <cstring>

bool StartProbePlatform() {
    return true;
}

// A terminal here takes UTF-8 bytes like a file does.
bool WriteToConsole(const char*) {
    return false;
}

std::string SocketErrorText(int error) {
    std::string text = strerror(error);
    if (!text.empty()) text[0] = static_cast<char>(tolower(static_cast<unsigned char>(text[0])));
    return text;
}
