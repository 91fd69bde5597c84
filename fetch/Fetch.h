#pragma once
// One fetch of the data file: the HTTP/1.0 exchange and the reading it yields.
#include "base/Reading.h"
#include "fetch/SourceUrl.h"
#include "settings/Settings.h"

// Process-wide working buffers of one fetch, touched only under refreshLock.
struct FetchBuffers {
    char requestText[2084];
    char receiveBuffer[3000];
    char responseText[1000];
};

// What one fetch reads: a consistent copy of the settings and the target,
// taken when its refresh starts.
struct FetchConfig {
    AppSettings settings;
    FetchTarget target;
};

// One HTTP/1.0 exchange with the data source or the proxy. True when the
// source answered with status 200: reading then holds the value read from
// this response, or UnknownTemperature and an empty valueText when the answer
// held no usable value (invalid data). False leaves reading as it was.
bool FetchTemperature(const FetchConfig& config, FetchBuffers& buffers,
                      TemperatureReading& reading);

// How the fetch waits between polls; tests replace it to run in milliseconds.
using SleepFunction = void (*)(unsigned milliseconds);
void SetFetchSleep(SleepFunction sleep);
