// The simulated host: a stand-in for the flight simulator that loads a module
// the way the simulator does, offers it the host tables, records every call
// the module makes into the host and lets a test or a person drive the host's
// side (text output, panel loads, the periodic tick, window messages).
//
// Layout of the host's view of the module interface. Every word the host
// exchanges that holds a routine or a pointer (Linkage words, ImportTable
// pairs, table slots holding routines or pointers) is pointer-sized, and the
// slot the host documents at byte offset N is slot N / 4 of such words. On a
// 32-bit build that is exactly the simulator's layout. Plain data keeps its
// byte offset: the scroll-option bytes at 0x1254 and 0x1274 and the 32-bit
// host display value at 0x11D4 of table 0x0002, the panel record's kind word
// at byte 24, and the text block at byte 0x380 of the block that slot 0x1C of
// the 0x505A record points to.
//
// Everything runs on the thread that calls these functions; the host keeps one
// set of tables, one main window and one loaded module at a time.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---- Routine shapes exchanged with a module ----
typedef int32_t(WINAPI* SimTextOutputRoutine)(const char* text, int32_t type, int32_t time, int32_t append);
typedef int32_t(WINAPI* SimPanelLoadRoutine)(uintptr_t w1, uintptr_t w2, uintptr_t w3, uintptr_t w4,
                                             const char* path, uintptr_t w6);
typedef void(WINAPI* SimTickRoutine)(uintptr_t a, uintptr_t b);
typedef uintptr_t(WINAPI* SimTickRegistration)(uintptr_t id, SimTickRoutine callback);
typedef void(WINAPI* SimModuleRoutine)();
typedef int32_t(WINAPI* SimShowMessageRoutine)(const char* text, int32_t time);

// ---- Table identifiers and the documented byte offsets ----
enum : uint32_t {
    SimTablePanel = 0x0001,       // 0xF0: panel-load routine
    SimTableHostData = 0x0002,    // option bytes, host display value
    SimTableTick = 0x0004,        // 0x18 register, 0x1C unregister
    SimTableTextAlt = 0x000A,     // 0xF0: text-output routine
    SimTableTextOutput = 0x0016,  // 0x18: text-output routine
    SimTableMirror = 0x505A,      // another module's record; 0x1C: its block
};
enum : uint32_t {
    SimPanelLoadOffset = 0xF0,
    SimTextOutputOffset = 0x18,
    SimTextAltOffset = 0xF0,
    SimTickRegisterOffset = 0x18,
    SimTickUnregisterOffset = 0x1C,
    SimMirrorBlockOffset = 0x1C,
    SimMirrorTextOffset = 0x380,    // byte offset inside the mirror block
    SimScrollOptionFS98 = 0x1254,   // byte offset in table 0x0002
    SimScrollOptionLater = 0x1274,  // byte offset in table 0x0002
    SimDisplayValueOffset = 0x11D4, // byte offset in table 0x0002 (int32)
};
constexpr int SimTableCount = 10;
// The identifiers the host knows, in the order a module's ImportTable lists them.
extern const uint32_t SimTableIds[SimTableCount];
constexpr size_t SimHostDataBytes = 0x1300;  // size of table 0x0002
constexpr size_t SimTableSlots = 0x100;       // pointer-sized slots of every other table
constexpr size_t SimMirrorBlockBytes = 0x400; // the block behind slot 0x1C of 0x505A

// ---- Tables (tables.cpp) ----
// Allocates (or re-zeroes) the ten tables, installs the host's recording
// routines, points the 0x505A record's slot 0x1C at a zeroed block, sets both
// scroll-option bytes and the host display value to 1, and clears every record
// and the tick registrations.
void SimCreateTables();
unsigned char* SimTable(uint32_t id);                   // null for an unknown id
uintptr_t* SimSlot(uint32_t id, uint32_t byte_offset);  // pointer-sized slot byte_offset / 4
void SimSetSlot(uint32_t id, uint32_t byte_offset, uintptr_t value);
void SimSetScrollOption(uint8_t value);                 // both option bytes
void SimSetDisplayValue(int32_t value);                 // int32 at 0x11D4 of 0x0002
unsigned char* SimMirrorBlock();                        // the 0x380 area of the host's own block
std::string SimMirroredText();                          // the text in it, up to its terminator or the area's end
void SimSetMirrorBlockWord(uintptr_t value);            // slot 0x1C of 0x505A (0 for hostile tests)
// The host's own routines, as installed in the slots by SimCreateTables.
SimTextOutputRoutine SimHostTextOutput(uint32_t table);  // SimTableTextOutput or SimTableTextAlt
SimPanelLoadRoutine SimHostPanelLoad();
SimTickRegistration SimHostRegister();
SimTickRegistration SimHostUnregister();
// What the host's text-output and panel-load routines return (default 1).
void SimSetTextOutputResult(int32_t result);
void SimSetPanelLoadResult(int32_t result);
// Something the host's panel-load routine does after recording the call, as
// the simulator creates the new aircraft's panel windows (null: nothing).
void SimSetPanelLoadAction(std::function<void(const char* path)> action);

