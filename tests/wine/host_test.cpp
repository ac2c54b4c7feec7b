// The simulated host itself: its PNG writer, the table layout it offers, the
// calls it records and makes, its panels and its message loop.
#include "host/host_internal.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// ---- Fresh copies of a module's file ----

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Write(const std::string& path, FILETIME written)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD count = 0;
    WriteFile(file, "MZ", 2, &count, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
}

// First in this program: the sweep runs at its first copy. Programs run side
// by side in slots whose processes cannot see each other, so a copy another
// one made a moment ago (and may have freed, to load it again by name) stays;
// one left long ago goes. The copy itself carries the time it was made, not
// its source's.
TEST(HostCopies, TheSweepLeavesCopiesOfTheLastHourAndDatesEachCopy)
{
    const std::string folder = SimExeFolder() + "\\";
    FILETIME now, old;
    GetSystemTimeAsFileTime(&now);
    const uint64_t two_hours = 2ull * 3600 * 10000000;
    const uint64_t then = (uint64_t(now.dwHighDateTime) << 32 | now.dwLowDateTime) - two_hours;
    old.dwLowDateTime = DWORD(then);
    old.dwHighDateTime = DWORD(then >> 32);
    Write(folder + "sweep.dll", old);
    Write(folder + "sweep-sim-4001-1.dll", now);
    Write(folder + "sweep-sim-4002-1.dll", old);

    const std::string copy = SimFreshCopy("sweep.dll");
    ASSERT_FALSE(copy.empty());
    EXPECT_TRUE(Exists(folder + "sweep-sim-4001-1.dll")) << "made a moment ago by a program beside this one";
    EXPECT_FALSE(Exists(folder + "sweep-sim-4002-1.dll")) << "left two hours ago";
    WIN32_FILE_ATTRIBUTE_DATA made = {};
    ASSERT_TRUE(GetFileAttributesExA(copy.c_str(), GetFileExInfoStandard, &made));
    EXPECT_GT(CompareFileTime(&made.ftLastWriteTime, &old), 0) << "dated by its making";

    DeleteFileA(copy.c_str());
    DeleteFileA((folder + "sweep-sim-4001-1.dll").c_str());
    DeleteFileA((folder + "sweep.dll").c_str());
}

// ---- An independent reader for the PNGs the host writes ----

uint32_t BitwiseCrc(const uint8_t* p, size_t n)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

uint32_t BE32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// Checks the structure and decodes 8-bit RGB (filter none); any fault is a test failure.
void DecodePng(const std::vector<uint8_t>& png, SimImage* out)
{
    static const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(png.size(), 8u);
    ASSERT_EQ(0, memcmp(png.data(), sig, 8));
    std::vector<std::string> order;
    std::vector<uint8_t> idat;
    size_t pos = 8;
    while (pos < png.size()) {
        ASSERT_LE(pos + 12, png.size());
        uint32_t length = BE32(&png[pos]);
        ASSERT_LE(pos + 12 + length, png.size());
        std::string type(reinterpret_cast<const char*>(&png[pos + 4]), 4);
        EXPECT_EQ(BE32(&png[pos + 8 + length]), BitwiseCrc(&png[pos + 4], 4 + length)) << type;
        const uint8_t* data = &png[pos + 8];
        if (type == "IHDR") {
            ASSERT_EQ(13u, length);
            out->width = int(BE32(data));
            out->height = int(BE32(data + 4));
            EXPECT_EQ(8, data[8]);   // bit depth
            EXPECT_EQ(2, data[9]);   // truecolour
            EXPECT_EQ(0, data[10] | data[11] | data[12]);
        } else if (type == "IDAT") {
            idat.insert(idat.end(), data, data + length);
        }
        order.push_back(type);
        pos += 12 + length;
    }
    ASSERT_EQ(pos, png.size());
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ("IHDR", order.front());
    EXPECT_EQ("IEND", order.back());

    // zlib's own inflate checks the stream's header, blocks and Adler-32;
    // the stream must hold exactly the image's scanlines.
    size_t stride = 1 + 3 * size_t(out->width);
    std::vector<uint8_t> raw(stride * out->height + 1);
    uLongf raw_size = uLongf(raw.size());
    ASSERT_EQ(Z_OK, uncompress(raw.data(), &raw_size, idat.data(), uLong(idat.size())));
    raw.resize(raw_size);
    ASSERT_EQ(stride * out->height, raw.size());
    out->pixels.clear();
    for (int y = 0; y < out->height; ++y) {
        ASSERT_EQ(0, raw[y * stride]);  // filter none
        for (int x = 0; x < out->width; ++x) {
            const uint8_t* p = &raw[y * stride + 1 + 3 * x];
            out->pixels.push_back(RGB(p[0], p[1], p[2]));
        }
    }
}

