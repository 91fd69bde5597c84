#include "fetch/SecureExchange.h"

#include <windows.h>
#include <wincrypt.h>
#include <winhttp.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "base/SystemLibraryWin32.h"
#include "base/Text.h"
#include "fetch/ExchangeLimit.h"
#include "fetch/FeedResponse.h"
#include "fetch/FetchPhases.h"
#include "fetch/RequestTarget.h"

namespace {

// The functions of winhttp.dll that one exchange calls.
struct WinHttp {
    decltype(&WinHttpOpen) Open;
    decltype(&WinHttpConnect) Connect;
    decltype(&WinHttpOpenRequest) OpenRequest;
    decltype(&WinHttpSetTimeouts) SetTimeouts;
    decltype(&WinHttpSetOption) SetOption;
    decltype(&WinHttpAddRequestHeaders) AddHeaders;
    decltype(&WinHttpSendRequest) SendRequest;
    decltype(&WinHttpReceiveResponse) ReceiveResponse;
    decltype(&WinHttpQueryHeaders) QueryHeaders;
    decltype(&WinHttpReadData) ReadData;
    decltype(&WinHttpCloseHandle) CloseHandle;
    decltype(&WinHttpQueryOption) QueryOption;
    decltype(&WinHttpSetStatusCallback) SetStatusCallback;
    // crypt32.dll, which winhttp.dll itself loads, to tell why a certificate failed.
    decltype(&CertGetCertificateChain) GetChain;
    decltype(&CertVerifyCertificateChainPolicy) VerifyPolicy;
    decltype(&CertFreeCertificateChain) FreeChain;
    decltype(&CertFreeCertificateContext) FreeCertificate;
};

constexpr int StatusFieldSize = 64;
// A server that answers at all shows its certificate at once.
constexpr int DiagnosisMilliseconds = 5 * 1000;
// The escaped path: each byte may become three.
constexpr int EscapedPathSize = 3 * TargetPathLimit + 1;
// "[" host "]" and, for the proxy, ":" and a port.
constexpr int PeerNameSize = Utf8Size(HostNameLimit) + 16;

uint32_t exchangeLimit = SecureExchangeMilliseconds;
UnfinishedExchanges unfinished;

template <typename Function> bool Bind(HMODULE module, const char* name, Function& function) {
    FARPROC found = GetProcAddress(module, name);
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(found));
    return found != nullptr;
}

// winhttp.dll (and crypt32.dll) loaded on the first https:// fetch and kept: an http:// source
// never maps it. Called under refreshLock only. 0, or the loader's error code.
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
                Bind(module, "WinHttpAddRequestHeaders", loaded.AddHeaders) &&
                Bind(module, "WinHttpSendRequest", loaded.SendRequest) &&
                Bind(module, "WinHttpReceiveResponse", loaded.ReceiveResponse) &&
                Bind(module, "WinHttpQueryHeaders", loaded.QueryHeaders) &&
                Bind(module, "WinHttpReadData", loaded.ReadData) &&
                Bind(module, "WinHttpCloseHandle", loaded.CloseHandle) &&
                Bind(module, "WinHttpQueryOption", loaded.QueryOption) &&
                Bind(module, "WinHttpSetStatusCallback", loaded.SetStatusCallback) &&
                Bind(crypt32, "CertGetCertificateChain", loaded.GetChain) &&
                Bind(crypt32, "CertVerifyCertificateChainPolicy", loaded.VerifyPolicy) &&
                Bind(crypt32, "CertFreeCertificateChain", loaded.FreeChain) &&
                Bind(crypt32, "CertFreeCertificateContext", loaded.FreeCertificate);
        if (!ready) return ERROR_PROC_NOT_FOUND;
    }
    http = loaded;
    return 0;
}

