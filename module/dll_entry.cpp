// The library's entry point. The product links no C runtime: the loader calls
// this directly (-Wl,--entry), so attach and detach are all it may rely on.
// The test builds reach it through their runtime's start-up code.
#include "module/startup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    // A non-null `reserved` at detach means the whole process is ending, not
    // just this library being freed.
    if (reason == DLL_PROCESS_DETACH)
        DllDetach(reserved != nullptr);
    return DllAttach(instance, reason);
}
