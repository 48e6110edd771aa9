// Shared helpers of the server tests: a temporary folder removed at the end, and a service
// on a fresh database.
#pragma once

#include "server/protocol_codec.h"
#include "server/sending_record.h"
#include "server/trekhold_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace trekhold::test {

// A program digest for the sending records of the tests.
inline const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

// The plain key after `prefix` of an "OK" answer, or "" when refused.
inline std::string KeyOf(const std::string& answer, size_t prefix) {
    if (answer.rfind("OK", 0) != 0 || answer.size() <= prefix)
        return "";
    std::string key = PlainKeyOf(answer.substr(prefix));
    return key.size() == 6 ? key : "";
}

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("trekhold-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A TrekholdService on a fresh database holding the account walker / secret1. A fixture that
// changes `config_` does so before calling SetUp, or calls Start again.
class ServiceFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        config_.db_path = dir_.File("t.db");
        config_.hash_cost = HashCost::kMinimum;
        Start();
        std::string problem;
        ASSERT_EQ(service_->SignUp("walker", "secret1", problem), SignUpResult::kCreated);
    }
    void Start() {
        service_.reset();
        service_ = std::make_unique<TrekholdService>(config_);
    }
    static std::string Login(const std::string& password = "secret1") {
        return EncipherPayload("walker'" + password);
    }
    // The plain key issued to `nick`, or "" when refused.
    std::string RequestKey(const std::string& nick = "walker") {
        return KeyOf(service_->RequestKey(EncipherPayload(nick + "'secret1")), 3);
    }
    static std::string Record(const std::string& key, const Counts& counts, int64_t version = 35,
                              const std::string& password = "secret1",
                              const std::string& nick = "walker",
                              const std::string& digest = kDigest) {
        return FormatSendingRecord(version, nick, password, key, counts, "C293A4B5", digest);
    }
    std::string Send(const std::string& key, const Counts& counts, int64_t version = 35,
                     const std::string& password = "secret1", const std::string& nick = "walker",
                     const std::string& digest = kDigest) {
        return Send(Record(key, counts, version, password, nick, digest));
    }
    std::string Send(const std::string& record) { return service_->Send(EncipherPayload(record)); }
    std::string Totals() { return service_->CheckData(Login()); }

    TempDir dir_;
    ServiceConfig config_;
    std::unique_ptr<TrekholdService> service_;
};

} // namespace trekhold::test
