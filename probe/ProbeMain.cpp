// zarvilo-probe: checks the settings from a terminal. Reads Quorbel.cfg in the
// current directory as the program does, makes one refresh through the
// program's own code and prints what the tray icon would show and, without a
// reading, the step that failed.
//   zarvilo-probe [--raw] [--icon FILE.bmp [--size N]] [--help]
// Exit status: 0 valid reading (and --help), 1 no value, 2 invalid data, 3 the
// probe itself could not run (arguments, current directory, icon file).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/AppState.h"
#include "app/StartupPaths.h"
#include "app/Refresh.h"
#include "base/Text.h"
#include "icon/PictureBmp.h"
#include "icon/PictureRule.h"
#include "probe/EmbeddedBitmaps.h"
#include "probe/FetchFailure.h"
#include "probe/ProbePlatform.h"

namespace {

enum ProbeExit { ExitValid = 0, ExitNoValue = 1, ExitInvalidData = 2, ExitProbeFailed = 3 };

const char Usage[] =
    "usage: zarvilo-probe [--raw] [--icon FILE.bmp [--size N]] [--help]\n"
    "  Run it in the program's folder when the tray icon shows no data: one refresh\n"
    "  with the settings of Quorbel.cfg in the current directory, what the tray icon\n"
    "  would show and, without a reading, a \"failed:\" line naming the step that failed.\n"
    "  --raw   into a file or pipe, the program's own texts as Windows-1251 bytes, not UTF-8\n"
    "  --icon  write the tray icon's picture to FILE.bmp\n"
    "  --size  its side in pixels, 16 to 256, as the notification area shows it at a\n"
    "          display scale (20 at 125%, 24 at 150%, 32 at 200%); 16 when not given\n"
    "  --help  print this and exit\n"
    "Exit status: 0 valid reading, 1 no value, 2 invalid data, 3 probe failed.\n";

struct ProbeOptions {
    bool raw = false;
    bool help = false;
    const char* iconPath = nullptr;
    int iconSize = IconSize;
};

bool rawOutput = false;

// What the tray would show; like the program's icon it starts without a reading.
class ProbeView : public RefreshView {
  public:
    void Show(double shownTemperature, const char* shownTooltip) override {
        temperature = shownTemperature;
        tooltip = shownTooltip;
        shown = true;
    }
    double temperature = UnknownTemperature;
    std::string tooltip;
    bool shown = false;
};

// A whole number of pixels from 16 to 256, with nothing after it.
bool ParseIconSize(const char* text, int& size) {
    char* end = nullptr;
    const long value = strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < IconSize || value > LargestIconSize) return false;
    size = static_cast<int>(value);
    return true;
}

bool ParseArguments(int argc, char** argv, ProbeOptions& options) {
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--raw") == 0) {
            options.raw = true;
        } else if (strcmp(argv[i], "--help") == 0) {
            options.help = true;
        } else if (strcmp(argv[i], "--icon") == 0 && i + 1 < argc) {
            options.iconPath = argv[++i];
        } else if (strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (!ParseIconSize(argv[++i], options.iconSize)) return false;
        } else {
            return false;
        }
    }
    return true;
}

const char* OutcomeName(RefreshOutcome outcome) {
    switch (outcome) {
    case RefreshOutcome::ValidReading:
        return "valid reading";
    case RefreshOutcome::NoValue:
        return "no value";
    case RefreshOutcome::InvalidReading:
        return "invalid data";
    }
    return "?";
}

int ExitStatus(RefreshOutcome outcome) {
    if (outcome == RefreshOutcome::ValidReading) return ExitValid;
    return outcome == RefreshOutcome::NoValue ? ExitNoValue : ExitInvalidData;
}

// Prints one line of UTF-8: to a console as characters, to a file or pipe as
// it is.
void PrintLine(const std::string& line) {
    const std::string text = line + "\n";
    if (!WriteToConsole(text.c_str())) fputs(text.c_str(), stdout);
}

void PrintText(const char* label, const char* text) {
    PrintLine(std::string(label) + ": " + text);
}

// One of the program's own Windows-1251 texts; with --raw into a file or
// pipe, as the program holds it.
void PrintProgramText(const char* label, const char* text) {
    const std::string line = std::string(label) + ": " + text + "\n";
    std::string utf8(static_cast<size_t>(Utf8Size(static_cast<int>(line.size()))), '\0');
    Cp1251ToUtf8(line.c_str(), utf8.data(), utf8.size());
    if (!WriteToConsole(utf8.c_str())) fputs(rawOutput ? line.c_str() : utf8.c_str(), stdout);
}

bool DecodeEmbedded(const char* name, Picture& picture) {
    for (int i = 0; i < embeddedBitmapCount; ++i) {
        const EmbeddedBitmap& bitmap = embeddedBitmaps[i];
        if (strcmp(bitmap.name, name) == 0) {
            return DecodePictureBmp(bitmap.bytes, bitmap.size, picture);
        }
    }
    return false;
}

bool WriteIcon(const char* path, double temperature, int size) {
    PictureSources sources;
    bool decoded = DecodeEmbedded("digits", sources.digitStrip) &&
                   DecodeEmbedded("bg_unknown", sources.unknownBackground) &&
                   DecodeEmbedded("bg_positive", sources.positiveBackground) &&
                   DecodeEmbedded("bg_negative", sources.negativeBackground) &&
                   DecodeEmbedded("bg_zero", sources.zeroBackground);
    return decoded && WritePictureBmp(path, ComposePicture(temperature, sources, size));
}

void PrintSettings(const AppSettings& settings) {
    PrintText("source", settings.SourceURL);
    if (settings.UseProxy != 0) {
        const std::string proxy = std::string(settings.HostName) + ":" + settings.RemotePort;
        PrintText("proxy", proxy.c_str());
    }
    if (settings.WriteLog != 0) PrintText("log", settings.LogFile);
}

} // namespace

int main(int argc, char** argv) {
    ProbeOptions options;
    if (!ParseArguments(argc, argv, options)) {
        fputs(Usage, stderr);
        return ExitProbeFailed;
    }
    if (options.help) {
        fputs(Usage, stdout);
        return ExitValid;
    }
    rawOutput = options.raw;
    char configPath[PathUtf8Size];
    char defaultLogPath[PathUtf8Size];
    if (!StartProbePlatform() || !LocateStartupFiles(configPath, defaultLogPath)) {
        fputs("zarvilo-probe: no usable current directory or sockets\n", stderr);
        return ExitProbeFailed;
    }
    static AppSettings settings;
    LoadSettings(configPath, defaultLogPath, settings);
    PublishSettings(settings);
    PrintSettings(settings);

    ProbeView view;
    FetchReport report;
    RefreshOutcome outcome = RefreshProgramReading(view, &report);
    PrintText("outcome", OutcomeName(outcome));
    if (outcome != RefreshOutcome::ValidReading) {
        PrintLine(DescribeFetchFailure(report, settings.SourceURL, appState.reading.valueText));
    }
    if (view.shown) PrintProgramText("tooltip", view.tooltip.c_str());
    if (options.iconPath != nullptr) {
        if (!WriteIcon(options.iconPath, view.temperature, options.iconSize)) {
            fprintf(stderr, "zarvilo-probe: cannot write %s\n", options.iconPath);
            return ExitProbeFailed;
        }
        // The path is the command line's, in the platform's own encoding.
        const std::string iconLine = std::string("icon: ") + options.iconPath + "\n";
        if (!WriteToConsole(iconLine.c_str())) fputs(iconLine.c_str(), stdout);
    }
    return ExitStatus(outcome);
}