SimImage Pattern(int w, int h)
{
    SimImage image;
    image.width = w;
    image.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.pixels.push_back(RGB(x * 7 + y, y * 3, (x ^ y) & 0xFF));
    return image;
}

TEST(HostPng, ChecksumsMatchKnownValues)
{
    const uint8_t digits[] = "123456789";
    EXPECT_EQ(0xCBF43926u, SimCrc32(digits, 9));
    EXPECT_EQ(SimCrc32(digits + 4, 5, SimCrc32(digits, 4)), SimCrc32(digits, 9));  // continues
    const uint8_t word[] = "Wikipedia";
    EXPECT_EQ(0x11E60398u, SimAdler32(word, 9));
}

TEST(HostPng, EncodedImageDecodesToTheSamePixels)
{
    for (SimImage image : {Pattern(300, 250), Pattern(1, 1), Pattern(21845, 1)}) {
        SimImage back;
        DecodePng(SimEncodePng(image), &back);
        EXPECT_EQ(image.width, back.width);
        EXPECT_EQ(image.height, back.height);
        EXPECT_TRUE(image.pixels == back.pixels);
    }
    // A screen of flat colour packs into a small fraction of its 2.1 MB.
    SimImage screen;
    screen.width = 1000;
    screen.height = 720;
    screen.pixels.assign(1000 * 720, RGB(0, 64, 128));
    EXPECT_GT(20000u, SimEncodePng(screen).size());
    SimImage broken = Pattern(4, 4);
    broken.pixels.pop_back();
    EXPECT_TRUE(SimEncodePng(broken).empty());
}

TEST(HostPng, FileHoldsTheEncodedBytes)
{
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "png", 0, path);
    SimImage image = Pattern(40, 30);
    ASSERT_TRUE(SimWritePng(path, image));
    FILE* file = fopen(path, "rb");
    ASSERT_NE(nullptr, file);
    std::vector<uint8_t> bytes(1 << 16);
    bytes.resize(fread(bytes.data(), 1, bytes.size(), file));
    fclose(file);
    DeleteFileA(path);
    EXPECT_TRUE(bytes == SimEncodePng(image));
}

// ---- Tables ----

uintptr_t Word(const void* p) { return reinterpret_cast<uintptr_t>(p); }
template <typename F>
uintptr_t Routine(F f) { return reinterpret_cast<uintptr_t>(f); }

