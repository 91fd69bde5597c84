#include "app/StartWithWindows.h"

static constexpr char16_t NameStart[] = u"Зарвило (";
static constexpr char16_t HashStart[] = u", ";
static constexpr char16_t NameEnd[] = u").lnk";
static constexpr int HashDigits = 8;
static_assert(sizeof NameStart / 2 - 1 + ShortcutFolderNameLimit + sizeof HashStart / 2 - 1 +
                      HashDigits + sizeof NameEnd / 2 ==
                  ShortcutNameSize,
              "the longest name fits");

static bool IsSeparator(Utf16Unit unit) {
    return unit == u'\\' || unit == u'/';
}

static bool IsHighSurrogate(Utf16Unit unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

// FNV-1a over the path's units, a to z taken as A to Z.
static uint32_t FolderHash(const Utf16Unit* folder) {
    uint32_t hash = 2166136261u;
    for (; *folder; ++folder) {
        uint32_t unit = *folder;
        if (unit >= u'a' && unit <= u'z') unit -= u'a' - u'A';
        hash = (hash ^ unit) * 16777619u;
    }
    return hash;
}

// Appends text; every caller's share is bounded by ShortcutNameSize's sum.
static void Append(Utf16Unit* name, int& at, const char16_t* text) {
    for (; *text; ++text)
        name[at++] = static_cast<Utf16Unit>(*text);
}

// The last component without its separator; the drive's colon is dropped, as
// no file name may hold one. A surrogate pair is never cut in half.
static void AppendFolderName(Utf16Unit* name, int& at, const Utf16Unit* folder) {
    int end = 0;
    while (folder[end])
        ++end;
    if (end > 0 && IsSeparator(folder[end - 1])) --end;
    int start = end;
    while (start > 0 && !IsSeparator(folder[start - 1]))
        --start;
    const int limit = at + ShortcutFolderNameLimit;
    for (int i = start; i < end && at < limit; ++i)
        if (folder[i] != u':') name[at++] = folder[i];
    if (at == limit && IsHighSurrogate(name[at - 1])) --at;
}

static void AppendHex(Utf16Unit* name, int& at, uint32_t value) {
    for (int shift = 4 * (HashDigits - 1); shift >= 0; shift -= 4)
        name[at++] = static_cast<Utf16Unit>(u"0123456789ABCDEF"[value >> shift & 15]);
}

void StartupShortcutName(const Utf16Unit* folder, Utf16Unit (&name)[ShortcutNameSize]) {
    int at = 0;
    Append(name, at, NameStart);
    AppendFolderName(name, at, folder);
    Append(name, at, HashStart);
    AppendHex(name, at, FolderHash(folder));
    Append(name, at, NameEnd);
    name[at] = 0;
}

bool StartupApprovedAllows(const uint8_t* value, size_t size) {
    return size == 0 || (value[0] & 1) == 0;
}
