#pragma once
// The probe's line that names the step at which a fetch stopped.
#include <string>

#include "fetch/Fetch.h"

// "failed: ..." for the step in report, in UTF-8 like the settings it may
// quote (the server's own words are read as Windows-1251); sourceUrl is the
// configured address, valueText the value read.
std::string DescribeFetchFailure(const FetchReport& report, const char* sourceUrl,
                                 const char* valueText);
