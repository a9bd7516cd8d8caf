// Thousands separators of the property table.

#include "views/PropertyTable.h"

#include <gtest/gtest.h>

using namespace corvane;

TEST(FormatThousands, GroupsTextsOfFourToNineCharacters) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"0", "0"},
        {"999", "999"},
        {"1000", "1,000"},
        {"12345", "12,345"},
        {"123456", "123,456"},
        {"1234567", "1,234,567"},
        {"12345678", "12,345,678"},
        {"123456789", "123,456,789"},
        // Ten characters and more stay as they are.
        {"1234567890", "1234567890"},
        {"12345678901", "12345678901"},
        // A minus sign counts towards the length, but no comma follows it directly.
        {"-12", "-12"},
        {"-123", "-123"},
        {"-1234", "-1,234"},
        {"-123456", "-123,456"},
        {"-12345678", "-12,345,678"},
        {"-123456789", "-123456789"},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(FormatThousands(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
    }
}