// One exchange on a worker thread of its own, with its own memory: the
// refresh that waits for it may give up and go on while it still runs.
struct Job {
    WinHttp http;
    SharedByTwo holders;
    HANDLE done = nullptr; // set when the worker has written its outcome
    // The request in use and whether the refresh gave up, under guard: the
    // refresh's giving up closes the request, which is how Windows cancels one.
    CRITICAL_SECTION guard;
    HINTERNET request = nullptr;
    bool cancelled = false;
    HINTERNET session = nullptr;
    HINTERNET connection = nullptr;
    FetchTarget target{};
    bool diagnose = false;
    bool viaProxy = false;
    bool connected = false; // the TCP connection (to the source or the proxy) was made
    INTERNET_PORT port = 0;
    wchar_t proxy[PeerNameSize] = {};
    wchar_t host[PeerNameSize] = {};
    wchar_t hostHeader[PeerNameSize + 16] = {};
    wchar_t path[EscapedPathSize] = {};
    FetchReport report{};
    char received[ReceiveBufferSize] = {};
    int held = -1;
};

int Fail(FetchReport& report, FetchStep step, DWORD error) {
    report.step = step;
    report.error = static_cast<int32_t>(error);
    return -1;
}

// Past the tunnel, the peer is the source: its TLS session, its answer.
void NoteSource(FetchReport& report, const FetchTarget& target) {
    report.viaProxy = false;
    snprintf(report.host, sizeof report.host, "%s", target.host);
    report.port = target.port;
}

// What the worker needs, copied from the refresh's snapshot. WinHTTP is
// handed an IPv6 address in brackets, as an address writes it.
bool FillJob(Job& job, const FetchConfig& config, const FetchReport& report, bool diagnose) {
    const FetchTarget& target = config.target;
    job.report = report;
    job.target = target;
    job.diagnose = diagnose;
    job.viaProxy = config.settings.UseProxy != 0;
    job.port = static_cast<INTERNET_PORT>(target.port);
    char text[EscapedPathSize];
    snprintf(text, sizeof text, IsIpv6Literal(target.host) ? "[%s]" : "%s", target.host);
    if (!Utf8ToUtf16(text, job.host, PeerNameSize)) return false;
    const int prefix = snprintf(text, sizeof text, "Host: ");
    FormatAuthority(text + prefix, sizeof text - prefix, target.host, target.port);
    if (!Utf8ToUtf16(text, job.hostHeader, PeerNameSize + 16)) return false;
    if (job.viaProxy) {
        FormatAuthority(text, sizeof text, report.host, report.port);
        if (!Utf8ToUtf16(text, job.proxy, PeerNameSize)) return false;
    }
    return EscapeRequestTarget(target.path, text, sizeof text) >= 0 &&
           Utf8ToUtf16(text, job.path, EscapedPathSize);
}

// A request the worker opened becomes the one the refresh may close; false,
// and closed at once, when the refresh has given up already.
bool Adopt(Job& job, HINTERNET request) {
    EnterCriticalSection(&job.guard);
    const bool live = !job.cancelled && request != nullptr;
    if (live) job.request = request;
    LeaveCriticalSection(&job.guard);
    if (!live && request != nullptr) job.http.CloseHandle(request);
    return live;
}

// Closes the request in use, once, by whichever side comes first.
void CloseRequest(Job& job, bool cancel) {
    EnterCriticalSection(&job.guard);
    job.cancelled = job.cancelled || cancel;
    HINTERNET request = job.request;
    job.request = nullptr;
    LeaveCriticalSection(&job.guard);
    if (request != nullptr) job.http.CloseHandle(request);
}

// False once the refresh has given up: the request's handle is closed, and
// its value may already name another exchange's request.
bool StillWanted(Job& job) {
    EnterCriticalSection(&job.guard);
    const bool wanted = !job.cancelled;
    LeaveCriticalSection(&job.guard);
    return wanted;
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
FetchStep DiagnoseCertificate(Job& job) {
    const WinHttp& http = job.http;
    HINTERNET request = http.OpenRequest(job.connection, L"HEAD", L"/", nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE);
    if (!Adopt(job, request)) return FetchStep::TlsHandshake;
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
        StillWanted(job) &&
        http.QueryOption(request, WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size)) {
        step = ClassifyCertificate(http, certificate, job.host);
        http.FreeCertificate(certificate);
    }
    CloseRequest(job, false);
    return step;
}

// Told on the worker's own thread, within its calls, when its connection is made.
void CALLBACK NoteConnected(HINTERNET, DWORD_PTR context, DWORD status, LPVOID, DWORD) {
    // The certificate's diagnosis has no context: its connection tells nothing new.
    if (status == WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER && context != 0)
        reinterpret_cast<Job*>(context)->connected = true;
}

