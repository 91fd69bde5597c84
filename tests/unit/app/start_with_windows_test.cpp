// The Startup folder's shortcut name for a start-up folder, and Task Manager's enabled mark.
#include <gtest/gtest.h>

#include <string>

#include "app/StartWithWindows.h"

namespace {

std::u16string ShortcutName(const std::u16string& folder) {
    const std::basic_string<Utf16Unit> units(folder.begin(), folder.end());
    Utf16Unit name[ShortcutNameSize];
    StartupShortcutName(units.c_str(), name);
    const std::basic_string<Utf16Unit> text(name);
    return std::u16string(text.begin(), text.end());
}

// The name without its hash: "Зарвило (FOLDER, " and ").lnk" around 8 hex digits.
std::u16string Readable(const std::u16string& name) {
    EXPECT_EQ(name.substr(name.size() - 5), u").lnk");
    const std::u16string hash = name.substr(name.size() - 13, 8);
    EXPECT_EQ(hash.find_first_not_of(u"0123456789ABCDEF"), std::u16string::npos);
    return name.substr(0, name.size() - 13);
}

TEST(StartupShortcutName, ShowsTheFolderCutToItsLimitNeverHalfACharacter) {
    const std::u16string d32(32, u'd'), d30(30, u'd'), thermometer = u"\U0001F321";
    // clang-format off
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"C:\\Users\\Анна\\Погода", u"Погода"}, {u"C:\\", u"C"}, {u"\\\\server\\share", u"share"},
        {u"Z:\\tmp\\" + d32 + u"dddddddd", d32},
        {u"Z:\\tmp\\" + d30 + u"d" + thermometer, d30 + u"d"},
        {u"Z:\\tmp\\" + d30 + thermometer + u"d", d30 + thermometer}};
    // clang-format on
    for (const auto& [folder, shown] : cases) {
        const std::u16string name = ShortcutName(folder);
        SCOPED_TRACE(testing::PrintToString(folder));
        EXPECT_EQ(Readable(name), u"Зарвило (" + shown + u", ");
        EXPECT_LT(name.size(), static_cast<size_t>(ShortcutNameSize));
    }
}

TEST(StartupShortcutName, OneNamePerFolderWhateverTheCaseOfItsLatinLetters) {
    // The same name from every build and version, or the next would not find the shortcut.
    EXPECT_EQ(ShortcutName(u"C:\\Users\\Анна\\Погода"), u"Зарвило (Погода, DC02D88E).lnk");
    EXPECT_EQ(ShortcutName(u"c:\\users\\Анна\\Погода"), ShortcutName(u"C:\\Users\\Анна\\Погода"));
    const std::pair<std::u16string, std::u16string> distinct[] = {
        {u"C:\\a\\Zarvilo", u"D:\\a\\Zarvilo"},
        {u"C:\\a\\Zarvilo", u"C:\\b\\Zarvilo"},
        {u"C:\\Zarvilo", u"C:\\Zarvilo2"},
        {u"C:\\" + std::u16string(40, u'x') + u"1", u"C:\\" + std::u16string(40, u'x') + u"2"}};
    for (const auto& [one, other] : distinct)
        EXPECT_NE(ShortcutName(one), ShortcutName(other))
            << testing::PrintToString(one + u" " + other);
}

TEST(StartupApprovedAllows, EnabledWithoutAValueOrWithTheLowBitOfItsFirstByteClear) {
    const std::pair<std::basic_string<uint8_t>, bool> cases[] = {
        {{}, true},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
        {{6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true},
        {{3, 0, 0, 0, 0xD4, 0x0D, 0x43, 0x8D, 0xC8, 0x3B, 0xD9, 0x01}, false},
        {{3}, false}};
    for (const auto& [value, enabled] : cases)
        EXPECT_EQ(StartupApprovedAllows(value.data(), value.size()), enabled)
            << value.size() << " bytes from " << (value.empty() ? -1 : value[0]);
}

} // namespace
