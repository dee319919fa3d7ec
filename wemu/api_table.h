// The emulated interface by name: code not linked against the emulation (loaded modules)
// finds its functions here. Thread-safe.
#pragma once

// The function of that name (case-sensitive), or null for an unknown name or no name.
void* WEMU_APILookup(const char* name);
// Number of entries in the table.
int WEMU_APITableSize();
// The name of entry i in sorted order, or null (tests walk the table with it).
const char* WEMU_APITableName(int i);
