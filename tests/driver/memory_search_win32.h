// What a cheating tool does to a running client: it searches the process's writable memory
// for a 32-bit value, narrows the addresses found down as the value changes, and writes
// another value there. The addresses are kept in a text file between runs of the driver.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// First search (no file yet): every aligned 32-bit word equal to `value` in the committed
// writable memory of `process`. Later searches keep only the addresses of the file that hold
// `value` now. Prints "candidates=N"; 0 on success, 1 when the process cannot be read.
int MemoryFind(DWORD process_id, int32_t value, const std::wstring& file);

// Writes `value` at every address of the file. Prints "written=N"; 1 when nothing was
// written.
int MemoryWrite(DWORD process_id, int32_t value, const std::wstring& file);
