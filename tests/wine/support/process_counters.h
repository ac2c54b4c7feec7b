// What the process holds, counted the way a leak would show: GDI objects,
// USER objects (windows and menus) and private memory. Each counter is one
// that follows objects made and freed under Wine as well as on Windows; the
// Follows* checks let a test refuse a counter that doesn't.
#pragma once
#include <windows.h>
#include <cstddef>

// GetGuiResources(GR_GDIOBJECTS): the documented count. Wine 8.0 answers 0.
size_t GdiCountFromGuiResources();
// Live entries of the process's GDI handle table, whose address is in the PEB
// (as on Windows; in a 32-bit process of a WoW64 prefix, the 64-bit PEB): one
// entry per handle with a non-zero type while the object lives.
size_t GdiCountFromTable();
// The first GDI counter that follows ten brushes made and deleted, or null.
size_t (*FaithfulGdiCount())();
bool FollowsTenBrushes(size_t (*count)());

// Windows of this process: every top-level window, all their descendants and
// the message-only windows.
size_t OwnWindowCount();
// Menus of this process: each USER handle index asked with IsMenu. A handle
// whose upper word is 0 names its slot whatever the slot's generation, on
// Windows and in Wine alike, so every live menu answers exactly once.
size_t OwnMenuCount();
// USER objects the module makes: windows and menus.
inline size_t UserObjectCount() { return OwnWindowCount() + OwnMenuCount(); }
bool FollowsTenMenusAndWindows();

// Committed private memory from a walk of the address space (VirtualQuery):
// what the process has allocated, whatever of it is paged in.
size_t CommittedPrivateBytes();
// Bytes of the blocks in use in every heap of the process (HeapWalk), to the
// byte where pages only move by a heap's growth step. What Windows makes for
// a GDI object, a DC or a window comes from the process heap under Wine.
size_t HeapBytesInUse();
// True when HeapBytesInUse follows a hundred 64-byte blocks taken from the
// process heap and given back.
bool FollowsHeapBlocks();
// GetProcessMemoryInfo's PrivateUsage. Under Wine this is read from the
// kernel's resident anonymous pages, so it moves with paging as well.
size_t ReportedPrivateUsage();