// Only a caller who asks why is told what was wrong with the certificate.
int FailSend(Job& job, DWORD error) {
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return Fail(job.report, FetchStep::Resolve, error);
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return Fail(job.report, FetchStep::Connect, error);
    case ERROR_WINHTTP_TIMEOUT:
        return Fail(job.report, job.connected ? FetchStep::Send : FetchStep::Connect, error);
    case ERROR_WINHTTP_CONNECTION_ERROR:
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return Fail(job.report, FetchStep::Send, error);
    }
    CloseRequest(job, false);
    FetchStep step = job.diagnose ? DiagnoseCertificate(job) : FetchStep::TlsHandshake;
    NoteSource(job.report, job.target);
    return Fail(job.report, step, error);
}

bool OpenRequest(Job& job) {
    const WinHttp& http = job.http;
    job.session = job.viaProxy ? http.Open(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, job.proxy,
                                           WINHTTP_NO_PROXY_BYPASS, 0)
                               : http.Open(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                           WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (job.session == nullptr) return false;
    http.SetStatusCallback(job.session, NoteConnected, WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER, 0);
    const int answer = static_cast<int>(SecureAnswerMilliseconds);
    http.SetTimeouts(job.session, 0, static_cast<int>(SecureConnectMilliseconds), answer, answer);
    job.connection = http.Connect(job.session, job.host, job.port, 0);
    const wchar_t* accept[] = {L"*/*", nullptr};
    // The path arrives escaped as the http:// path sends it.
    HINTERNET request =
        job.connection == nullptr
            ? nullptr
            : http.OpenRequest(job.connection, L"GET", job.path, nullptr, WINHTTP_NO_REFERER,
                               accept, WINHTTP_FLAG_SECURE | WINHTTP_FLAG_ESCAPE_DISABLE);
    if (!Adopt(job, request)) return false;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&job);
    // Redirects are not followed: the user is told where they lead.
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    // The Host header as written for every system: an IPv6 address in brackets.
    return http.SetOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) &&
           http.SetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                          sizeof noRedirects) &&
           http.AddHeaders(request, job.hostHeader, static_cast<DWORD>(-1),
                           WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
}

// One header as printable ASCII into field; empty when there is none.
void QueryText(const Job& job, DWORD info, char* field, int size) {
    wchar_t wide[SourceUrlLimit + 1];
    DWORD bytes = sizeof wide;
    field[0] = '\0';
    if (!job.http.QueryHeaders(job.request, info, WINHTTP_HEADER_NAME_BY_INDEX, wide, &bytes,
                               WINHTTP_NO_HEADER_INDEX)) {
        return;
    }
    int length = 0;
    for (; wide[length] != L'\0' && length < size - 1; ++length)
        field[length] = wide[length] >= 0x20 && wide[length] < 0x7F ? char(wide[length]) : '?';
    field[length] = '\0';
}

// The status line as the server would have sent it, and CR LF; its length.
int WriteStatusLine(const Job& job, char* buffer, int size) {
    char version[StatusFieldSize], code[StatusFieldSize], reason[StatusFieldSize];
    QueryText(job, WINHTTP_QUERY_VERSION, version, StatusFieldSize);
    QueryText(job, WINHTTP_QUERY_STATUS_CODE, code, StatusFieldSize);
    QueryText(job, WINHTTP_QUERY_STATUS_TEXT, reason, StatusFieldSize);
    return snprintf(buffer, size, "%s %s %s\r\n", version, code, reason);
}

// The body after the status line, within the answer's size limit.
int ReadBody(Job& job, int held) {
    const int bodyStart = held;
    for (;;) {
        // At most one byte past the limit, enough to know it was passed.
        DWORD room = static_cast<DWORD>(SecureBodyLimit + 1 - (held - bodyStart));
        DWORD read = 0;
        if (!StillWanted(job) ||
            !job.http.ReadData(job.request, job.received + held, room, &read)) {
            return Fail(job.report, FetchStep::ReceiveError, GetLastError());
        }
        if (read == 0) return held;
        held += static_cast<int>(read);
        if (held - bodyStart > SecureBodyLimit)
            return Fail(job.report, FetchStep::ReceiveTooLong, 0);
    }
}

