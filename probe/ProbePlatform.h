#pragma once

// What the probe needs from the platform before its one refresh: sockets
// started and the terminal set to the texts' encoding (UTF-8, or
// Windows-1251 when raw).
bool StartProbePlatform(bool raw);
