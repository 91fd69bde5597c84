#pragma once
// The settings dialog's rules that need no window: the spin step of the
// minutes field, the reading of that field on OK, and the text fields with
// the longest text each may store.
#include <cstdint>

#include "settings/Settings.h"

// One step of the minutes spin control. A change proposed towards the up
// arrow (0 or less) adds 10 while below a day; towards the down arrow it
// subtracts 10 while above 10. Each bound is tested before the step.
int32_t StepRefreshMinutes(int32_t workingMinutes, int proposedDelta);

// The minutes field's text as OK stores it: read as an unsigned decimal
// number (leading blanks skipped, digits up to the first other character; no
// digits or a number above 4294967295 read as 0), 0 becomes 10, and a number
// beyond the setting's range is held at its largest value.
int32_t ReadRefreshMinutes(const char* fieldText);

// A text field of the dialog and the setting it is read into on OK, in the
// order OK reads them.
struct SettingsTextField {
    int controlId;
    char* text;
    int limit; // characters, without the terminator
};

inline constexpr int SettingsTextFieldCount = 4;

// The four text fields over settings. The source address keeps all the
// characters the file allows, so OK never shortens a loaded address.
void ListSettingsTextFields(AppSettings& settings,
                            SettingsTextField (&fields)[SettingsTextFieldCount]);
