// Loading a module the way the simulator does: find its two exported records,
// fill the table list, call its start and stop routines.
#include "host/host_internal.h"

namespace {

// How long a copy of a module's file is kept from the sweep (one hour).
constexpr uint64_t CopyKeptFor100ns = 3600ull * 10000000ull;

uint64_t FileTimeValue(FILETIME time)
{
    return static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

HMODULE module;
uintptr_t* linkage;
uintptr_t* import_table;
int stale_at_unload;
struct Image {
    uintptr_t begin, end;
};
std::vector<Image> gone;  // address ranges of modules the host unloaded

Image ImageOf(HMODULE m)
{
    auto base = reinterpret_cast<const unsigned char*>(m);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    uintptr_t begin = reinterpret_cast<uintptr_t>(base);
    return {begin, begin + nt->OptionalHeader.SizeOfImage};
}

}  // namespace

HMODULE SimLoadModule(const char* dll_path, const std::vector<uint32_t>& offered)
{
    if (module)
        SimUnloadModule();
    module = dll_path ? LoadLibraryA(dll_path) : nullptr;
    if (!module)
        return nullptr;
    Image now = ImageOf(module);
    for (size_t i = gone.size(); i-- > 0;)
        if (gone[i].begin < now.end && now.begin < gone[i].end)
            gone.erase(gone.begin() + i);
    linkage = reinterpret_cast<uintptr_t*>(GetProcAddress(module, "Linkage"));
    import_table = reinterpret_cast<uintptr_t*>(GetProcAddress(module, "ImportTable"));
    SimFillImportTable(import_table, offered);
    return module;
}

HMODULE SimLoadModule(const char* dll_path)
{
    return SimLoadModule(dll_path, std::vector<uint32_t>(SimTableIds, SimTableIds + SimTableCount));
}

uintptr_t* SimLinkage() { return linkage; }
uintptr_t* SimImportTable() { return import_table; }

uintptr_t SimLinkageWord(int index)
{
    return linkage && index >= 0 && index < 8 ? linkage[index] : 0;
}

bool SimStartModule()
{
    SimModuleRoutine start = reinterpret_cast<SimModuleRoutine>(SimLinkageWord(1));
    if (start)
        start();
    return start != nullptr;
}

bool SimStopModule()
{
    SimModuleRoutine stop = reinterpret_cast<SimModuleRoutine>(SimLinkageWord(2));
    if (stop)
        stop();
    return stop != nullptr;
}

int32_t SimCallShowMessage(const char* text, int32_t time, bool* called)
{
    SimShowMessageRoutine show = reinterpret_cast<SimShowMessageRoutine>(SimLinkageWord(7));
    if (called)
        *called = show != nullptr;
    return show ? show(text, time) : 0;
}

bool SimUnloadModule()
{
    if (!module)
        return false;
    // The module's routines vanish with it. A module that is unloaded while
    // the host runs on must put back what it replaced; whatever of the host
    // still leads into the freed image afterwards (tick registrations, table
    // slots, window procedures) is repaired here before the host runs again,
    // and counted, so a test can tell a tidy module from an untidy one.
    Image image = ImageOf(module);
    BOOL freed = FreeLibrary(module);
    stale_at_unload = 0;
    HMODULE still = nullptr;
    const bool mapped =
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(image.begin), &still) != 0;
    module = nullptr;
    linkage = nullptr;
    import_table = nullptr;
    // A module that keeps itself loaded is not gone: its routines still run.
    if (mapped)
        return freed != 0;
    gone.push_back(image);
    for (SimTickRoutine tick : SimRegisteredTicks()) {
        auto address = reinterpret_cast<uintptr_t>(tick);
        if (address >= image.begin && address < image.end) {
            SimForgetTick(tick);
            ++stale_at_unload;
        }
    }
    stale_at_unload += SimRestoreTableSlots(image.begin, image.end);
    stale_at_unload += SimRestoreWindowProcs(image.begin, image.end);
    return freed != 0;
}

int SimStaleAtUnload() { return stale_at_unload; }

bool SimAddressInGoneModule(uintptr_t address)
{
    for (const Image& image : gone)
        if (address >= image.begin && address < image.end)
            return true;
    return false;
}

std::string SimFreshCopy(const char* dll_path)
{
    std::string source = dll_path ? dll_path : "";
    if (source.find_first_of("\\/") == std::string::npos)
        source = SimExeFolder() + "\\" + source;
    const size_t slash = source.find_last_of("\\/");
    const size_t dot = source.find_last_of('.');
    const std::string folder = source.substr(0, slash + 1);
    const std::string stem = source.substr(slash + 1, dot != std::string::npos && dot > slash ? dot - slash - 1 : std::string::npos);
    FILETIME now_time;
    GetSystemTimeAsFileTime(&now_time);
    static bool swept = false;
    if (!swept) {
        // Copies that earlier processes left: those still mapped somewhere
        // stay, and so do those made within the last hour. A program running
        // beside this one in another slot has a wineserver of its own, whose
        // processes this one cannot see: it may have freed its copy and be
        // about to load it again by name.
        swept = true;
        const uint64_t now = FileTimeValue(now_time);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + stem + "-sim-*.dll").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                if (now - FileTimeValue(found.ftLastWriteTime) > CopyKeptFor100ns)
                    DeleteFileA((folder + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    static int made = 0;
    const std::string copy = folder + stem + "-sim-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++made) + ".dll";
    if (!CopyFileA(source.c_str(), copy.c_str(), FALSE))
        return std::string();
    // A copy keeps its source's time: it is stamped with its own making.
    HANDLE file = CreateFileA(copy.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        SetFileTime(file, nullptr, nullptr, &now_time);
        CloseHandle(file);
    }
    return copy;
}

std::string SimExeFolder()
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string(".") : folder.substr(0, cut);
}
