#include "net/md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

namespace {

// Files held in memory; a reader may hand out fewer bytes than asked, or fail part-way.
class MemoryFiles : public FileSource {
  public:
    std::map<std::string, std::string> files;
    size_t chunk = 64;
    long fail_after_reads = -1;

    std::unique_ptr<FileReader> Open(const std::filesystem::path& path) override {
        auto it = files.find(path.string());
        if (it == files.end())
            return nullptr;
        return std::make_unique<Reader>(it->second, chunk, fail_after_reads);
    }

  private:
    class Reader : public FileReader {
      public:
        Reader(std::string data, size_t chunk, long fail_after)
            : data_(std::move(data)), chunk_(chunk), fail_after_(fail_after) {}
        std::optional<size_t> Read(uint8_t* out, size_t size) override {
            if (fail_after_ >= 0 && reads_++ >= fail_after_)
                return std::nullopt;
            const size_t n = std::min({size, chunk_, data_.size() - pos_});
            std::copy_n(data_.data() + pos_, n, out);
            pos_ += n;
            return n;
        }

      private:
        std::string data_;
        size_t chunk_;
        long fail_after_;
        long reads_ = 0;
        size_t pos_ = 0;
    };
};

const std::string k64 = "abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijkl";
const std::string k120 = "0123456789012345678901234567890123456789012345678901234567890123456789"
                         "01234567890123456789012345678901234567890123456789";

TEST(Md5, TextDigestsAsUppercaseHex) {
    EXPECT_EQ(Md5Text(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Md5Text("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Md5Text("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
    // Lengths around the padding boundaries.
    EXPECT_EQ(Md5Text(std::string(55, 'x')), "04364420E25C512FD958A70738AA8F72");
    EXPECT_EQ(Md5Text(std::string(56, 'x')), "668A72D5BA17F08E62DABCAFAD6DB14B");
    EXPECT_EQ(Md5Text(std::string(63, 'x')), "7DC2CA208106A2F703567BDFF99D8981");
    EXPECT_EQ(Md5Text(std::string(128, 'x')), "D69CB61A6EE87200676EB0D4B90EDBCB");
    EXPECT_EQ(Md5Text(k64), "A2EAF6295C32ADC403865FD96A2F182B");
    EXPECT_EQ(Md5Text(k120), "71877A6051C58E0E9246BABC177CA5F2");
    // A digest of a digest, as the library check makes it.
    EXPECT_EQ(Md5Text(Md5Text("abc")), "1CEB3E00BFA610E1C55453734A5C6B7E");
}

TEST(Md5, StreamingInPiecesEqualsOneUpdate) {
    std::string all;
    for (int i = 0; i < 768; ++i)
        all += static_cast<char>(i & 0xFF);
    Md5 md5;
    for (size_t pos = 0, step = 1; pos < all.size(); pos += step, step = step * 3 % 97 + 1)
        md5.Update(std::string_view(all).substr(pos, step));
    EXPECT_EQ(Md5Hex(md5.Finish()), "E6899EAAF06FD702F3ED3F988EB19362");
    EXPECT_EQ(Md5Hex(md5.Finish()), "D41D8CD98F00B204E9800998ECF8427E"); // starts afresh
}

TEST(Md5, FileDigestEqualsTextDigestOfTheSameBytes) {
    MemoryFiles files;
    files.files = {{"empty", ""}, {"64", k64}, {"120", k120}, {"abc", "abc"}};
    for (size_t chunk : {size_t{64}, size_t{1}, size_t{7}}) {
        files.chunk = chunk;
        for (const auto& [name, bytes] : files.files)
            EXPECT_EQ(Md5File(name, files), Md5Text(bytes)) << name << " chunk " << chunk;
    }
}

TEST(Md5, MissingOrFailingFileGivesNoDigest) {
    MemoryFiles files;
    files.files = {{"120", k120}};
    EXPECT_FALSE(Md5File("missing", files));
    files.fail_after_reads = 1; // the second record cannot be read
    EXPECT_FALSE(Md5File("120", files));
}

TEST(Md5, FilesOnDisk) {
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("wandrel_md5_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "120.bin";
    std::ofstream(path, std::ios::binary) << k120;
    EXPECT_EQ(Md5File(path), "71877A6051C58E0E9246BABC177CA5F2");
    EXPECT_FALSE(Md5File(dir / "absent.bin"));
    EXPECT_FALSE(Md5File(dir)); // a folder opens on some systems but cannot be read
    std::filesystem::remove_all(dir);
}

} // namespace
