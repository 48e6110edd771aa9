#include "tests/driver/memory_search_win32.h"

#include "base/win32/unique_handle.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE |
                            PAGE_EXECUTE_WRITECOPY;

std::vector<uintptr_t> ReadAddresses(const std::wstring& file) {
    std::vector<uintptr_t> out;
    std::ifstream in{std::filesystem::path(file)};
    unsigned long long address = 0;
    while (in >> std::hex >> address)
        out.push_back(static_cast<uintptr_t>(address));
    return out;
}

bool WriteAddresses(const std::wstring& file, const std::vector<uintptr_t>& addresses) {
    std::ofstream out{std::filesystem::path(file), std::ios::trunc};
    for (uintptr_t a : addresses)
        out << std::hex << static_cast<unsigned long long>(a) << '\n';
    return static_cast<bool>(out);
}

bool ReadWord(HANDLE process, uintptr_t address, int32_t& word) {
    SIZE_T got = 0;
    return ::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(address), &word, sizeof word,
                               &got) &&
           got == sizeof word;
}

// Every aligned word equal to `value` in the committed, writable, unguarded regions.
std::vector<uintptr_t> SearchAll(HANDLE process, int32_t value) {
    std::vector<uintptr_t> found;
    std::vector<unsigned char> chunk(1 << 20);
    MEMORY_BASIC_INFORMATION region{};
    for (uintptr_t at = 0;
         ::VirtualQueryEx(process, reinterpret_cast<LPCVOID>(at), &region, sizeof region) ==
         sizeof region;
         at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize) {
        if (region.State != MEM_COMMIT || !(region.Protect & kWritable) ||
            (region.Protect & PAGE_GUARD))
            continue;
        const uintptr_t base = reinterpret_cast<uintptr_t>(region.BaseAddress);
        for (SIZE_T offset = 0; offset < region.RegionSize; offset += chunk.size()) {
            const SIZE_T want = std::min<SIZE_T>(chunk.size(), region.RegionSize - offset);
            SIZE_T got = 0;
            if (!::ReadProcessMemory(process, reinterpret_cast<LPCVOID>(base + offset),
                                     chunk.data(), want, &got))
                continue;
            for (SIZE_T i = 0; i + sizeof value <= got; i += sizeof value) {
                int32_t word;
                std::memcpy(&word, chunk.data() + i, sizeof word);
                if (word == value)
                    found.push_back(base + offset + i);
            }
        }
    }
    return found;
}

} // namespace

int MemoryFind(DWORD process_id, int32_t value, const std::wstring& file) {
    win32::UniqueHandleKernel process(
        ::OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, process_id));
    if (!process) {
        std::fprintf(stderr, "wandrel_drive: OpenProcess failed (error %lu)\n", ::GetLastError());
        return 1;
    }
    std::vector<uintptr_t> kept;
    if (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        kept = SearchAll(process.get(), value);
    } else {
        for (uintptr_t a : ReadAddresses(file)) {
            int32_t word;
            if (ReadWord(process.get(), a, word) && word == value)
                kept.push_back(a);
        }
    }
    if (!WriteAddresses(file, kept)) {
        std::fprintf(stderr, "wandrel_drive: the address file cannot be written\n");
        return 1;
    }
    std::printf("candidates=%zu\n", kept.size());
    return 0;
}

int MemoryWrite(DWORD process_id, int32_t value, const std::wstring& file) {
    win32::UniqueHandleKernel process(::OpenProcess(
        PROCESS_VM_WRITE | PROCESS_VM_OPERATION | PROCESS_QUERY_INFORMATION, FALSE, process_id));
    if (!process) {
        std::fprintf(stderr, "wandrel_drive: OpenProcess failed (error %lu)\n", ::GetLastError());
        return 1;
    }
    size_t written = 0;
    for (uintptr_t a : ReadAddresses(file)) {
        SIZE_T put = 0;
        if (::WriteProcessMemory(process.get(), reinterpret_cast<LPVOID>(a), &value, sizeof value,
                                 &put) &&
            put == sizeof value)
            ++written;
    }
    std::printf("written=%zu\n", written);
    return written > 0 ? 0 : 1;
}