// Writes every {id, pointer} pair of a module's ImportTable (pointer-sized
// pairs ending with {0, 0}, at most 64 read) with the host's table for that id
// when the id is in `offered`, else 0. Returns the number of pointers filled.
int SimFillImportTable(void* import_table, const std::vector<uint32_t>& offered);
int SimFillImportTable(void* import_table);  // all ten tables offered

// ---- Recorded calls into the host (tables.cpp) ----
struct SimTextCall {
    std::string text;
    bool text_null;
    int32_t type, time, append;
    uint32_t table;  // SimTableTextOutput or SimTableTextAlt: whose routine ran
};
struct SimPanelLoadCall {
    uintptr_t words[6];  // words[4] is the path pointer as received
    std::string path;
    bool path_null;
};
struct SimTickCall {
    bool registering;  // true: register (0x18), false: unregister (0x1C)
    uintptr_t id;
    SimTickRoutine callback;
};
const std::vector<SimTextCall>& SimTextCalls();
const std::vector<SimPanelLoadCall>& SimPanelLoadCalls();
const std::vector<SimTickCall>& SimTickCalls();
const std::vector<uint32_t>& SimMainCommands();  // WM_COMMAND ids (low word) the main window got
void SimClearCalls();                            // the four records above

// ---- Calls from the host into whatever sits in its slots (tables.cpp) ----
// Each reads the slot at the time of the call; a null slot is not called and
// yields 0 (with *called false where asked).
int32_t SimCallTextOutput(const char* text, int32_t type, int32_t time, int32_t append,
                          uint32_t table = SimTableTextOutput, bool* called = nullptr);
// Words 1-4 and 6 are 0x1001, 0x1002, 0x1003, 0x1004 and 0x1006.
int32_t SimCallPanelLoad(const char* path, bool* called = nullptr);
int32_t SimCallPanelLoadWords(const uintptr_t words[6], bool* called = nullptr);  // words[4]: path

// ---- The periodic tick (tables.cpp) ----
// Registered callbacks, in order; unregister removes the first equal one.
std::vector<SimTickRoutine> SimRegisteredTicks();
SimTickRoutine SimRegisteredTick();  // the first registered, or null
int SimRunTicks(int n);              // calls every registered tick n times; returns calls made
uint64_t SimTicksDelivered();        // ticks delivered since SimCreateTables

// ---- Main window and menus (windows.cpp) ----
constexpr COLORREF SimMainColour = RGB(70, 110, 170);   // main window client area
constexpr COLORREF SimPanelColour = RGB(40, 140, 60);   // default panel colour
constexpr UINT SimModulesPopupId = 21007;
// Registers the class (once per name) and creates a visible, overlapped
// top-level window with the host's menu bar (&File, &View, &Aircraft). The host
// keeps one main window: a second call destroys the first.
HWND SimCreateMainWindow(const char* class_name, const char* title, int x, int y, int w, int h);
HWND SimMainWindow();
void SimDestroyMainWindow();
// Maximised, the main window leaves `top` pixels of the screen above it, as
// under a taskbar at the top of the screen (0: the whole screen, as every new
// main window has).
void SimSetMaximisedTop(int top);
HMENU SimCreateHostMenuBar();              // a fresh bar like the one above, not installed
HMENU SimSetMenuBar(HMENU bar);            // installs it; returns the previous bar (not destroyed)
HMENU SimMenuBar();                        // GetMenu of the main window
void SimGrayFirstMenuItem(bool gray);
HMENU SimAddModulesPopup();                // another module's "&Modules" popup (wID 21007) + one item
void SimRemoveMenuBar();                   // SetMenu(null); the old bar is destroyed