TEST(HostTables, RoutinesAndPointersSitInPointerSizedSlotNOver4)
{
    SimCreateTables();
    auto slots = [](uint32_t id) { return reinterpret_cast<uintptr_t*>(SimTable(id)); };
    EXPECT_EQ(Routine(SimHostTextOutput(0x0016)), slots(0x0016)[0x18 / 4]);
    EXPECT_EQ(Routine(SimHostTextOutput(0x000A)), slots(0x000A)[0xF0 / 4]);
    EXPECT_EQ(Routine(SimHostPanelLoad()), slots(0x0001)[0xF0 / 4]);
    EXPECT_EQ(Routine(SimHostRegister()), slots(0x0004)[0x18 / 4]);
    EXPECT_EQ(Routine(SimHostUnregister()), slots(0x0004)[0x1C / 4]);
    unsigned char* block = reinterpret_cast<unsigned char*>(slots(0x505A)[0x1C / 4]);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(block + 0x380, SimMirrorBlock());
    for (size_t i = 0; i < SimMirrorBlockBytes; ++i)
        ASSERT_EQ(0, block[i]) << i;

    // Plain data at byte offsets; the rest of table 0x0002 is zero.
    unsigned char* data = SimTable(0x0002);
    int32_t display;
    memcpy(&display, data + 0x11D4, 4);
    EXPECT_EQ(1, display);
    EXPECT_EQ(1, data[0x1254]);
    EXPECT_EQ(1, data[0x1274]);
    int nonzero = 0;
    for (size_t i = 0; i < SimHostDataBytes; ++i)
        nonzero += data[i] != 0;
    EXPECT_EQ(3, nonzero);
    SimSetScrollOption(0);
    SimSetDisplayValue(-7);
    memcpy(&display, data + 0x11D4, 4);
    EXPECT_EQ(-7, display);
    EXPECT_EQ(0, data[0x1254] | data[0x1274]);

    // Every other slot of every table is zero, and the tables do not overlap.
    for (uint32_t id : SimTableIds) {
        if (id == 0x0002)
            continue;
        for (size_t i = 0; i < SimTableSlots; ++i) {
            bool known = (id == 0x0016 && i == 6) || (id == 0x000A && i == 60) || (id == 0x0001 && i == 60) ||
                         (id == 0x0004 && (i == 6 || i == 7)) || (id == 0x505A && i == 7);
            if (!known)
                ASSERT_EQ(0u, slots(id)[i]) << std::hex << id << " slot " << i;
        }
        for (uint32_t other : SimTableIds) {
            size_t bytes = other == 0x0002 ? SimHostDataBytes : SimTableSlots * sizeof(uintptr_t);
            if (other != id)
                EXPECT_TRUE(SimTable(id) + SimTableSlots * sizeof(uintptr_t) <= SimTable(other) ||
                            SimTable(other) + bytes <= SimTable(id));
        }
    }
    EXPECT_EQ(nullptr, SimTable(0x1234));

    // Creating again wipes what a module left behind.
    SimSetSlot(0x0016, 0x18, 0);
    SimSetSlot(0x0015, 0x3FC, 99);
    SimMirrorBlock()[0] = 'x';
    SimCreateTables();
    EXPECT_EQ(Routine(SimHostTextOutput(0x0016)), slots(0x0016)[6]);
    EXPECT_EQ(0u, slots(0x0015)[0xFF]);
    EXPECT_EQ(0, SimMirrorBlock()[0]);
    EXPECT_EQ(nullptr, SimSlot(0x0015, 0x400));  // past the table's end
}

TEST(HostTables, ImportTableGetsOnlyTheOfferedTables)
{
    SimCreateTables();
    uintptr_t pairs[2 * 12];
    const uint32_t ids[] = {0x0001, 0x000F, 0x0015, 0x0016, 0x0101, 0x0141, 0x0004, 0x505A, 0x0002, 0x000A, 0x9999};
    for (int i = 0; i < 11; ++i) {
        pairs[2 * i] = ids[i];
        pairs[2 * i + 1] = 0xDEAD;  // a refill overwrites whatever was there
    }
    pairs[22] = 0;
    pairs[23] = 0;

    EXPECT_EQ(2, SimFillImportTable(pairs, {0x0016, 0x0002}));
    for (int i = 0; i < 11; ++i) {
        bool offered = ids[i] == 0x0016 || ids[i] == 0x0002;
        EXPECT_EQ(offered ? Word(SimTable(ids[i])) : 0u, pairs[2 * i + 1]) << std::hex << ids[i];
    }
    EXPECT_EQ(0u, pairs[23]);

    EXPECT_EQ(10, SimFillImportTable(pairs));
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Word(SimTable(ids[i])), pairs[2 * i + 1]);
    EXPECT_EQ(0u, pairs[21]);  // unknown to the host

    EXPECT_EQ(0, SimFillImportTable(pairs, {}));
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(0u, pairs[2 * i + 1]);
    EXPECT_EQ(0, SimFillImportTable(nullptr));
}

// ---- Calls into and out of the host ----

