#include "fetch/SecureExchange.h"

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <cstdio>
#include <initializer_list>

#include "base/SystemLibraryWin32.h"
#include "base/Text.h"
#include "fetch/FeedResponse.h"
#include "fetch/ReceiveDeadlineWin32.h"

namespace {

// The functions of winhttp.dll that one exchange calls.
struct WinHttp {
    decltype(&WinHttpOpen) Open;
    decltype(&WinHttpConnect) Connect;
    decltype(&WinHttpOpenRequest) OpenRequest;
    decltype(&WinHttpSetTimeouts) SetTimeouts;
    decltype(&WinHttpSetOption) SetOption;
    decltype(&WinHttpSendRequest) SendRequest;
    decltype(&WinHttpReceiveResponse) ReceiveResponse;
    decltype(&WinHttpQueryHeaders) QueryHeaders;
    decltype(&WinHttpReadData) ReadData;
    decltype(&WinHttpCloseHandle) CloseHandle;
    decltype(&WinHttpQueryOption) QueryOption;
    // crypt32.dll, which winhttp.dll itself loads, to tell why a certificate failed.
    decltype(&CertGetCertificateChain) GetChain;
    decltype(&CertVerifyCertificateChainPolicy) VerifyPolicy;
    decltype(&CertFreeCertificateChain) FreeChain;
    decltype(&CertFreeCertificateContext) FreeCertificate;
};

// Connecting: about as long as Windows lets a socket's connect take.
constexpr int ConnectMilliseconds = 21 * 1000;
constexpr int StatusFieldSize = 64;
// A server that answers at all shows its certificate at once.
constexpr int DiagnosisMilliseconds = 5 * 1000;

template <typename Function> bool Bind(HMODULE module, const char* name, Function& function) {
    FARPROC found = GetProcAddress(module, name);
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    return found != nullptr;
}

// winhttp.dll (and crypt32.dll) loaded on the first https:// fetch and kept: an http:// source
// never maps it. Fetches run one at a time under refreshLock. 0, or the loader's error code.
DWORD LoadWinHttp(WinHttp& http) {
    static WinHttp loaded;
    static bool ready;
    if (!ready) {
        HMODULE module = LoadSystemLibrary(L"winhttp.dll");
        HMODULE crypt32 = LoadSystemLibrary(L"crypt32.dll");
        if (module == nullptr || crypt32 == nullptr) return GetLastError();
        ready = Bind(module, "WinHttpOpen", loaded.Open) &&
                Bind(module, "WinHttpConnect", loaded.Connect) &&
                Bind(module, "WinHttpOpenRequest", loaded.OpenRequest) &&
                Bind(module, "WinHttpSetTimeouts", loaded.SetTimeouts) &&
                Bind(module, "WinHttpSetOption", loaded.SetOption) &&
                Bind(module, "WinHttpSendRequest", loaded.SendRequest) &&
                Bind(module, "WinHttpReceiveResponse", loaded.ReceiveResponse) &&
                Bind(module, "WinHttpQueryHeaders", loaded.QueryHeaders) &&
                Bind(module, "WinHttpReadData", loaded.ReadData) &&
                Bind(module, "WinHttpCloseHandle", loaded.CloseHandle) &&
                Bind(module, "WinHttpQueryOption", loaded.QueryOption) &&
                Bind(crypt32, "CertGetCertificateChain", loaded.GetChain) &&
                Bind(crypt32, "CertVerifyCertificateChainPolicy", loaded.VerifyPolicy) &&
                Bind(crypt32, "CertFreeCertificateChain", loaded.FreeChain) &&
                Bind(crypt32, "CertFreeCertificateContext", loaded.FreeCertificate);
        if (!ready) return ERROR_PROC_NOT_FOUND;
        BoundReceives(module);
    }
    http = loaded;
    return 0;
}

// The session, connection and request of one exchange, closed in reverse.
struct Handles {
    const WinHttp& http;
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    wchar_t host[TargetHostLimit + 1] = {};
    ~Handles() {
        for (HINTERNET handle : {request, connection, session})
            if (handle != nullptr) http.CloseHandle(handle);
    }
};

int Fail(FetchReport& report, FetchStep step, DWORD error) {
    report.step = step;
    report.error = static_cast<int32_t>(error);
    return -1;
}

// The TLS session is the source's own, through the proxy's tunnel too.
int FailTls(FetchReport& report, const FetchTarget& target, FetchStep step, DWORD error) {
    report.viaProxy = false;
    snprintf(report.host, sizeof report.host, "%s", target.host);
    report.port = target.port;
    return Fail(report, step, error);
}

// Why a certificate that failed fails: its dates, its authority, then its name.
FetchStep ClassifyCertificate(const WinHttp& http, PCCERT_CONTEXT certificate, wchar_t* host) {
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!http.GetChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0,
                       nullptr, &chain)) {
        return FetchStep::TlsHandshake;
    }
    DWORD trust = chain->TrustStatus.dwErrorStatus;
    FetchStep step = FetchStep::TlsHandshake;
    if (trust & CERT_TRUST_IS_NOT_TIME_VALID) {
        step = FetchStep::TlsExpired;
    } else if (trust & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN)) {
        step = FetchStep::TlsUntrusted;
    } else {
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA server{};
        server.cbSize = sizeof server;
        server.dwAuthType = AUTHTYPE_SERVER;
        server.pwszServerName = host;
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &server;
        CERT_CHAIN_POLICY_STATUS status{};
        status.cbSize = sizeof status;
        if (http.VerifyPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status) &&
            status.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) {
            step = FetchStep::TlsWrongName;
        }
    }
    http.FreeChain(chain);
    return step;
}

