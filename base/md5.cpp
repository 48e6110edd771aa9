#include "base/md5.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {

// Per-round shift amounts and the sine-derived constants of RFC 1321.
constexpr uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

uint32_t RotateLeft(uint32_t x, uint32_t n) {
    return (x << n) | (x >> (32 - n));
}

uint32_t LoadLittleEndian(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

class StreamFileReader : public FileReader {
  public:
    explicit StreamFileReader(std::ifstream stream) : stream_(std::move(stream)) {}
    std::optional<size_t> Read(uint8_t* data, size_t size) override {
        stream_.read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(size));
        if (stream_.bad())
            return std::nullopt;
        return static_cast<size_t>(stream_.gcount());
    }

  private:
    std::ifstream stream_;
};

} // namespace

Md5::Md5() {
    Reset();
}

void Md5::Reset() {
    state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    length_ = 0;
    buffer_.fill(0);
}

void Md5::Compress(const uint8_t* block) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = LoadLittleEndian(block + 4 * i);

    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t rotated = RotateLeft(a + f + kSine[i] + m[g], kShift[i]);
        a = d;
        d = c;
        c = b;
        b = b + rotated;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::Update(const uint8_t* data, size_t size) {
    size_t used = static_cast<size_t>(length_ % 64);
    length_ += size;
    if (used > 0) {
        const size_t take = std::min(size, 64 - used);
        std::memcpy(buffer_.data() + used, data, take);
        data += take;
        size -= take;
        used += take;
        if (used < 64)
            return;
        Compress(buffer_.data());
    }
    for (; size >= 64; data += 64, size -= 64)
        Compress(data);
    if (size > 0)
        std::memcpy(buffer_.data(), data, size);
}

void Md5::Update(std::string_view bytes) {
    Update(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::array<uint8_t, 16> Md5::Finish() {
    const uint64_t bit_length = length_ * 8;
    // One 0x80 byte, zeros up to 56 modulo 64, then the length in bits, low byte first.
    const size_t used = static_cast<size_t>(length_ % 64);
    const size_t padding = (used < 56 ? 56 - used : 120 - used);
    uint8_t tail[72] = {0x80};
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<uint8_t>(bit_length >> (8 * i));
    Update(tail, padding + 8);

    std::array<uint8_t, 16> digest;
    for (int w = 0; w < 4; ++w)
        for (int i = 0; i < 4; ++i)
            digest[4 * w + i] = static_cast<uint8_t>(state_[w] >> (8 * i));
    Reset();
    return digest;
}

std::string Md5Hex(const std::array<uint8_t, 16>& digest) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    for (uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string Md5Text(std::string_view bytes) {
    Md5 md5;
    md5.Update(bytes);
    return Md5Hex(md5.Finish());
}

std::unique_ptr<FileReader> DiskFileSource::Open(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open())
        return nullptr;
    return std::make_unique<StreamFileReader>(std::move(stream));
}

std::optional<std::string> Md5File(const std::filesystem::path& path, FileSource& files) {
    Md5 md5;
    {
        std::unique_ptr<FileReader> file = files.Open(path);
        if (!file)
            return std::nullopt;
        uint8_t record[64];
        for (;;) {
            const std::optional<size_t> got = file->Read(record, sizeof record);
            if (!got || *got > sizeof record)
                return std::nullopt;
            if (*got == 0)
                break;
            md5.Update(record, *got);
        }
    } // the file is closed here, before the result exists
    return Md5Hex(md5.Finish());
}

std::optional<std::string> Md5File(const std::filesystem::path& path) {
    DiskFileSource disk;
    return Md5File(path, disk);
}
