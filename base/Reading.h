#pragma once
// The temperature reading shared by the fetch that makes it, the icon that
// shows it and the program that keeps it.

// No valid reading: the value shown as the no-reading picture.
inline constexpr double UnknownTemperature = -273.0;
inline constexpr int ValueTextLimit = 11;

// The last value fetched, its decimal mark replaced by a full stop.
struct TemperatureReading {
    double temperature;
    char valueText[ValueTextLimit + 1];
};
