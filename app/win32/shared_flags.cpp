#include "app/win32/shared_flags.h"

namespace win32 {

namespace {

constexpr DWORD kFullAccess = 0xF001F; // FILE_MAP_ALL_ACCESS

} // namespace

bool SharedByte::Open(const char* name) {
    Close();
    // Backed by the paging file, default security, read-write, one byte.
    mapping_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 1, name));
    if (!mapping_) {
        error_ = GetLastError();
        return false;
    }
    view_.reset(MapViewOfFile(mapping_.get(), kFullAccess, 0, 0, 1));
    error_ = view_ ? 0 : GetLastError();
    return true;
}

void SharedByte::Close() noexcept {
    view_.reset();
    mapping_.reset();
}

uint8_t SharedByte::Read() const noexcept {
    // Another process writes this byte at any time: always read it afresh.
    return view_ ? *static_cast<volatile const uint8_t*>(view_.get()) : 0;
}

void SharedByte::Write(uint8_t value) noexcept {
    if (view_)
        *static_cast<volatile uint8_t*>(view_.get()) = value;
}

HookLibraryFlags::OpenResult HookLibraryFlags::Open() {
    if (!discard_.Open(kDiscardFlagName))
        return OpenResult::DiscardFlagFailed;
    if (!use_.Open(kUseFlagName))
        return OpenResult::UseFlagFailed;
    return OpenResult::Ok;
}

void HookLibraryFlags::Close() noexcept {
    discard_.Close();
    use_.Close();
}

} // namespace win32
