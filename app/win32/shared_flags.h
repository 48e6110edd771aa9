// The two one-byte flags shared with the hook library zeptal.dll through named shared memory
// backed by the paging file: ZPSHMF (discard flag: the library raises it, the client clears
// it) and ZPSHMFUSE (use flag: the client writes 1 when it saw input this minute).
#pragma once

#include "base/win32/unique_handle.h"

#include <cstdint>

namespace win32 {

inline constexpr char kDiscardFlagName[] = "ZPSHMF";
inline constexpr char kUseFlagName[] = "ZPSHMFUSE";

// Byte 0 of one named block.
class SharedByte {
  public:
    // Joins the block or creates it with one byte, then maps a view of that byte. False (with
    // error()) when the block cannot be opened. A view that fails to map is not an error:
    // reads then give 0 and writes go nowhere.
    bool Open(const char* name);
    // The view first, then the handle.
    void Close() noexcept;

    bool is_open() const noexcept { return static_cast<bool>(mapping_); }
    bool is_mapped() const noexcept { return static_cast<bool>(view_); }
    DWORD error() const noexcept { return error_; }

    uint8_t Read() const noexcept;
    void Write(uint8_t value) noexcept;

  private:
    UniqueHandleKernel mapping_; // declared first: destroyed after the view
    UniqueMappedView view_;
    DWORD error_ = 0;
};

// Both flags, opened and closed in their fixed order.
class HookLibraryFlags {
  public:
    enum class OpenResult {
        Ok,
        DiscardFlagFailed, // "Loading error n°1a"
        UseFlagFailed,     // "Loading error n°1b"
    };

    HookLibraryFlags() = default;
    ~HookLibraryFlags() { Close(); }
    HookLibraryFlags(const HookLibraryFlags&) = delete;
    HookLibraryFlags& operator=(const HookLibraryFlags&) = delete;

    // ZPSHMF, then ZPSHMFUSE.
    OpenResult Open();
    // ZPSHMF first, then ZPSHMFUSE, each view before its handle.
    void Close() noexcept;

    SharedByte& discard() noexcept { return discard_; } // ZPSHMF
    SharedByte& use() noexcept { return use_; }         // ZPSHMFUSE

  private:
    SharedByte discard_;
    SharedByte use_;
};

} // namespace win32