std::vector<std::string> hooked;
int32_t WINAPI TestHook(const char* text, int32_t, int32_t, int32_t) { hooked.push_back(text ? text : "(null)"); return 42; }

TEST(HostCalls, TextOutputIsRecordedThroughWhateverSitsInTheSlot)
{
    SimCreateTables();
    SimSetTextOutputResult(17);
    EXPECT_EQ(17, SimCallTextOutput("ATIS one", 3, 200, 1));
    EXPECT_EQ(17, SimCallTextOutput(nullptr, 6, -1, 0, SimTableTextAlt));
    EXPECT_EQ(17, SimCallTextOutput("", 5, 0, 0));
    ASSERT_EQ(3u, SimTextCalls().size());
    const SimTextCall& first = SimTextCalls()[0];
    EXPECT_EQ("ATIS one", first.text);
    EXPECT_FALSE(first.text_null);
    EXPECT_EQ(3, first.type);
    EXPECT_EQ(200, first.time);
    EXPECT_EQ(1, first.append);
    EXPECT_EQ(SimTableTextOutput, first.table);
    EXPECT_TRUE(SimTextCalls()[1].text_null);
    EXPECT_EQ(SimTableTextAlt, SimTextCalls()[1].table);
    EXPECT_EQ(-1, SimTextCalls()[1].time);
    EXPECT_FALSE(SimTextCalls()[2].text_null);  // empty is not null
    EXPECT_EQ("", SimTextCalls()[2].text);

    // A hook in the slot receives the call instead of the host.
    SimClearCalls();
    hooked.clear();
    SimSetSlot(0x0016, 0x18, Routine(TestHook));
    EXPECT_EQ(42, SimCallTextOutput("to hook", 4, 1, 0));
    EXPECT_EQ(std::vector<std::string>{"to hook"}, hooked);
    EXPECT_TRUE(SimTextCalls().empty());

    // A null slot is never called.
    SimSetSlot(0x000A, 0xF0, 0);
    bool called = true;
    EXPECT_EQ(0, SimCallTextOutput("nobody", 4, 1, 0, SimTableTextAlt, &called));
    EXPECT_FALSE(called);
}

TEST(HostCalls, PanelLoadRecordsWordsAndPathAndRunsTheHostAction)
{
    SimCreateTables();
    std::vector<std::string> loaded;
    SimSetPanelLoadAction([&](const char* path) { loaded.push_back(path ? path : "(null)"); });
    SimSetPanelLoadResult(5);
    EXPECT_EQ(5, SimCallPanelLoad("C:\\Aircraft\\c172\\panel"));
    const uintptr_t words[6] = {1, 2, 3, 4, 0, 6};
    EXPECT_EQ(5, SimCallPanelLoadWords(words));
    ASSERT_EQ(2u, SimPanelLoadCalls().size());
    const SimPanelLoadCall& first = SimPanelLoadCalls()[0];
    EXPECT_EQ("C:\\Aircraft\\c172\\panel", first.path);
    EXPECT_EQ(0x1001u, first.words[0]);
    EXPECT_EQ(0x1004u, first.words[3]);
    EXPECT_EQ(0x1006u, first.words[5]);
    EXPECT_TRUE(SimPanelLoadCalls()[1].path_null);
    EXPECT_EQ(6u, SimPanelLoadCalls()[1].words[5]);
    EXPECT_EQ((std::vector<std::string>{"C:\\Aircraft\\c172\\panel", "(null)"}), loaded);
    SimSetSlot(0x0001, 0xF0, 0);
    bool called = true;
    EXPECT_EQ(0, SimCallPanelLoad("x", &called));
    EXPECT_FALSE(called);
}

int ticks_a, ticks_b;
void WINAPI TickB(uintptr_t, uintptr_t) { ++ticks_b; }
void WINAPI TickA(uintptr_t, uintptr_t)
{
    // On its third call it takes itself and TickB out.
    if (++ticks_a == 3) {
        SimHostUnregister()(2, TickA);
        SimHostUnregister()(2, TickB);
    }
}

