#include "probe/FetchFailure.h"

#include <cstdarg>
#include <cstdio>

#include "base/Text.h"
#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"
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
    return Format("%s%s:%ld", report.viaProxy ? "proxy " : "", report.host, report.port);
}

std::string ErrorWords(int32_t error) {
    if (error == 0) return "";
    return Format(": %s (error %d)", SocketErrorText(error).c_str(), static_cast<int>(error));
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

// The server's text quoted in the report, as a terminal shows it.
std::string Detail(const FetchReport& report) {
    char text[Utf8Size(sizeof report.detail)];
    Cp1251ToUtf8(report.detail, text, sizeof text);
    return text;
}

} // namespace

std::string DescribeFetchFailure(const FetchReport& report, const char* sourceUrl,
                                 const char* valueText) {
    switch (report.step) {
    case FetchStep::Done:
        // A 200 answer with a value no temperature can have.
        return Format("failed: value %s is not above -273", valueText);
    case FetchStep::Address:
        return Format("failed: source address \"%s\" is not http://host[:port]/path with a port "
                      "of 1-65535",
                      sourceUrl);
    case FetchStep::Resolve:
        // The code alone: POSIX look-ups have codes of their own, not errno values.
        return Format("failed: resolve %s%s (error %d)", report.viaProxy ? "proxy " : "",
                      report.host, static_cast<int>(report.error));
    case FetchStep::Connect:
        return "failed: connect to " + Peer(report) + ErrorWords(report.error);
    case FetchStep::Send:
        return "failed: send the request to " + Peer(report) + ErrorWords(report.error);
    case FetchStep::ReceiveError:
    case FetchStep::ReceiveClosed:
    case FetchStep::ReceiveTooLong:
    case FetchStep::ReceiveNoEnd:
        return DescribeReceiveFailure(report);
    case FetchStep::Status:
        // Through a proxy this is the proxy's own status line, whatever the source said.
        return std::string("failed: status line from ") + (report.viaProxy ? "the " : "") +
               Peer(report) + ": " + Detail(report);
    case FetchStep::NoMarker:
        return Format("failed: no \"%s\" in the answer's printable text", ValueMarker);
    case FetchStep::BadValue:
        return Format("failed: no value after \"%s\": found \"%s\"", ValueMarker,
                      Detail(report).c_str());
    }
    return "failed: ?";
}
