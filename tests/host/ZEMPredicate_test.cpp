#include "ZEMError.hpp"
#include "ZEMPredicate.hpp"

#include <gtest/gtest.h>
#include <map>

namespace {
zem::ZEMKeyPathResolver values(std::map<std::string, zem::ZEMPredicateValue> table) {
    return [table](std::string_view key) -> std::optional<zem::ZEMPredicateValue> {
        auto it = table.find(std::string(key));
        if (it == table.end())
            return std::nullopt;
        return it->second;
    };
}
} // namespace

TEST(Predicate, RegisteredFormatsAndExpressions) {
    auto message = values({{"radiusCodeResolved", std::string("Access-Accept (2)")},
                           {"radiusIdentifier", std::int64_t{12}},
                           {"radiusAVPString", std::string("1 4 26")},
                           {"radiusAuthenticator", std::string("00AB")},
                           {"name", std::string("Jos\u00e9")},
                           {"seconds", 0.25},
                           {"late", -0.003},
                           {"src", std::string("192.0.2.1")},
                           {"dst", std::string("2001:db8::1")},
                           {"types", zem::ZEMNumberList{{2, 11, 12}, "2,11,12"}}});
    struct Case {
        const char* format;
        const char* value;
        bool expected;
    } cases[] = {
        {"radiusIdentifier.description CONTAINS $value", "1", true},
        {"radiusIdentifier.description CONTAINS $value", "3", false},
        {"radiusCodeResolved CONTAINS[c] $value", "accept", true},
        {"radiusCodeResolved CONTAINS $value", "accept", false},
        {"radiusAVPString CONTAINS[c] $value", "4 26", true},
        {"radiusAuthenticator CONTAINS[c] $value", "ab", true},
        {"name ==[cd] $value", "JOSE", true},
        {"name == $value", "Jose", false},
        {"radiusIdentifier == 12 AND radiusCodeResolved BEGINSWITH 'Access'", "", true},
        {"radiusIdentifier > 12 OR radiusAVPString ENDSWITH \"26\"", "", true},
        {"NOT (radiusIdentifier >= 12) || ! radiusCodeResolved LIKE '*Accept*'", "", false},
        {"missingKey == 1", "", false},
        {"missingKey != 1", "", true},
        // Decimals meet decimals and whole numbers as numbers.
        {"seconds > 0.2 && seconds < 1", "", true},
        {"seconds == 0.25 AND late < -0.002", "", true},
        {"radiusIdentifier > 11.5", "", true},
        // Hexadecimal, as the format language writes it.
        {"radiusIdentifier == 0xc && radiusIdentifier == 0X0C", "", true},
        {"late > -0x1", "", true},
        {"seconds.description == '0.25'", "", true},
        // MATCHES: an ICU regular expression searched in the text, without regard to case.
        {"radiusCodeResolved MATCHES 'accept [(][0-9][)]$'", "", true},
        {"radiusCodeResolved MATCHES '^Reject'", "", false},
        {"radiusIdentifier MATCHES '^1'", "", true},
        {"missingKey MATCHES '.*'", "", false},
        // IN: any member equal; commas or blanks between them.
        {"radiusIdentifier IN {1, 2, 12}", "", true},
        {"radiusIdentifier in {1 2 3}", "", false},
        {"name IN {'Jose', 'José'}", "", true},
        // Addresses written bare, in the text the capture fields give them.
        {"src == 192.0.2.1 && dst == 2001:DB8:0::1", "", true},
        {"src != 192.0.2.10", "", true},
        // A key alone holds when it has a value.
        {"seconds", "", true},
        {"missingKey", "", false},
        {"!missingKey && radiusIdentifier == 12", "", true},
        {"(missingKey) || name", "", true},
        // Several numbers: any occurrence holds, != only when none is equal, as tshark.
        {"types == 11", "", true},
        {"types == 13", "", false},
        {"types != 11", "", false},
        {"types != 13", "", true},
        {"types > 11 && types < 3", "", true},
        {"12 <= types", "", true},
        {"types IN {1, 12}", "", true},
        {"types CONTAINS '11,1'", "", true},
        {"types.description == '2,11,12'", "", true},
    };
    for (const auto& c : cases) {
        auto predicate = zem::ZEMPredicate::parse(c.format, {{"value", c.value}});
        EXPECT_EQ(predicate.evaluate(message), c.expected) << c.format << " / " << c.value;
    }
}

TEST(Predicate, ErrorsNameThePosition) {
    struct Case {
        const char* format;
        const char* message;
    } cases[] = {
        {"radiusCode ==", "position 14"},
        {"radiusCode == 0x", "bad number"},
        {"radiusCode == 0x1g", "position 18"},
        {"radiusCode CONTAINZ 1", "position 12"},
        {"(radiusCode == 1", "missing \")\""},
        {"radiusCode == 'open", "unterminated"},
        {"radiusCode == $nobody", "no value for $nobody"},
        {"radiusCode ==[x] 1", "unknown option"},
        {"radiusCode == 1 extra", "unexpected"},
        {"radiusCode 1", "expected an operator"},
        {"radiusCode == 1.2.3", "unexpected"},
        {"radiusCode MATCHES '('", "bad regular expression"},
        {"radiusCode MATCHES other", "in quotes"},
        {"radiusCode IN 1", "after IN"},
        {"radiusCode IN {1, 2", "missing \"}\""},
        {"radiusCode == .5", "expected a key path"},
        {"", "position 1"},
    };
    for (const auto& c : cases) {
        try {
            zem::ZEMPredicate::parse(c.format);
            ADD_FAILURE() << c.format;
        } catch (const zem::ZEMError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.format << ": " << e.what();
        }
    }
    std::string deep(500, '(');
    EXPECT_THROW(zem::ZEMPredicate::parse(deep + "a == 1"), zem::ZEMError);
}
