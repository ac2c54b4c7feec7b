// The library's entry point, reached through the C runtime's own start-up code.
#include "module/display_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH)
        DllDetach(reserved != nullptr);
    return DllAttach(instance, reason);
}
