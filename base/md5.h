// MD5 message digests (RFC 1321) of texts and files, as 32 uppercase hexadecimal digits:
// the digest bytes in RFC order (each state word least significant byte first, words A, B,
// C, D), two digits per byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The digest computed block by block.
class Md5 {
  public:
    Md5();
    void Update(const uint8_t* data, size_t size);
    void Update(std::string_view bytes);
    // Pads, finishes and returns the 16 digest bytes; the object then starts afresh.
    std::array<uint8_t, 16> Finish();

  private:
    void Reset();
    void Compress(const uint8_t* block);

    std::array<uint32_t, 4> state_;
    uint64_t length_ = 0; // bytes so far
    std::array<uint8_t, 64> buffer_;
};

// "D41D8CD9..." from the 16 digest bytes.
std::string Md5Hex(const std::array<uint8_t, 16>& digest);

// Digest of a text: each character is one byte (texts are code page 1252 bytes).
std::string Md5Text(std::string_view bytes);

// Reading a file from its start, so the file digest can be tested without a disk.
class FileReader {
  public:
    virtual ~FileReader() = default;
    // Fills up to `size` bytes; returns the count, 0 at the end of the file, or nothing when
    // reading failed.
    virtual std::optional<size_t> Read(uint8_t* data, size_t size) = 0;
};

class FileSource {
  public:
    virtual ~FileSource() = default;
    // Opens the file for binary reading; null when it is missing or cannot be opened.
    virtual std::unique_ptr<FileReader> Open(const std::filesystem::path& path) = 0;
};

// Files on disk (std::ifstream, wide paths on Windows).
class DiskFileSource : public FileSource {
  public:
    std::unique_ptr<FileReader> Open(const std::filesystem::path& path) override;
};

// Digest of a file, read in 64-byte records from its start; equals the text digest of the
// same bytes. Nothing when the file is missing, cannot be opened or fails while being read:
// never a digest of part of a file. The file is closed before this returns.
std::optional<std::string> Md5File(const std::filesystem::path& path, FileSource& files);
std::optional<std::string> Md5File(const std::filesystem::path& path);
