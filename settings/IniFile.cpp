#include "settings/IniFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/Text.h"

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnd = "\r\n";

// The system reads integers from a 30-character copy of the value.
constexpr int IntegerTextSize = 30;

// ^Z counts as a blank: old files end with it.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// One line of the text: CR, LF and CR LF all end a line.
struct Line {
    size_t start;
    size_t end;  // where its terminator starts
    size_t next; // where the following line starts
    std::string_view content;
};

Line LineAt(std::string_view text, size_t start) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    size_t next = end;
    if (next < text.size())
        next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
    return Line{start, end, next, Trim(text.substr(start, end - start))};
}

// "[name]" up to the last closing bracket; what follows it does not count.
std::optional<std::string_view> SectionName(std::string_view line) {
    if (line.empty() || line.front() != '[') return std::nullopt;
    size_t close = line.rfind(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct Entry {
    std::string_view name;
    std::optional<std::string_view> value;
};

Entry EntryOf(std::string_view line) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return Entry{line, std::nullopt};
    return Entry{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

// A value handed out ends at a NUL byte, as a C string does.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// A UTF-8 mark before the first line is not part of it.
std::string_view LeadingMark(std::string_view text) {
    return text.substr(0, text.substr(0, Utf8Mark.size()) == Utf8Mark ? Utf8Mark.size() : 0);
}

// Where the first section of that name is in the text, and what it holds.
struct SectionScan {
    bool found = false;
    size_t contentEnd = 0; // just after the section's last non-blank line
    std::optional<Line> entry;
};

SectionScan ScanSection(std::string_view text, std::string_view section, std::string_view key) {
    SectionScan scan;
    section = Trim(section);
    key = Trim(key);
    bool inSection = section.empty(); // lines before the first header
    scan.found = inSection;
    for (size_t at = 0; at < text.size();) {
        Line line = LineAt(text, at);
        at = line.next;
        if (line.content.empty()) continue;
        if (auto name = SectionName(line.content)) {
            if (inSection) break; // only the first section of a name counts
            inSection = SameName(*name, section);
            scan.found = inSection;
            if (inSection) scan.contentEnd = line.next;
            continue;
        }
        if (!inSection) continue;
        scan.contentEnd = line.next;
        if (SameName(EntryOf(line.content).name, key)) {
            scan.entry = line;
            break;
        }
    }
    return scan;
}

bool EndsWithLineEnd(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// A value cannot span lines; what follows a line break is not written.
std::string_view FirstLine(std::string_view value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

// Inserts addition at a line start; a last line without a line end gets one.
std::string InsertAt(std::string_view text, size_t at, std::string_view addition) {
    std::string result(text.substr(0, at));
    if (at > 0 && !EndsWithLineEnd(result)) result += LineEnd;
    result += addition;
    result += text.substr(at);
    return result;
}

std::string SetInBody(std::string_view body, std::string_view section, std::string_view key,
                      std::string_view value) {
    SectionScan scan = ScanSection(body, section, key);
    if (scan.entry) {
        Entry existing = EntryOf(scan.entry->content);
        if (existing.value == value) return std::string(body);
        return std::string(body.substr(0, scan.entry->start)) + std::string(existing.name) + "=" +
               std::string(value) + std::string(body.substr(scan.entry->end));
    }
    std::string entry = std::string(Trim(key)) + "=" + std::string(value) + std::string(LineEnd);
    if (scan.found) return InsertAt(body, scan.contentEnd, entry);
    return InsertAt(body, body.size(), "[" + std::string(Trim(section)) + "]\r\n" + entry);
}

// Copies text cut to bufferSize - 1 characters and terminates it.
int CopyCut(std::string_view text, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    size_t length = std::min(text.size(), static_cast<size_t>(bufferSize - 1));
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

bool ReadWholeFile(const char* path, std::string& text) {
    std::FILE* file = path && *path ? std::fopen(path, "rb") : nullptr;
    if (!file) return false;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    bool readable = !std::ferror(file);
    std::fclose(file);
    return readable;
}

bool WriteWholeFile(const char* path, std::string_view text) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

// Lower-case prefixes only, as the system reads them.
unsigned TakeBasePrefix(std::string_view& text) {
    if (text.size() < 2 || text[0] != '0') return 10;
    unsigned base = text[1] == 'x' ? 16 : text[1] == 'o' ? 8 : text[1] == 'b' ? 2 : 10;
    if (base != 10) text.remove_prefix(2);
    return base;
}

} // namespace

std::optional<std::string_view> FindIniValue(std::string_view text, std::string_view section,
                                             std::string_view key) {
    SectionScan scan = ScanSection(text.substr(LeadingMark(text).size()), section, key);
    if (!scan.entry) return std::nullopt;
    return EntryOf(scan.entry->content).value;
}

std::string SetIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string_view mark = LeadingMark(text);
    return std::string(mark) + SetInBody(text.substr(mark.size()), section, key, FirstLine(value));
}

int CopyProfileValue(std::string_view value, char* buffer, int bufferSize) {
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    if (quoted) value = value.substr(1, value.size() - 2);
    return CopyCut(UpToNul(value), buffer, bufferSize);
}

int32_t ParseProfileInt(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    unsigned base = TakeBasePrefix(text);
    uint32_t total = 0;
    for (char c : text) {
        int digit = DigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
        total = total * base + static_cast<uint32_t>(digit);
    }
    return static_cast<int32_t>(negative ? 0u - total : total);
}

int32_t IniGetInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
    std::string text;
    if (!section || !key || !ReadWholeFile(file, text)) return defaultValue;
    auto value = FindIniValue(text, section, key);
    char digits[IntegerTextSize];
    if (!value || CopyProfileValue(*value, digits, sizeof digits) == 0) return defaultValue;
    return ParseProfileInt(digits);
}

// The first limit characters of a UTF-8 text, as Windows cuts a value it
// hands out: whole characters only.
static std::string CutUtf8(const char* text, int limit) {
    std::basic_string<Utf16Unit> units(static_cast<size_t>(limit) + 1, 0);
    Utf8ToUtf16(text, units.data(), units.size());
    std::string cut(static_cast<size_t>(Utf8Size(limit)), '\0');
    Utf16ToUtf8(units.data(), cut.data(), cut.size());
    return cut;
}

int IniGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                 int limit, const char* file) {
    if (!buffer || limit < 0) return 0;
    std::string text;
    std::optional<std::string_view> value;
    if (section && key && ReadWholeFile(file, text)) value = FindIniValue(text, section, key);
    if (value) {
        // One byte is one character in Windows-1251.
        std::string cut(static_cast<size_t>(limit) + 1, '\0');
        CopyProfileValue(*value, cut.data(), limit + 1);
        Cp1251ToUtf8(cut.c_str(), buffer, static_cast<size_t>(Utf8Size(limit)));
    } else {
        // Defaults are the program's own texts: no quotes to strip.
        std::strcpy(buffer, CutUtf8(defaultValue ? defaultValue : "", limit).c_str());
    }
    return static_cast<int>(std::strlen(buffer));
}

bool IniWriteString(const char* section, const char* key, const char* value, const char* file) {
    if (!section || !key || !file) return false;
    std::string bytes(std::strlen(value ? value : "") + 1, '\0');
    if (!Utf8ToCp1251(value ? value : "", bytes.data(), bytes.size())) return false;
    std::string text;
    bool existed = ReadWholeFile(file, text);
    std::string updated = SetIniValue(text, section, key, bytes.c_str());
    if (existed && updated == text) return true;
    return WriteWholeFile(file, updated);
}
