// Links between the host's source files that are not part of its interface.
#pragma once
#include "host/sim_host.h"

void SimClearMainCommands();                      // windows.cpp
void SimForgetTick(SimTickRoutine tick);           // tables.cpp: drop without recording a call
int SimRestoreTableSlots(uintptr_t begin, uintptr_t end);   // tables.cpp: routine slots pointing into [begin, end)
int SimRestoreWindowProcs(uintptr_t begin, uintptr_t end);  // windows.cpp: host window procedures
