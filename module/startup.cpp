#include "module/display_state.h"

BOOL DllAttach(HINSTANCE instance, DWORD) { state.module_instance = instance; return TRUE; }
void DllDetach(bool) {}
void WINAPI StartModule() {}
void WINAPI StopModule() {}
