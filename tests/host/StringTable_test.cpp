#include "StringTable.hpp"
#include "TestSupport.hpp"
#include "ZEMBundle.hpp"
#include "ZEMLog.hpp"

#include <fstream>
#include <gtest/gtest.h>

using zem::StringTable;

namespace {
StringTable parseText(std::string_view text) {
    return StringTable::parse(zem::ByteView(text), "test");
}
} // namespace

TEST(StringTable, TextForm) {
    auto table = parseText(R"(/* comment */
"plain" = "value";
// line comment
"escapes" = "tab\there \"quoted\" back\\slash\nline";
"unicode" = "caf\U00e9 \U0001 \u00fc";
"pair" = "\UD83D\UDE00";
bare_key = "bare";
"same";
"octal" = "\101\102";
)");
    EXPECT_EQ(table.find("plain"), "value");
    EXPECT_EQ(table.find("escapes"), "tab\there \"quoted\" back\\slash\nline");
    EXPECT_EQ(table.find("unicode"), "caf\u00e9 \u0001 \u00fc");
    EXPECT_EQ(table.find("pair"), "\U0001F600");
    EXPECT_EQ(table.find("bare_key"), "bare");
    EXPECT_EQ(table.find("same"), "same");
    EXPECT_EQ(table.find("octal"), "AB");
    EXPECT_FALSE(table.find("missing").has_value());
}

TEST(StringTable, MalformedTablesAreEmptyAndLogged) {
    std::vector<std::string> logged;
    auto previous = zem::setZemLogSink([&](const std::string& line) { logged.push_back(line); });
    for (const char* bad :
         {"\"a\" = \"b\"", "\"a\" = \"b", "\"a\" \"b\";", "/* open", "\"a\" = \"\\U12\";",
          "\"a\" = \"\\UDC00\";", "= \"b\";", "\"a\" = ;"}) {
        logged.clear();
        EXPECT_EQ(parseText(bad).size(), 0u) << bad;
        EXPECT_EQ(logged.size(), 1u) << bad;
    }
    zem::setZemLogSink(previous);
}

TEST(StringTable, Utf16WithByteOrderMark) {
    std::u16string text = u"\"k\" = \"v\u00e9\U0001F600\";";
    for (bool bigEndian : {false, true}) {
        std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t unit : text) {
            char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
            bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        EXPECT_EQ(parseText(bytes).find("k"), "v\u00e9\U0001F600");
        // A cut code unit or an unpaired surrogate empties the table.
        EXPECT_EQ(parseText(bytes.substr(0, bytes.size() - 1)).size(), 0u);
    }
    EXPECT_EQ(parseText(std::string("\xFF\xFE\x00\xD8\x41\x00", 6)).size(), 0u);
}

TEST(StringTable, PlistForm) {
    auto table = parseText(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>k</key><string>v</string><key>n</key><integer>1</integer></dict></plist>)");
    EXPECT_EQ(table.find("k"), "v");
    EXPECT_FALSE(table.find("n").has_value());
    auto previous = zem::setZemLogSink([](const std::string&) {});
    EXPECT_EQ(parseText("<?xml version=\"1.0\"?><plist><array/></plist>").size(), 0u);
    zem::setZemLogSink(previous);
}

TEST(ZEMBundle, LookupsAndLanguages) {
    testing_support::TemporaryFolder folder;
    auto root = folder.path() / "Test.bundle";
    std::filesystem::create_directories(root / "Resources/en.lproj");
    std::filesystem::create_directories(root / "Resources/de.lproj");
    std::ofstream(root / "Resources/en.lproj/T.strings")
        << "\"Yes\" = \"Yes\"; \"Only\" = \"english\";";
    std::ofstream(root / "Resources/de.lproj/T.strings") << "\"Yes\" = \"Ja\";";
    std::ofstream(root / "Info.plist")
        << "<?xml "
           "version=\"1.0\"?><plist><dict><key>CFBundleDevelopmentRegion</key><string>en</string>"
           "<key>V</key><integer>3</integer></dict></plist>";

    setenv("LANGUAGE", "fr:de_AT", 1);
    zem::ZEMBundle german(root.string());
    EXPECT_EQ(german.localization(), "de");
    EXPECT_EQ(german.localizedString("Yes", "T"), "Ja");
    EXPECT_EQ(german.localizedString("Only", "T"), "Only"); // the chosen language's table decides
    EXPECT_EQ(german.localizedString("Yes", "Missing"), "Yes");
    EXPECT_EQ(german.infoString("CFBundleDevelopmentRegion"), "en");
    EXPECT_FALSE(german.infoString("V").has_value()); // not a string

    setenv("LANGUAGE", "fr", 1);
    zem::ZEMBundle fallback(root.string());
    EXPECT_EQ(fallback.localization(), "en");
    EXPECT_EQ(fallback.localizedString("Only", "T"), "english");
    unsetenv("LANGUAGE");

    zem::ZEMBundle missing((folder.path() / "Nothing.bundle").string());
    EXPECT_EQ(missing.infoDictionary(), nullptr);
    EXPECT_EQ(missing.localizedString("Key", "T"), "Key");
}

TEST(ZEMBundle, PreferredLanguages) {
    setenv("LANGUAGE", "pt_BR:en", 1);
    EXPECT_EQ(zem::preferredLanguages(), (std::vector<std::string>{"pt_BR", "pt", "en"}));
    unsetenv("LANGUAGE");
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(zem::preferredLanguages(), (std::vector<std::string>{"de_DE", "de"}));
    setenv("LC_ALL", "C", 1);
    EXPECT_TRUE(zem::preferredLanguages().empty());
    unsetenv("LC_ALL");
}