// ---- Panel windows (windows.cpp) ----
// The record the host keeps in a panel window's GWLP_USERDATA.
struct SimPanelRecord {
    unsigned char bytes[64];  // zero, except the 32-bit word at byte 24 = kind << 16
};
// Creates a visible direct child of the main window at client (x, y), w x h,
// painting itself in `colour`, with a record of the given kind.
HWND SimCreatePanel(int x, int y, int w, int h, uint16_t kind, COLORREF colour = SimPanelColour);
SimPanelRecord* SimPanelRecordOf(HWND panel);  // the host's own record (whatever the user data is now)
void SimSetPanelKind(HWND panel, uint16_t kind);
void SimSetPanelUserData(HWND panel, void* data);  // null or foreign data; the record stays owned
void SimMovePanel(HWND panel, int x, int y, int w, int h);
void SimShowPanel(HWND panel, bool show);           // plain ShowWindow
void SimDestroyPanel(HWND panel);
// Delivers WM_WINDOWPOSCHANGING whose WINDOWPOS.flags is exactly `flags`
// (SendMessage of a filled record); returns the message result.
LRESULT SimSendPanelFlags(HWND panel, UINT flags);
// The same through SetWindowPos(panel, 0, 0, 0, 0, 0, flags); Windows may alter the flags.
BOOL SimSetPanelPosFlags(HWND panel, UINT flags);
// The simulator's way of hiding and showing a panel: 0x1837 then hide; show then 0x0013.
void SimHostHidePanel(HWND panel);
void SimHostShowPanel(HWND panel);
// WINDOWPOS flags of every WM_WINDOWPOSCHANGING that reached the panel's own procedure.
std::vector<UINT> SimPanelSeenFlags(HWND panel);
// How many messages `message` (WM_APP or above) reached the panel's own procedure.
int SimPanelSeenMessages(HWND panel, UINT message);

// ---- Driving (windows.cpp) ----
// Runs the message loop for `ms` milliseconds, calling the registered ticks
// every SimTickInterval milliseconds (0: no ticks). A thread timer whose
// routine lies in a module the host has unloaded is killed instead of
// dispatched (where the message carries the routine's address, as on Windows;
// Wine passes a handle instead, which is dispatched as usual).
void SimPump(int ms);
bool SimPumpUntil(const std::function<bool()>& done, int timeout_ms);  // true when done
void SimSetTickInterval(int ms);  // default 55, like the simulator's frame clock
int SimTickInterval();

// ---- Looking (png.cpp) ----
struct SimImage {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;  // row by row, top row first
};
COLORREF SimScreenPixel(int x, int y);                  // CLR_INVALID off screen
COLORREF SimClientPixel(HWND window, int x, int y);     // client coordinates, from the window's own surface
bool SimCaptureScreen(const RECT& screen_rect, SimImage* image);
std::vector<uint8_t> SimEncodePng(const SimImage& image);  // 8-bit RGB, zlib-compressed
bool SimWritePng(const char* path, const SimImage& image);
bool SimSaveScreenshotPng(const char* path, const RECT& screen_rect);
bool SimSaveScreenshotPng(const char* path, HWND window);  // the window's outer rectangle
uint32_t SimCrc32(const uint8_t* data, size_t length, uint32_t crc = 0);
uint32_t SimAdler32(const uint8_t* data, size_t length, uint32_t adler = 1);

// ---- Module loading (loader.cpp) ----
// LoadLibraryA, then "Linkage" and "ImportTable"; fills ImportTable with the
// offered tables. Returns the module handle (null when it does not load); a
// module without the records still loads, with SimLinkage() null.
HMODULE SimLoadModule(const char* dll_path, const std::vector<uint32_t>& offered);
HMODULE SimLoadModule(const char* dll_path);  // all ten tables offered
uintptr_t* SimLinkage();                      // the 8 pointer-sized words, or null
uintptr_t* SimImportTable();                  // the module's pairs, or null
uintptr_t SimLinkageWord(int index);          // 0 when absent or out of range
bool SimStartModule();                        // word 1, when not null
bool SimStopModule();                         // word 2, when not null
int32_t SimCallShowMessage(const char* text, int32_t time, bool* called = nullptr);  // word 7
// FreeLibrary; forgets the records. Then, when the image is really gone,
// every tick registration, routine slot and host window procedure that still
// leads into it is put back to the host's own before the host runs again, so
// it never calls into freed code. A module that tidies up after itself leaves
// nothing to repair; one that keeps itself loaded is left as it is.
bool SimUnloadModule();
int SimStaleAtUnload();                       // how many such leftovers the last unload repaired
// Whether `address` lies inside a module the host unloaded and that is no
// longer mapped: a routine there must not be called. A module that keeps
// itself loaded is not gone.
bool SimAddressInGoneModule(uintptr_t address);
// A copy of a module's file under a name of its own, beside it, for a load
// that must find the module as a new simulator session does: a module that
// keeps itself loaded after a stop stays in the process, and loading the
// same file again only hands that one back. Copies that earlier processes
// left over an hour ago and nobody has mapped any more are deleted. Empty
// when no copy could be made; a path without a folder is taken from this
// program's folder.
std::string SimFreshCopy(const char* dll_path);
// The whole content of a file, byte for byte; empty when it cannot be read.
std::string SimReadFile(const std::string& path);
std::string SimExeFolder();                   // folder of the running program, no trailing slash
