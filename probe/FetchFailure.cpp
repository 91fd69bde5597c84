#include "probe/FetchFailure.h"

#include <cstdarg>
#include <cstdio>

#include "base/Text.h"
#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"
#include "fetch/SocketLayer.h"
#include "probe/ProbePlatform.h"

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...) {
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

// "proxy host:port" or "host:port": the peer the fetch talked to.
std::string Peer(const FetchReport& report) {
    char authority[sizeof report.host + 16];
    FormatAuthority(authority, sizeof authority, report.host, report.port);
    return (report.viaProxy ? "proxy " : "") + std::string(authority);
}

std::string ErrorWords(int32_t error) {
    if (error == 0) return "";
    return Format(": %s (error %d)", SocketErrorText(error).c_str(), static_cast<int>(error));
}

// What one address did when the connect ended without a connection.
std::string AttemptWords(const ConnectAttempt& attempt) {
    switch (attempt.outcome) {
    case AttemptOutcome::Refused:
        return "refused";
    case AttemptOutcome::Failed:
        return Format("%s, error %d", SocketErrorText(attempt.error).c_str(),
                      static_cast<int>(attempt.error));
    default:
        return "timed out";
    }
}

// ": tried A (refused), B (timed out)", or the error alone when no address was tried.
std::string ConnectWords(const FetchReport& report) {
    if (report.triedCount == 0) return ErrorWords(report.error);
    std::string words = ": tried ";
    for (int i = 0; i < report.triedCount; ++i) {
        const TriedAddress& tried = report.tried[i];
        char host[64], address[80];
        AddressText(tried.address, host, sizeof host);
        FormatAuthority(address, sizeof address, host, tried.address.port);
        words +=
            Format("%s%s (%s)", i > 0 ? ", " : "", address, AttemptWords(tried.attempt).c_str());
    }
    return words;
}

// Names the source itself: the TLS session is the source's, through the proxy too.
std::string DescribeTlsFailure(const FetchReport& report) {
    const std::string with = "failed: TLS with " + Peer(report) + ": ";
    switch (report.step) {
    case FetchStep::TlsUntrusted:
        return with + "the certificate's authority is not among Windows' trusted roots";
    case FetchStep::TlsWrongName:
        return with + "the certificate is not for " + report.host;
    case FetchStep::TlsExpired:
        return with + "the certificate has expired or is not valid yet";
    default:
        return with + Format("the handshake failed (error %d)", static_cast<int>(report.error));
    }
}

// The server's words quoted in the report, read as Windows-1251 as the
// program reads them, as a terminal shows them.
template <size_t Size> std::string ServerText(const char (&quoted)[Size]) {
    char text[Utf8Size(Size)];
    Cp1251ToUtf8(quoted, text, sizeof text);
    return text;
}

// Where a redirect sends the address, for the user to set SourceURL to.
std::string DescribeStatus(const FetchReport& report) {
    // Through a proxy this is the proxy's own status line, whatever the source said.
    std::string line = std::string("failed: status line from ") + (report.viaProxy ? "the " : "") +
                       Peer(report) + ": " + ServerText(report.detail);
    if (report.location[0] == '\0') return line;
    return line + "; the address moved to " + ServerText(report.location) +
           " (set SourceURL to it)";
}

std::string DescribeReceiveFailure(const FetchReport& report) {
    const std::string from = "failed: receive from " + Peer(report);
    switch (report.step) {
    case FetchStep::ReceiveClosed:
        return from + ": connection closed before the answer ended with \";";
    case FetchStep::ReceiveTooLong:
        return from + Format(": answer longer than %d bytes", ResponseLimit);
    case FetchStep::ReceiveNoEnd:
        return from + Format(": no answer ending with \"; within %d polls", PollAttempts);
    default:
        return from + ErrorWords(report.error);
    }
}

} // namespace

std::string DescribeFetchFailure(const FetchReport& report, const char* sourceUrl,
                                 const char* valueText) {
    switch (report.step) {
    case FetchStep::Done:
        // A 200 answer with a value no temperature can have.
        return Format("failed: value %s is not above -273", valueText);
    case FetchStep::Address:
        // The address may be as long as SourceURL holds: no fixed buffer.
        return std::string("failed: source address \"") + sourceUrl +
               "\" is not http://host[:port]/path or https://host[:port]/path with a port of "
               "1-65535";
    case FetchStep::Resolve:
        // The code alone: POSIX look-ups have codes of their own, not errno values.
        return Format("failed: resolve %s%s (error %d)", report.viaProxy ? "proxy " : "",
                      report.host, static_cast<int>(report.error));
    case FetchStep::Connect:
        return "failed: connect to " + Peer(report) + ConnectWords(report);
    case FetchStep::Send:
        return "failed: send the request to " + Peer(report) + ErrorWords(report.error);
    case FetchStep::ReceiveError:
    case FetchStep::ReceiveClosed:
    case FetchStep::ReceiveTooLong:
    case FetchStep::ReceiveNoEnd:
        return DescribeReceiveFailure(report);
    case FetchStep::Status:
        return DescribeStatus(report);
    case FetchStep::TlsUntrusted:
    case FetchStep::TlsWrongName:
    case FetchStep::TlsExpired:
    case FetchStep::TlsHandshake:
        return DescribeTlsFailure(report);
    case FetchStep::NoHttps:
        if (report.error == 0)
            return "failed: https:// sources are fetched by the Windows builds only";
        return Format("failed: load the system's winhttp.dll (error %d)",
                      static_cast<int>(report.error));
    case FetchStep::NoMarker:
        return Format("failed: no \"%s\" in the answer's printable text", ValueMarker);
    case FetchStep::BadValue:
        return Format("failed: no value after \"%s\": found \"%s\"", ValueMarker,
                      ServerText(report.detail).c_str());
    }
    return "failed: ?";
}
