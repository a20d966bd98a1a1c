#pragma once
// The server's debug options in the registry section "Debug" (values "Trace", "Debug",
// "Timing", "Extended Debug", "Overwrite Dbg File" as "yes"/"no", "Trz_Level" as "0x%08x").

#include <cstdint>

// Reads every option into the switches (Debug is on whenever Trace is) and traces them.
void GetDbgOptions();
// Writes every option from the switches.
void SetDbgOptions();
// The trace level from "Trz_Level" (hexadecimal with 0x, octal with a leading 0, else
// decimal); 0 when missing. Returns whether the value was found.
bool GetRegistryDbgLevel();

// The debug switch, else the stored "Debug" value.
bool IsDbgEnabled();
