#pragma once
// Reads an extended dialog template (DLGTEMPLATEEX) from this module's
// resources, so tests can compare the compiled template with its layout.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct DialogItem {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    int id;
    std::string className; // lower case
    std::string text;      // Windows-1251
};

struct DialogTemplate {
    bool found;
    bool extended;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    std::string caption; // Windows-1251
    WORD pointSize;
    WORD weight;
    BYTE italic;
    BYTE charset;
    std::string face;
    std::vector<DialogItem> items;
};

class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* start) : at(start) {}

    template <typename T> T Take() {
        T value;
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }

    void AlignTo(size_t bytes) {
        auto address = reinterpret_cast<uintptr_t>(at);
        at += (bytes - address % bytes) % bytes;
    }

    std::wstring TakeString() {
        std::wstring text;
        for (WCHAR c = Take<WCHAR>(); c != 0; c = Take<WCHAR>())
            text.push_back(c);
        return text;
    }

    // A name or, after 0xFFFF, an ordinal; the class ordinals are the
    // predefined controls.
    std::wstring TakeNameOrOrdinal() {
        WORD first = Take<WORD>();
        if (first != 0xFFFF) {
            at -= sizeof(WORD);
            return TakeString();
        }
        switch (Take<WORD>()) {
        case 0x0080:
            return L"button";
        case 0x0081:
            return L"edit";
        case 0x0082:
            return L"static";
        default:
            return L"#ordinal";
        }
    }

  private:
    const BYTE* at;
};

inline std::string ToCp1251(const std::wstring& text) {
    char buffer[1024] = {};
    WideCharToMultiByte(1251, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

// Class names are ASCII; the resource compiler may have upper-cased them.
inline std::string ToLower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

inline DialogItem ReadDialogItem(TemplateReader& reader) {
    reader.AlignTo(4);
    DialogItem item{};
    reader.Take<DWORD>(); // help id
    item.exStyle = reader.Take<DWORD>();
    item.style = reader.Take<DWORD>();
    item.x = reader.Take<short>();
    item.y = reader.Take<short>();
    item.cx = reader.Take<short>();
    item.cy = reader.Take<short>();
    item.id = static_cast<int>(reader.Take<DWORD>());
    item.className = ToLower(ToCp1251(reader.TakeNameOrOrdinal()));
    item.text = ToCp1251(reader.TakeNameOrOrdinal());
    WORD extra = reader.Take<WORD>();
    for (WORD i = 0; i < extra; ++i)
        reader.Take<BYTE>();
    return item;
}

inline DialogTemplate ReadDialogTemplate(int id) {
    DialogTemplate result{};
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    if (!resource) return result;
    result.found = true;
    TemplateReader reader(static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource))));
    WORD version = reader.Take<WORD>();
    result.extended = version == 1 && reader.Take<WORD>() == 0xFFFF;
    if (!result.extended) return result;
    reader.Take<DWORD>(); // help id
    result.exStyle = reader.Take<DWORD>();
    result.style = reader.Take<DWORD>();
    WORD count = reader.Take<WORD>();
    result.x = reader.Take<short>();
    result.y = reader.Take<short>();
    result.cx = reader.Take<short>();
    result.cy = reader.Take<short>();
    reader.TakeNameOrOrdinal(); // menu
    reader.TakeNameOrOrdinal(); // class
    result.caption = ToCp1251(reader.TakeString());
    if (result.style & DS_SETFONT) {
        result.pointSize = reader.Take<WORD>();
        result.weight = reader.Take<WORD>();
        result.italic = reader.Take<BYTE>();
        result.charset = reader.Take<BYTE>();
        result.face = ToCp1251(reader.TakeString());
    }
    for (WORD i = 0; i < count; ++i)
        result.items.push_back(ReadDialogItem(reader));
    return result;
}

// One control as the layout wants it; a null text is not compared.
struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle;
};

// Both dialogs: a modal-frame popup with caption and close box at 0, 0 of its
// owner, in 8-point "MS Sans Serif".
inline void ExpectModalFrameDialog(const DialogTemplate& dialog, short cx, short cy,
                                   const char* caption) {
    ASSERT_TRUE(dialog.found);
    ASSERT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.face, "MS Sans Serif");
}

template <size_t Count>
void ExpectControls(const DialogTemplate& dialog, const ExpectedControl (&expected)[Count]) {
    ASSERT_EQ(dialog.items.size(), Count);
    for (size_t i = 0; i < Count; ++i) {
        SCOPED_TRACE(i + 1);
        const DialogItem& item = dialog.items[i];
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.className, expected[i].className);
        if (expected[i].text) {
            EXPECT_EQ(item.text, expected[i].text);
        }
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
        EXPECT_EQ(item.style, expected[i].style);
        EXPECT_EQ(item.exStyle, expected[i].exStyle);
    }
}
