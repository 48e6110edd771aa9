#include "base/md5.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

// One file held in memory, handed out `chunk` bytes at a time; reading fails after
// `fail_after` reads when that is not negative.
struct MemoryFile : FileSource {
    std::string data;
    size_t chunk = 64;
    int fail_after = -1;

    struct Reader : FileReader {
        explicit Reader(const MemoryFile& f) : file(f) {}
        std::optional<size_t> Read(uint8_t* out, size_t size) override {
            if (file.fail_after >= 0 && reads++ >= file.fail_after)
                return std::nullopt;
            const size_t n = std::min({size, file.chunk, file.data.size() - pos});
            std::copy_n(file.data.data() + pos, n, out);
            pos += n;
            return n;
        }
        const MemoryFile& file;
        size_t pos = 0;
        int reads = 0;
    };
    std::unique_ptr<FileReader> Open(const std::filesystem::path& path) override {
        return path == "present" ? std::make_unique<Reader>(*this) : nullptr;
    }
};

const std::string k120("012345678901234567890123456789012345678901234567890123456789"
                       "012345678901234567890123456789012345678901234567890123456789");
const char* const k120Digest = "71877A6051C58E0E9246BABC177CA5F2";

TEST(Md5, TextDigestsAsUppercaseHexAcrossPaddingBoundaries) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {std::string(55, 'x'), "04364420E25C512FD958A70738AA8F72"},
        {std::string(56, 'x'), "668A72D5BA17F08E62DABCAFAD6DB14B"},
        {std::string(63, 'x'), "7DC2CA208106A2F703567BDFF99D8981"},
        {std::string(64, 'x'), "C1BB4F81D892B2D57947682AEB252456"},
        {std::string(128, 'x'), "D69CB61A6EE87200676EB0D4B90EDBCB"},
        {k120, k120Digest},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(Md5Text(text), digest) << text.size();

    // Fed in uneven pieces, then started afresh.
    Md5 md5;
    for (size_t pos = 0, step = 1; pos < k120.size(); pos += step, step = step * 3 % 37 + 1)
        md5.Update(std::string_view(k120).substr(pos, step));
    EXPECT_EQ(Md5Hex(md5.Finish()), k120Digest);
    EXPECT_EQ(Md5Hex(md5.Finish()), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(Md5, FileDigestEqualsTextDigestOrIsMissing) {
    MemoryFile file;
    for (const std::string& bytes :
         {std::string(), std::string("abc"), std::string(64, 'x'), k120}) {
        file.data = bytes;
        for (size_t chunk : {64, 1, 7}) {
            file.chunk = chunk;
            EXPECT_EQ(Md5File("present", file), Md5Text(bytes)) << bytes.size() << "/" << chunk;
        }
    }
    EXPECT_FALSE(Md5File("absent", file));
    file.fail_after = 1; // the second record cannot be read: no digest of a part
    EXPECT_FALSE(Md5File("present", file));

    const auto dir =
        std::filesystem::temp_directory_path() /
        ("wandrel_md5_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "120.bin", std::ios::binary) << k120;
    EXPECT_EQ(Md5File(dir / "120.bin"), k120Digest);
    EXPECT_FALSE(Md5File(dir / "absent.bin"));
    EXPECT_FALSE(Md5File(dir)); // a folder opens on some systems but cannot be read
    std::filesystem::remove_all(dir);
}

} // namespace