// WinHTTP may name a refused certificate only as a failed secure channel, so
// the source is asked once more, with the checks off, for its certificate
// alone: that request's answer is never read.
FetchStep DiagnoseCertificate(Handles& handles) {
    ReceiveDeadline deadline(DiagnosisMilliseconds);
    const WinHttp& http = handles.http;
    HINTERNET request =
        http.OpenRequest(handles.connection, L"HEAD", L"/", nullptr, WINHTTP_NO_REFERER,
                         WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
    if (request == nullptr) return FetchStep::TlsHandshake;
    DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                   SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    http.SetOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore);
    http.SetTimeouts(request, 0, DiagnosisMilliseconds, DiagnosisMilliseconds,
                     DiagnosisMilliseconds);
    FetchStep step = FetchStep::TlsHandshake;
    PCCERT_CONTEXT certificate = nullptr;
    DWORD size = sizeof certificate;
    if (http.SendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                         0) &&
        http.QueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size)) {
        step = ClassifyCertificate(http, certificate, handles.host);
        http.FreeCertificate(certificate);
    }
    http.CloseHandle(request);
    return step;
}

// Only a caller who asks why is told what was wrong with the certificate.
int FailSend(Handles& handles, FetchReport& report, const FetchTarget& target, DWORD error,
             bool diagnose) {
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return Fail(report, FetchStep::Resolve, error);
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return Fail(report, FetchStep::Connect, error);
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case ERROR_WINHTTP_TIMEOUT:
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return Fail(report, FetchStep::Send, error);
    }
    FetchStep step = diagnose ? DiagnoseCertificate(handles) : FetchStep::TlsHandshake;
    return FailTls(report, target, step, error);
}

