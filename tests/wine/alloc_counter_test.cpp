// Counting a loaded module's heap allocations through its import address
// table, and the module's promise that capturing, ShowMessage and the tick
// allocate nothing: the simulator calls them in its frame loop.
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "host/alloc_counter.h"
#include "host/sim_host.h"
#include "support/display_lookup.h"
#include "support/process_counters.h"

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
    HMODULE module = SimLoadModule(SimFreshCopy("orvale.dll").c_str());
    ASSERT_TRUE(module);
    ASSERT_TRUE(SimStartModule());
    ASSERT_TRUE(SimPumpUntil([] { return SimRegisteredTick() != nullptr; }, 3000));
    ASSERT_TRUE(FindUndockedDisplay(SimMainWindow()));
    // Both the product and the twin link no runtime: not one heap function is
    // imported, so none is there to be counted, and none can be called.
    EXPECT_EQ(0, CountAllocationsOf(module)) << "orvale.dll imports an allocation function";

    // What the frame loop's calls ask of Windows (fonts, brushes, contexts,
    // repaints) comes from the process's heaps: over many rounds the bytes in
    // use there must not grow with the rounds, nor the GDI objects held.
    size_t (*gdi)() = FaithfulGdiCount();
    ASSERT_TRUE(gdi) << "no faithful count of GDI objects";
    ASSERT_TRUE(FollowsHeapBlocks()) << "no faithful count of heap bytes";
    std::string text(3000, 'x');
    auto round = [&] {
        SimCallTextOutput(text.c_str(), 5, 2, 0);     // static, expires on the 2nd tick
        SimCallTextOutput("and more", 5, 1, 1);       // appended
        SimRunTicks(3);
        SimCallTextOutput("ATIS", 3, 400, 0);         // scrolls
        SimCallShowMessage("from another module", -1);
        SimRunTicks(40);
        SimPump(0);                                   // the repaints asked for
        SimCallShowMessage("static", 5);
        SimRunTicks(10);
        SimPump(0);
        SimClearCalls();                              // the host's record keeps its room
    };
    for (int i = 0; i < 20; ++i)  // first-use objects of fonts, contexts and the host's records
        round();
    const size_t heap_before = HeapBytesInUse(), gdi_before = gdi();
    const int rounds = 400;
    for (int i = 0; i < rounds; ++i)
        round();
    const size_t heap_after = HeapBytesInUse();
    printf("rounds %d: heap bytes in use %zu -> %zu, GDI %zu -> %zu\n", rounds, heap_before, heap_after,
           gdi_before, gdi());
    // A leak of 8 bytes a round would pass this bound only just.
    EXPECT_LE(heap_after, heap_before + rounds * 8) << "the frame loop takes heap memory and keeps it";
    EXPECT_EQ(gdi(), gdi_before);

    RestoreAllocationImports();
    SimStopModule();
    SimUnloadModule();
    SimDestroyMainWindow();
}

}  // namespace