// The exchange itself: the status line, CR LF and, for a 200 answer, the body
// in job.received; or the step that failed in job.report. -1 on failure.
int Exchange(Job& job) {
    const WinHttp& http = job.http;
    if (!OpenRequest(job)) return Fail(job.report, FetchStep::Send, GetLastError());
    if (!http.SendRequest(job.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                          0, 0)) {
        DWORD error = GetLastError();
        return StillWanted(job) ? FailSend(job, error) : -1;
    }
    if (!StillWanted(job) || !http.ReceiveResponse(job.request, nullptr) || !StillWanted(job)) {
        return Fail(job.report, FetchStep::ReceiveError, GetLastError());
    }
    // The answer came through the tunnel: it is the source's.
    NoteSource(job.report, job.target);
    int held = WriteStatusLine(job, job.received, sizeof job.received);
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    http.QueryHeaders(job.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
    if (IsRedirect(static_cast<int>(status))) {
        QueryText(job, WINHTTP_QUERY_LOCATION, job.report.location, sizeof job.report.location);
    }
    // Any other status is refused by its line alone.
    return status == StatusOk ? ReadBody(job, held) : held;
}

void LetGo(Job* job) {
    if (!job->holders.LetGo()) return;
    CloseHandle(job->done);
    DeleteCriticalSection(&job->guard);
    job->~Job();
    HeapFree(GetProcessHeap(), 0, job);
}

// Runs the exchange to its end, however late, and counts it as ended only then.
DWORD WINAPI Worker(LPVOID parameter) {
    Job* job = static_cast<Job*>(parameter);
    job->held = Exchange(*job);
    CloseRequest(*job, false);
    for (HINTERNET handle : {job->connection, job->session})
        if (handle != nullptr) job->http.CloseHandle(handle);
    SetEvent(job->done);
    unfinished.End();
    LetGo(job);
    return 0;
}

// A job for config's exchange with its worker started; null when either could not be made.
Job* StartJob(const WinHttp& http, const FetchConfig& config, const FetchReport& report,
              bool diagnose) {
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(Job));
    if (memory == nullptr) return nullptr;
    Job* job = new (memory) Job;
    job->http = http;
    InitializeCriticalSection(&job->guard);
    job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = nullptr;
    if (job->done != nullptr && FillJob(*job, config, report, diagnose)) {
        thread = CreateThread(nullptr, 0, Worker, job, 0, nullptr);
    }
    if (thread == nullptr) {
        job->holders.LetGo();
        LetGo(job);
        return nullptr;
    }
    CloseHandle(thread);
    return job;
}

} // namespace

static_assert(sizeof(Job::received) > 3 * StatusFieldSize + 4 + SecureBodyLimit + 1,
              "the status line and the longest body must fit the receive buffer");

void SetSecureExchangeLimit(uint32_t milliseconds) {
    exchangeLimit = milliseconds != 0 ? milliseconds : SecureExchangeMilliseconds;
}

int SecureExchange(const FetchConfig& config, FetchBuffers& buffers, FetchReport& report,
                   bool diagnose) {
    const DWORD start = GetTickCount();
    WinHttp http;
    if (DWORD error = LoadWinHttp(http)) return Fail(report, FetchStep::NoHttps, error);
    // Workers still stuck past their refresh's limit leave no room for another.
    if (!unfinished.TryBegin()) return Fail(report, FetchStep::ReceiveError, ERROR_WINHTTP_TIMEOUT);
    Job* job = StartJob(http, config, report, diagnose);
    if (job == nullptr) {
        unfinished.End();
        return Fail(report, FetchStep::Send, GetLastError());
    }
    const DWORD left = TimeLeft(start, GetTickCount(), exchangeLimit);
    int held = -1;
    if (WaitForSingleObject(job->done, left) == WAIT_OBJECT_0) {
        report = job->report;
        held = job->held;
        if (held > 0) memcpy(buffers.receiveBuffer, job->received, held);
    } else {
        CloseRequest(*job, true);
        Fail(report, FetchStep::ReceiveError, ERROR_WINHTTP_TIMEOUT);
    }
    LetGo(job);
    return held;
}