bool OpenRequest(Handles& handles, const FetchConfig& config, const FetchReport& report) {
    const WinHttp& http = handles.http;
    if (config.settings.UseProxy != 0) {
        char proxy[Utf8Size(HostNameLimit) + 16];
        wchar_t wideProxy[sizeof proxy];
        snprintf(proxy, sizeof proxy, "%s:%ld", report.host, report.port);
        if (!Utf8ToUtf16(proxy, wideProxy, sizeof proxy)) return false;
        handles.session = http.Open(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, wideProxy,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    } else {
        handles.session = http.Open(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    }
    wchar_t path[TargetPathLimit + 1];
    if (handles.session == nullptr ||
        !Utf8ToUtf16(config.target.host, handles.host, TargetHostLimit + 1) ||
        !Utf8ToUtf16(config.target.path, path, TargetPathLimit + 1)) {
        return false;
    }
    const int answer = static_cast<int>(SecureAnswerMilliseconds);
    http.SetTimeouts(handles.session, 0, ConnectMilliseconds, answer, answer);
    handles.connection = http.Connect(handles.session, handles.host,
                                      static_cast<INTERNET_PORT>(config.target.port), 0);
    const wchar_t* accept[] = {L"*/*", nullptr};
    handles.request = handles.connection == nullptr
                          ? nullptr
                          : http.OpenRequest(handles.connection, L"GET", path, nullptr,
                                             WINHTTP_NO_REFERER, accept, WINHTTP_FLAG_SECURE);
    if (handles.request == nullptr) return false;
    // Redirects are not followed: the user is told where they lead.
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    return http.SetOption(handles.request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                          sizeof noRedirects) != FALSE;
}

// One header as printable ASCII into field; empty when there is none.
void QueryText(const Handles& handles, DWORD info, char* field, int size) {
    wchar_t wide[SourceUrlLimit + 1];
    DWORD bytes = sizeof wide;
    field[0] = '\0';
    if (!handles.http.QueryHeaders(handles.request, info, WINHTTP_HEADER_NAME_BY_INDEX, wide,
                                   &bytes, WINHTTP_NO_HEADER_INDEX)) {
        return;
    }
    int length = 0;
    for (; wide[length] != L'\0' && length < size - 1; ++length)
        field[length] = wide[length] >= 0x20 && wide[length] < 0x7F ? char(wide[length]) : '?';
    field[length] = '\0';
}

// The status line as the server would have sent it, and CR LF; its length.
int WriteStatusLine(const Handles& handles, char* buffer, int size) {
    char version[StatusFieldSize], code[StatusFieldSize], reason[StatusFieldSize];
    QueryText(handles, WINHTTP_QUERY_VERSION, version, StatusFieldSize);
    QueryText(handles, WINHTTP_QUERY_STATUS_CODE, code, StatusFieldSize);
    QueryText(handles, WINHTTP_QUERY_STATUS_TEXT, reason, StatusFieldSize);
    return snprintf(buffer, size, "%s %s %s\r\n", version, code, reason);
}

// The error of a failed WinHTTP call; a timeout when the deadline refused a read.
DWORD CallError(const ReceiveDeadline& deadline) {
    return deadline.Passed() ? ERROR_WINHTTP_TIMEOUT : GetLastError();
}

// The body after the status line, within the answer's time and size limits.
int ReadBody(const Handles& handles, char* buffer, int held, const ReceiveDeadline& deadline,
             FetchReport& report) {
    const int bodyStart = held;
    for (;;) {
        DWORD remaining = deadline.Remaining();
        if (remaining == 0) return Fail(report, FetchStep::ReceiveError, ERROR_WINHTTP_TIMEOUT);
        handles.http.SetOption(handles.request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &remaining,
                               sizeof remaining);
        // At most one byte past the limit, enough to know it was passed.
        DWORD room = static_cast<DWORD>(SecureBodyLimit + 1 - (held - bodyStart));
        DWORD read = 0;
        if (!handles.http.ReadData(handles.request, buffer + held, room, &read)) {
            return Fail(report, FetchStep::ReceiveError, CallError(deadline));
        }
        if (read == 0) return held;
        held += static_cast<int>(read);
        if (held - bodyStart > SecureBodyLimit) return Fail(report, FetchStep::ReceiveTooLong, 0);
    }
}

} // namespace

static_assert(sizeof(FetchBuffers::receiveBuffer) > 3 * 64 + 4 + SecureBodyLimit + 1,
              "the status line and the longest body must fit the receive buffer");

int SecureExchange(const FetchConfig& config, FetchBuffers& buffers, FetchReport& report,
                   bool diagnose) {
    WinHttp http;
    if (DWORD error = LoadWinHttp(http)) return Fail(report, FetchStep::NoHttps, error);
    Handles handles{http};
    if (!OpenRequest(handles, config, report)) return Fail(report, FetchStep::Send, GetLastError());
    // From the request's sending, through the handshake, to the answer's last byte.
    ReceiveDeadline deadline(SecureAnswerMilliseconds);
    if (!http.SendRequest(handles.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                          WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
        DWORD error = CallError(deadline);
        if (deadline.Passed()) return Fail(report, FetchStep::ReceiveError, error);
        return FailSend(handles, report, config.target, error, diagnose);
    }
    if (!http.ReceiveResponse(handles.request, nullptr)) {
        return Fail(report, FetchStep::ReceiveError, CallError(deadline));
    }
    char* buffer = buffers.receiveBuffer;
    int held = WriteStatusLine(handles, buffer, sizeof buffers.receiveBuffer);
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    http.QueryHeaders(handles.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
    if (IsRedirect(static_cast<int>(status))) {
        QueryText(handles, WINHTTP_QUERY_LOCATION, report.location, sizeof report.location);
    }
    // Any other status is refused by its line alone.
    return status == StatusOk ? ReadBody(handles, buffer, held, deadline, report) : held;
}
