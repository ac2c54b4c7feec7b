#include "module/display_state.h"

HWND FindPanelAt(int32_t, int32_t) { return nullptr; }
void AttachDisplay(HWND, HWND, int32_t, int32_t, int) {}
void RetryAttachment() {}
void DetachPanel() {}
