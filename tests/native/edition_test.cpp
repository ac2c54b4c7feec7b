// Recognising the simulator's main window and its edition from class and title.
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include "core/edition.h"

TEST(HostClassName, BeginsWithFSAndEndsWithMain)
{
    EXPECT_TRUE(IsHostClassName("FS98MAIN"));
    EXPECT_TRUE(IsHostClassName("FS2000MAIN"));
    EXPECT_TRUE(IsHostClassName("FS2002MAIN"));
    EXPECT_TRUE(IsHostClassName("FSMAIN"));
    EXPECT_TRUE(IsHostClassName("FS anything at all MAIN"));
}

TEST(HostClassName, ComparesExactlyIncludingCase)
{
    EXPECT_FALSE(IsHostClassName("fs2002main"));
    EXPECT_FALSE(IsHostClassName("Fs2002MAIN"));
    EXPECT_FALSE(IsHostClassName("FS2002Main"));
    EXPECT_FALSE(IsHostClassName("FS2002MAIN "));
    EXPECT_FALSE(IsHostClassName("XFS2002MAIN"));
    EXPECT_FALSE(IsHostClassName("FS2002MAINX"));
    EXPECT_FALSE(IsHostClassName("OrvaleWindow"));
}

TEST(HostClassName, ShortAndMissingNamesAreNotMainWindows)
{
    // The suffix must not be looked for before the start of a short name
    // (under AddressSanitizer a read there fails the test).
    EXPECT_FALSE(IsHostClassName(nullptr));
    EXPECT_FALSE(IsHostClassName(""));
    EXPECT_FALSE(IsHostClassName("F"));
    EXPECT_FALSE(IsHostClassName("FS"));
    EXPECT_FALSE(IsHostClassName("FSM"));
    EXPECT_FALSE(IsHostClassName("FSAIN"));
    EXPECT_FALSE(IsHostClassName("MAIN"));
    // A heap copy without slack, so a read before its start is caught.
    std::unique_ptr<char[]> exact(new char[4]);
    memcpy(exact.get(), "FSN", 4);
    EXPECT_FALSE(IsHostClassName(exact.get()));
}

TEST(HostEdition, ClassBeginningFS2000SettlesItWithoutTheTitle)
{
    EXPECT_FALSE(EditionNeedsTitle("FS2000MAIN"));
    EXPECT_EQ(HostEdition("FS2000MAIN", nullptr), EditionFS2000);
    EXPECT_EQ(HostEdition("FS2000MAIN", "Flight Simulator 2002"), EditionFS2000);
    EXPECT_TRUE(EditionNeedsTitle("FS2002MAIN"));
    EXPECT_TRUE(EditionNeedsTitle("FS98MAIN"));
}

TEST(HostEdition, TitlesDecideForOtherClasses)
{
    EXPECT_EQ(HostEdition("FS98MAIN", "Flight Simulator 98"), EditionFS98);
    EXPECT_EQ(HostEdition("FS98MAIN", ""), EditionFS98);
    EXPECT_EQ(HostEdition("FS98MAIN", nullptr), EditionFS98);
    EXPECT_EQ(HostEdition("FSMAIN", "Microsoft Flight Simulator 2000"), EditionFS2000);
    EXPECT_EQ(HostEdition("FSMAIN", "Microsoft Flight Simulator 2002"), EditionFS2002);
    EXPECT_EQ(HostEdition("FSMAIN", "edition 20002"), EditionFS2000);   // "2000" is in it
    EXPECT_EQ(HostEdition("FSMAIN", "edition 200 2"), EditionFS98);
}

TEST(HostEdition, ClassBeginningFS2002IsFS2002UnlessTheTitleSays2000)
{
    EXPECT_EQ(HostEdition("FS2002MAIN", "Flight Simulator"), EditionFS2002);
    EXPECT_EQ(HostEdition("FS2002MAIN", ""), EditionFS2002);
    EXPECT_EQ(HostEdition("FS2002MAIN", "Flight Simulator 2002"), EditionFS2002);
    // FS2000 is checked first: a 2000 in the title wins over the class.
    EXPECT_EQ(HostEdition("FS2002MAIN", "converted from 2000"), EditionFS2000);
    EXPECT_EQ(HostEdition("FS98MAIN", "2002 and 2000"), EditionFS2000);
}
