// Links between the host's source files that are not part of its interface.
#pragma once
#include "host/sim_host.h"

void SimClearMainCommands();                      // windows.cpp
void SimForgetTick(SimTickRoutine tick);           // tables.cpp: drop without recording a call
int SimRestoreTableSlots(HMODULE module);          // tables.cpp: routine slots pointing into module
int SimRestoreWindowProcs(HMODULE module);         // windows.cpp: host window procedures
bool SimAddressIn(const void* address, HMODULE module);  // loader.cpp
bool SimAddressInGoneModule(uintptr_t address);         // loader.cpp: inside a module the host unloaded
