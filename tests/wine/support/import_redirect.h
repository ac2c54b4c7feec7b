// Points one of this program's own import slots at a routine of the test's:
// the module's code linked into a white-box test calls system routines
// through these slots, so a test can stand between the module and, say, the
// common dialogs.
#pragma once
#include <windows.h>

// The import slot of `function` from `dll` in `module` (null: the program
// itself), or null.
void** ImportSlot(const char* dll, const char* function, HMODULE module = nullptr);

// Writes `replacement` into the slot and returns what it held before (the
// real routine), or null when the slot isn't there. A slot that already holds
// `replacement` is left alone and null returned; `*real` is then kept.
void* RedirectImport(const char* dll, const char* function, void* replacement, HMODULE module = nullptr);

template <typename Routine>
bool Redirect(const char* dll, const char* function, Routine replacement, Routine* real)
{
    void** slot = ImportSlot(dll, function);
    if (slot == nullptr)
        return false;
    if (*slot == reinterpret_cast<void*>(replacement))
        return true;
    *real = reinterpret_cast<Routine>(RedirectImport(dll, function, reinterpret_cast<void*>(replacement)));
    return *real != nullptr;
}
