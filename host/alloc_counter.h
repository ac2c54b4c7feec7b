// Counting the heap allocations a loaded module makes, from outside: the
// module's import address table entries for the C runtime's and the kernel's
// allocation functions are pointed at counting wrappers that call the real
// function on. Everything the module's own code allocates (including what its
// statically linked C++ runtime allocates, which goes through the same
// imports) is counted; what Windows allocates inside its own functions is not.
//
// Header-only, so the benchmark program and the tests share it without
// joining a library. Single-threaded use, like the rest of the host.
#pragma once
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

struct AllocCounts {
    long allocations = 0;  // malloc, calloc, realloc, strdup and the Heap/Local/Global/Virtual allocators
    long frees = 0;        // free and the matching Heap/Local/Global/Virtual frees
};

namespace alloc_counter {

inline AllocCounts counts;

struct Patched {
    void** entry;    // the import address table entry
    void* original;  // what it held
    std::string name;
};
inline std::vector<Patched> patched;

// The real functions, as the first patched entry for each held them.
inline void* (*real_malloc)(size_t);
inline void* (*real_calloc)(size_t, size_t);
inline void* (*real_realloc)(void*, size_t);
inline void (*real_free)(void*);
inline char* (*real_strdup)(const char*);
inline LPVOID(WINAPI* real_heap_alloc)(HANDLE, DWORD, SIZE_T);
inline LPVOID(WINAPI* real_heap_realloc)(HANDLE, DWORD, LPVOID, SIZE_T);
inline BOOL(WINAPI* real_heap_free)(HANDLE, DWORD, LPVOID);
inline HLOCAL(WINAPI* real_local_alloc)(UINT, SIZE_T);
inline HLOCAL(WINAPI* real_local_realloc)(HLOCAL, SIZE_T, UINT);
inline HLOCAL(WINAPI* real_local_free)(HLOCAL);
inline HGLOBAL(WINAPI* real_global_alloc)(UINT, SIZE_T);
inline HGLOBAL(WINAPI* real_global_realloc)(HGLOBAL, SIZE_T, UINT);
inline HGLOBAL(WINAPI* real_global_free)(HGLOBAL);
inline LPVOID(WINAPI* real_virtual_alloc)(LPVOID, SIZE_T, DWORD, DWORD);
inline BOOL(WINAPI* real_virtual_free)(LPVOID, SIZE_T, DWORD);

inline void* CountedMalloc(size_t n) { ++counts.allocations; return real_malloc(n); }
inline void* CountedCalloc(size_t n, size_t s) { ++counts.allocations; return real_calloc(n, s); }
inline void* CountedRealloc(void* p, size_t n) { ++counts.allocations; return real_realloc(p, n); }
inline void CountedFree(void* p) { ++counts.frees; real_free(p); }
inline char* CountedStrdup(const char* s) { ++counts.allocations; return real_strdup(s); }
inline LPVOID WINAPI CountedHeapAlloc(HANDLE h, DWORD f, SIZE_T n)
{
    ++counts.allocations;
    return real_heap_alloc(h, f, n);
}
inline LPVOID WINAPI CountedHeapReAlloc(HANDLE h, DWORD f, LPVOID p, SIZE_T n)
{
    ++counts.allocations;
    return real_heap_realloc(h, f, p, n);
}
inline BOOL WINAPI CountedHeapFree(HANDLE h, DWORD f, LPVOID p) { ++counts.frees; return real_heap_free(h, f, p); }
inline HLOCAL WINAPI CountedLocalAlloc(UINT f, SIZE_T n) { ++counts.allocations; return real_local_alloc(f, n); }
inline HLOCAL WINAPI CountedLocalReAlloc(HLOCAL p, SIZE_T n, UINT f)
{
    ++counts.allocations;
    return real_local_realloc(p, n, f);
}
inline HLOCAL WINAPI CountedLocalFree(HLOCAL p) { ++counts.frees; return real_local_free(p); }
inline HGLOBAL WINAPI CountedGlobalAlloc(UINT f, SIZE_T n) { ++counts.allocations; return real_global_alloc(f, n); }
inline HGLOBAL WINAPI CountedGlobalReAlloc(HGLOBAL p, SIZE_T n, UINT f)
{
    ++counts.allocations;
    return real_global_realloc(p, n, f);
}
inline HGLOBAL WINAPI CountedGlobalFree(HGLOBAL p) { ++counts.frees; return real_global_free(p); }
inline LPVOID WINAPI CountedVirtualAlloc(LPVOID a, SIZE_T n, DWORD t, DWORD p)
{
    ++counts.allocations;
    return real_virtual_alloc(a, n, t, p);
}
inline BOOL WINAPI CountedVirtualFree(LPVOID a, SIZE_T n, DWORD t) { ++counts.frees; return real_virtual_free(a, n, t); }

struct Wrapper {
    const char* name;
    void* wrapper;
    void** real;
};

template <typename F>
Wrapper Wrap(const char* name, F wrapper, F* real)
{
    return {name, reinterpret_cast<void*>(wrapper), reinterpret_cast<void**>(real)};
}

inline const std::vector<Wrapper>& Wrappers()
{
    static const std::vector<Wrapper> list = {
        Wrap("malloc", &CountedMalloc, &real_malloc),
        Wrap("calloc", &CountedCalloc, &real_calloc),
        Wrap("realloc", &CountedRealloc, &real_realloc),
        Wrap("free", &CountedFree, &real_free),
        Wrap("_strdup", &CountedStrdup, &real_strdup),
        Wrap("strdup", &CountedStrdup, &real_strdup),
        Wrap("HeapAlloc", &CountedHeapAlloc, &real_heap_alloc),
        Wrap("HeapReAlloc", &CountedHeapReAlloc, &real_heap_realloc),
        Wrap("HeapFree", &CountedHeapFree, &real_heap_free),
        Wrap("LocalAlloc", &CountedLocalAlloc, &real_local_alloc),
        Wrap("LocalReAlloc", &CountedLocalReAlloc, &real_local_realloc),
        Wrap("LocalFree", &CountedLocalFree, &real_local_free),
        Wrap("GlobalAlloc", &CountedGlobalAlloc, &real_global_alloc),
        Wrap("GlobalReAlloc", &CountedGlobalReAlloc, &real_global_realloc),
        Wrap("GlobalFree", &CountedGlobalFree, &real_global_free),
        Wrap("VirtualAlloc", &CountedVirtualAlloc, &real_virtual_alloc),
        Wrap("VirtualFree", &CountedVirtualFree, &real_virtual_free),
    };
    return list;
}

inline bool Write(void** entry, void* value)
{
    DWORD old;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &old))
        return false;
    *entry = value;
    VirtualProtect(entry, sizeof *entry, old, &old);
    FlushInstructionCache(GetCurrentProcess(), entry, sizeof *entry);
    return true;
}

}  // namespace alloc_counter

