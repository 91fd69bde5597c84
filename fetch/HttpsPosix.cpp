#include "fetch/SecureExchange.h"

// The shipped programs are Windows programs with Windows' own TLS; a TLS
// library here would be a dependency of a build that ships nothing.
int SecureExchange(const FetchConfig&, FetchBuffers&, FetchReport& report, bool) {
    report.step = FetchStep::NoHttps;
    return -1;
}
