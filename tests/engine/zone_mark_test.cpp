// The zone a container keeps of its source's mark, whatever form the mark comes in.
#include <gtest/gtest.h>

#include <string>

#include "zone_mark.h"

namespace {

TEST(ZoneOnlyMark, KeepsTheZoneAndNothingElse) {
    struct Case {
        std::string mark;
        const char* zone;
    };
    const Case cases[] = {
        {"[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.org/a.txt\r\n", "3"},
        {"[ZoneTransfer]\r\nReferrerUrl=https://example.org/\r\nZoneId=4\r\n", "4"},
        {"[ZoneTransfer]\nzoneid = 2\n", "2"}, // other line ends, case and spaces
        {"[ZoneTransfer]\r\nZoneId=0", "0"},   // no line end at the end
        {std::string("\xFF\xFEZ\0o\0n\0e\0I\0d\0=\0"
                     "1\0",
                     18),
         "1"},                                          // UTF-16
        {"[ZoneTransfer]\r\nZoneId=Internet\r\n", "3"}, // unreadable: taken as the Internet
        {"[ZoneTransfer]\r\nHostUrl=https://example.org/\r\n", "3"},
        {"", "3"},
    };
    for (const Case& item : cases) {
        EXPECT_EQ(ZoneOnlyMark(item.mark), std::string("[ZoneTransfer]\r\nZoneId=") + item.zone + "\r\n") << item.mark;
    }
}

} // namespace