TEST(HostCalls, TicksStopTheMomentTheyAreUnregistered)
{
    SimCreateTables();
    ticks_a = ticks_b = 0;
    auto reg = reinterpret_cast<SimTickRegistration>(*SimSlot(0x0004, 0x18));
    reg(2, TickA);
    reg(2, TickB);
    ASSERT_EQ(2u, SimTickCalls().size());
    EXPECT_TRUE(SimTickCalls()[0].registering);
    EXPECT_EQ(2u, SimTickCalls()[0].id);
    EXPECT_EQ(TickA, SimRegisteredTick());
    EXPECT_EQ(5, SimRunTicks(10));  // A B, A B, A (takes both out)
    EXPECT_EQ(3, ticks_a);
    EXPECT_EQ(2, ticks_b);
    EXPECT_EQ(nullptr, SimRegisteredTick());
    EXPECT_FALSE(SimTickCalls().back().registering);
}

// ---- Windows ----

TEST(HostWindows, PanelsCarryTheirRecordAndGetExactFlags)
{
    SimCreateTables();
    HWND main_window = SimCreateMainWindow("FS2002MAIN", "Flight Simulator 2002", 0, 0, 640, 480);
    ASSERT_NE(nullptr, main_window);
    HWND panel = SimCreatePanel(100, 200, 300, 100, 0x20A9);
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(main_window, GetParent(panel));
    EXPECT_TRUE(IsWindowVisible(panel));
    auto* record = reinterpret_cast<unsigned char*>(GetWindowLongPtrA(panel, GWLP_USERDATA));
    ASSERT_EQ(reinterpret_cast<unsigned char*>(SimPanelRecordOf(panel)), record);
    uint32_t kind_word;
    memcpy(&kind_word, record + 24, 4);
    EXPECT_EQ(0x20A90000u, kind_word);
    SimSetPanelKind(panel, 0x0151);
    memcpy(&kind_word, record + 24, 4);
    EXPECT_EQ(0x01510000u, kind_word);
    for (int i = 0; i < 64; ++i)
        if (i < 24 || i >= 28)
            ASSERT_EQ(0, record[i]);

    size_t before = SimPanelSeenFlags(panel).size();  // creation's own changes
    SimSendPanelFlags(panel, 0x1837);
    SimSendPanelFlags(panel, 0x0013);
    std::vector<UINT> seen = SimPanelSeenFlags(panel);
    ASSERT_EQ(before + 2, seen.size());
    EXPECT_EQ(0x1837u, seen[before]);
    EXPECT_EQ(0x0013u, seen[before + 1]);
    SimHostHidePanel(panel);
    EXPECT_FALSE(IsWindowVisible(panel));
    SimHostShowPanel(panel);
    EXPECT_TRUE(IsWindowVisible(panel));
    seen = SimPanelSeenFlags(panel);
    ASSERT_GE(seen.size(), before + 4);
    EXPECT_NE(seen.end(), std::find(seen.begin() + before + 2, seen.end(), 0x1837u));
    EXPECT_EQ(0x0013u, seen.back());

    SimPump(200);
    EXPECT_EQ(SimPanelColour, SimClientPixel(panel, 10, 10));
    EXPECT_EQ(SimMainColour, SimClientPixel(main_window, 10, 10));

    SimDestroyPanel(panel);
    EXPECT_EQ(nullptr, SimPanelRecordOf(panel));
    SimDestroyMainWindow();
    EXPECT_EQ(nullptr, SimMainWindow());
}

