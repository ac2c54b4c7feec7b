// Counting a loaded module's heap allocations through its import address
// table, and the module's promise that capturing, ShowMessage and the tick
// allocate nothing: the simulator calls them in its frame loop.
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include "host/alloc_counter.h"
#include "host/sim_host.h"
#include "support/display_lookup.h"

namespace {

void* volatile kept;

TEST(AllocCounter, CountsThroughPatchedImportsAndPutsThemBack)
{
    HMODULE self = GetModuleHandleA(nullptr);
    std::vector<std::string> names;
    ASSERT_GT(CountAllocationsOf(self, &names), 0);
    EXPECT_NE(std::find(names.begin(), names.end(), "msvcrt.dll!malloc"), names.end());
    EXPECT_EQ(0, CountAllocationsOf(self)) << "entries patched already are left alone";

    ResetAllocationCounts();
    kept = malloc(24);
    kept = realloc(kept, 48);
    free(kept);
    AllocCounts counts = AllocationCounts();
    EXPECT_EQ(2, counts.allocations);
    EXPECT_EQ(1, counts.frees);

    RestoreAllocationImports();
    ResetAllocationCounts();
    kept = malloc(24);
    free(kept);
    EXPECT_EQ(0, AllocationCounts().allocations) << "the original entries are back";
    EXPECT_EQ(0, CountAllocationsOf(nullptr));
}

TEST(AllocCounter, FrameLoopCallsOfTheModuleAllocateNothing)
{
    SimCreateTables();
    SimSetTickInterval(0);
    ASSERT_TRUE(SimCreateMainWindow("FS2002MAIN", "Microsoft Flight Simulator 2002", 0, 0, 800, 600));
    HMODULE module = SimLoadModule("orvale.dll");
    ASSERT_TRUE(module);
    ASSERT_TRUE(SimStartModule());
    ASSERT_TRUE(SimPumpUntil([] { return SimRegisteredTick() != nullptr; }, 3000));
    ASSERT_TRUE(FindUndockedDisplay(SimMainWindow()));
    // Both the product and the twin link no runtime: not one heap function is
    // imported, so none is there to be counted, and none can be called.
    EXPECT_EQ(0, CountAllocationsOf(module)) << "orvale.dll imports an allocation function";

    std::string text(3000, 'x');
    ResetAllocationCounts();
    for (int round = 0; round < 3; ++round) {
        SimCallTextOutput(text.c_str(), 5, 2, 0);     // static, expires on the 2nd tick
        SimCallTextOutput("and more", 5, 1, 1);       // appended
        SimRunTicks(3);
        SimCallTextOutput("ATIS", 3, 400, 0);         // scrolls
        SimCallShowMessage("from another module", -1);
        SimRunTicks(40);
        SimCallShowMessage("static", 5);
        SimRunTicks(10);
    }
    AllocCounts counts = AllocationCounts();
    EXPECT_EQ(0, counts.allocations);
    EXPECT_EQ(0, counts.frees);

    RestoreAllocationImports();
    SimStopModule();
    SimUnloadModule();
    SimDestroyMainWindow();
}

}  // namespace