// Points every allocation import of `module` (by name, through its import
// descriptors) at a counting wrapper. Returns how many entries were patched;
// their "DLL!function" names are added to `names` when given.
inline int CountAllocationsOf(HMODULE module, std::vector<std::string>* names = nullptr)
{
    using namespace alloc_counter;
    if (!module)
        return 0;
    auto base = reinterpret_cast<unsigned char*>(module);
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return 0;
    int count = 0;
    for (auto desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); desc->Name; ++desc) {
        // Without the name table (a bound image) the entries cannot be told apart by name.
        if (desc->OriginalFirstThunk == 0)
            continue;
        const char* dll = reinterpret_cast<const char*>(base + desc->Name);
        auto lookup = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->OriginalFirstThunk);
        auto iat = reinterpret_cast<IMAGE_THUNK_DATA*>(base + desc->FirstThunk);
        for (; lookup->u1.AddressOfData; ++lookup, ++iat) {
            if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal))
                continue;
            auto by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
            const char* fn = reinterpret_cast<const char*>(by_name->Name);
            for (const Wrapper& w : Wrappers()) {
                if (strcmp(fn, w.name) != 0)
                    continue;
                auto entry = reinterpret_cast<void**>(&iat->u1.Function);
                if (*entry == w.wrapper)
                    break;  // patched already
                if (*w.real == nullptr)
                    *w.real = *entry;
                void* original = *entry;
                if (Write(entry, w.wrapper)) {
                    patched.push_back({entry, original, std::string(dll) + "!" + fn});
                    if (names)
                        names->push_back(patched.back().name);
                    ++count;
                }
                break;
            }
        }
    }
    return count;
}

// Puts back every entry patched so far. Call it before the patched module is
// unloaded (its table goes with it).
inline void RestoreAllocationImports()
{
    using namespace alloc_counter;
    for (size_t i = patched.size(); i-- > 0;)
        Write(patched[i].entry, patched[i].original);
    patched.clear();
}

inline AllocCounts AllocationCounts() { return alloc_counter::counts; }
inline void ResetAllocationCounts() { alloc_counter::counts = AllocCounts{}; }
