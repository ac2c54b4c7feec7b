#include "core/hook_chain.h"
#include "core/display_state.h"

LRESULT CountedWindowCall(WindowHandler handler, HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    ++state.calls_in_progress;
    const LRESULT result = handler(window, message, wparam, lparam);
    --state.calls_in_progress;
    return result;
}
