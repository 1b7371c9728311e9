#include "FormatString.hpp"

#include <gtest/gtest.h>

using zem::fillFormat;

TEST(FormatString, TheSystemsFormats) {
    EXPECT_EQ(fillFormat("%@ (Id=%u)", "Access-Request (1)", 42u), "Access-Request (1) (Id=42)");
    EXPECT_EQ(fillFormat("Unknown Code (%u)", 250u), "Unknown Code (250)");
    EXPECT_EQ(fillFormat("%u (0x%x)", 255u, 255u), "255 (0xff)");
    EXPECT_EQ(fillFormat("%u (0x%x)", 0u, 0u), "0 (0x0)");
    EXPECT_EQ(fillFormat("Unknown (0x%02x)", 5u), "Unknown (0x05)");
    EXPECT_EQ(fillFormat("Unknown (0x%02x)", 0x1234u), "Unknown (0x1234)");
    EXPECT_EQ(fillFormat("Unrestricted Use (%02u)", 4u), "Unrestricted Use (04)");
    EXPECT_EQ(fillFormat("%u bits", 64u), "64 bits");
    EXPECT_EQ(fillFormat("0x%x (%u) (%@)", 9u, 9u, "ciscoSystems"), "0x9 (9) (ciscoSystems)");
    EXPECT_EQ(fillFormat("100%% %lu %X", 7u, 171u), "100% 7 AB");
}

TEST(FormatString, PositionalArgumentsReorder) {
    EXPECT_EQ(fillFormat("%2$@ – %1$@", "a", "b"), "b – a");
    EXPECT_EQ(fillFormat("Id=%2$u, %1$@", "Access-Accept (2)", 7u), "Id=7, Access-Accept (2)");
}

TEST(FormatString, MismatchedTranslationsStayReadable) {
    EXPECT_EQ(fillFormat("%@ %@ %@", "a"), "a %@ %@");      // too few arguments
    EXPECT_EQ(fillFormat("%u", "text"), "text");            // text under %u
    EXPECT_EQ(fillFormat("%@", 42u), "42");                 // number under %@
    EXPECT_EQ(fillFormat("%5$u", 1u), "%5$u");              // position out of range
    EXPECT_EQ(fillFormat("50%", 1u), "50%");                // dangling percent
    EXPECT_EQ(fillFormat("%q", 1u), "%q");                  // unknown conversion
    EXPECT_EQ(fillFormat("%999999999u", 1u).size(), 4096u); // hostile width is capped
}