TEST(HostWindows, MenuBarAndCommandsReachTheHost)
{
    SimCreateTables();
    HWND main_window = SimCreateMainWindow("FS98MAIN", "Flight Simulator 98", 0, 0, 640, 480);
    ASSERT_NE(nullptr, main_window);
    HMENU bar = SimMenuBar();
    ASSERT_EQ(3, GetMenuItemCount(bar));
    HMENU popup = SimAddModulesPopup();
    ASSERT_NE(nullptr, popup);
    ASSERT_EQ(4, GetMenuItemCount(bar));
    EXPECT_EQ(popup, GetSubMenu(bar, 3));
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoA(bar, 3, TRUE, &info));
    EXPECT_EQ(21007u, info.wID);
    SimGrayFirstMenuItem(true);
    EXPECT_EQ(UINT(MF_GRAYED), GetMenuState(bar, 0, MF_BYPOSITION) & 3);
    SimGrayFirstMenuItem(false);
    EXPECT_EQ(0u, GetMenuState(bar, 0, MF_BYPOSITION) & 3);

    PostMessageA(main_window, WM_COMMAND, MAKEWPARAM(35224, 1), 0);
    SimPump(100);
    EXPECT_EQ(std::vector<uint32_t>{35224}, SimMainCommands());
    SimRemoveMenuBar();
    EXPECT_EQ(nullptr, SimMenuBar());
    SimDestroyMainWindow();
}

int timer_calls;
void CALLBACK CountTimer(HWND, UINT, UINT_PTR, DWORD) { ++timer_calls; }

TEST(HostPump, TicksComeAtTheSetRateAndTimersRun)
{
    SimCreateTables();
    ticks_b = 0;
    SimHostRegister()(2, TickB);
    SimSetTickInterval(20);
    // Eight ticks come, however slowly the loop runs, and never sooner than
    // eight intervals of the clock the loop itself reads.
    const DWORD started = GetTickCount();
    ASSERT_TRUE(SimPumpUntil([] { return ticks_b >= 8; }, 20000));
    EXPECT_GE(GetTickCount() - started, 8u * 20);
    EXPECT_EQ(ticks_b, 8) << "one tick at a time";
    SimSetTickInterval(0);
    int before = ticks_b;
    timer_calls = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, CountTimer);
    EXPECT_TRUE(SimPumpUntil([] { return timer_calls >= 2; }, 2000));
    KillTimer(nullptr, timer);
    EXPECT_EQ(before, ticks_b);
    EXPECT_FALSE(SimPumpUntil([] { return false; }, 50));
    SimSetTickInterval(55);
}

TEST(HostPump, LeftoversOfAGoneModuleAreNeverCalled)
{
    SimCreateTables();
    HWND main_window = SimCreateMainWindow("FS2000MAIN", "Flight Simulator 2000", 0, 0, 300, 200);
    WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(main_window, GWLP_WNDPROC));

    // A library with no module records still loads; then it leaves a routine
    // in a slot, a window procedure and a tick behind. A copy under a name of
    // its own: nothing else of the process keeps it mapped.
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string copy = SimExeFolder() + "\\leftover-version.dll";
    ASSERT_TRUE(CopyFileA((std::string(system) + "\\version.dll").c_str(), copy.c_str(), FALSE));
    HMODULE library = SimLoadModule(copy.c_str());
    ASSERT_NE(nullptr, library);
    EXPECT_EQ(nullptr, SimLinkage());
    EXPECT_FALSE(SimStartModule());
    FARPROC inside = GetProcAddress(library, "GetFileVersionInfoSizeA");
    ASSERT_NE(nullptr, inside);
    SimSetSlot(0x0016, 0x18, Routine(inside));
    SimSetSlot(0x0001, 0xF0, Routine(TestHook));  // this program's own: left alone
    SimHostRegister()(2, reinterpret_cast<SimTickRoutine>(inside));
    SimHostRegister()(2, TickB);
    SetWindowLongPtrA(main_window, GWLP_WNDPROC, LONG_PTR(inside));

    EXPECT_TRUE(SimUnloadModule());
    EXPECT_EQ(3, SimStaleAtUnload());
    EXPECT_EQ(Routine(SimHostTextOutput(0x0016)), *SimSlot(0x0016, 0x18));
    EXPECT_EQ(Routine(TestHook), *SimSlot(0x0001, 0xF0));
    EXPECT_EQ(std::vector<SimTickRoutine>{TickB}, SimRegisteredTicks());
    EXPECT_EQ(LONG_PTR(own), GetWindowLongPtrA(main_window, GWLP_WNDPROC));
    EXPECT_FALSE(SimUnloadModule());  // nothing loaded any more
    SimDestroyMainWindow();
    DeleteFileA(copy.c_str());
}

}  // namespace
