#include "settings/SettingsRules.h"

#include "res/ResourceIds.h"

namespace {

constexpr int32_t MinutesStep = 10;
constexpr int32_t HighestMinutesBeforeStepUp = 1440;
constexpr int32_t LowestMinutesBeforeStepDown = 10;
constexpr int32_t DefaultRefreshMinutes = 10;

bool IsFieldBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

int32_t StepRefreshMinutes(int32_t workingMinutes, int proposedDelta) {
    if (proposedDelta <= 0)
        return workingMinutes < HighestMinutesBeforeStepUp ? workingMinutes + MinutesStep
                                                           : workingMinutes;
    return workingMinutes > LowestMinutesBeforeStepDown ? workingMinutes - MinutesStep
                                                        : workingMinutes;
}

int32_t ReadRefreshMinutes(const char* fieldText) {
    const char* at = fieldText ? fieldText : "";
    while (IsFieldBlank(*at))
        ++at;
    uint64_t number = 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        number = number * 10 + static_cast<uint64_t>(*at - '0');
        if (number > UINT32_MAX) return DefaultRefreshMinutes; // reads as 0
    }
    if (number == 0) return DefaultRefreshMinutes;
    return number > INT32_MAX ? INT32_MAX : static_cast<int32_t>(number);
}

void ListSettingsTextFields(AppSettings& settings,
                            SettingsTextField (&fields)[SettingsTextFieldCount]) {
    fields[0] = {IDC_PROXY_HOST, settings.HostName, HostNameLimit};
    fields[1] = {IDC_PROXY_PORT, settings.RemotePort, RemotePortLimit};
    fields[2] = {IDC_SOURCE_URL, settings.SourceURL, SourceUrlLimit};
    fields[3] = {IDC_LOG_FILE, settings.LogFile, LogFileLimit};
}
