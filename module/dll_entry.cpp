// The library's entry point, reached through the C runtime's own start-up code.
#include "module/display_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    // A non-null `reserved` at detach means the whole process is ending, not
    // just this library being freed.
    if (reason == DLL_PROCESS_DETACH)
        DllDetach(reserved != nullptr);
    return DllAttach(instance, reason);
}
