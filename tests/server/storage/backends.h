#pragma once
// The storages the server's tests run against: each test gets an empty one of
// each kind. PostgreSQL is the server named by NEARBEAM_TEST_POSTGRES (a
// postgresql:// address; scripts/test-postgres starts a private one), with a
// schema of its own per test so that tests may run side by side.

#include "server/accounts/argon2_hasher.h"
#include "server/storage/memory_storage.h"
#include "server/storage/postgres_storage.h"
#include "server/storage/sqlite_storage.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sodium.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

namespace nearbeam::test {

enum class Backend { Memory, Sqlite, Postgres };

inline std::string backendName(const ::testing::TestParamInfo<Backend>& info) {
    return info.param == Backend::Memory   ? "Memory"
           : info.param == Backend::Sqlite ? "Sqlite"
                                           : "Postgres";
}

// Argon2id at its lowest cost: the same hashes, made quickly.
inline std::shared_ptr<const TokenHasher> testHasher() {
    return std::make_shared<Argon2Hasher>(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN);
}

// An empty storage of a kind, removed with the object. `error` says why there is
// none (for PostgreSQL: no server to test against is a failure, never a skip).
class TestStorage {
  public:
    explicit TestStorage(Backend backend) : backend_(backend) {}
    ~TestStorage() {
        storage_.reset();
        if (!schema_.empty())
            admin("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
    }

    // The storage (opened again after close()); null with the reason in error().
    Storage* get() {
        if (!storage_)
            storage_ = open();
        return storage_.get();
    }
    // Closes the storage, as a server that stops; get() opens it again.
    void close() { storage_.reset(); }
    const std::string& error() const { return error_; }
    const TempDir& folder() const { return dir_; }

  private:
    std::unique_ptr<Storage> open() {
        switch (backend_) {
        case Backend::Memory:
            return std::make_unique<MemoryStorage>(testHasher());
        case Backend::Sqlite:
            return SqlStorage::open(kSqlite, dir_.file("nearbeam.db"), testHasher(), error_);
        case Backend::Postgres:
            break;
        }
        const char* url = std::getenv("NEARBEAM_TEST_POSTGRES");
        if (!url || !*url) {
            error_ = "NEARBEAM_TEST_POSTGRES is not set: start a test server with "
                     "scripts/test-postgres";
            return nullptr;
        }
        if (schema_.empty()) {
            static std::atomic<int> counter{0};
            schema_ = "test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
            if (!admin("CREATE SCHEMA " + schema_))
                return nullptr;
        }
        const std::string base(url);
        return SqlStorage::open(kPostgres,
                                base + (base.find('?') == std::string::npos ? "?" : "&") +
                                    "options=-csearch_path%3D" + schema_,
                                testHasher(), error_);
    }

    bool admin(const std::string& sql) {
        PGconn* c = PQconnectdb(std::getenv("NEARBEAM_TEST_POSTGRES"));
        PGresult* r = PQexec(c, ("SET client_min_messages = warning; " + sql).c_str());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        if (!ok)
            error_ = PQerrorMessage(c);
        PQclear(r);
        PQfinish(c);
        return ok;
    }

    Backend backend_;
    TempDir dir_;
    std::string schema_;
    std::string error_;
    std::unique_ptr<Storage> storage_;
};

// A test over each storage: `storage` is ready (the test fails when it is not).
class StorageTest : public ::testing::TestWithParam<Backend> {
  protected:
    void SetUp() override { ASSERT_NE(store.get(), nullptr) << store.error(); }
    Storage& storage() { return *store.get(); }

    TestStorage store{GetParam()};
};

#define NEARBEAM_ON_EVERY_STORAGE(suite)                                                           \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        , suite, ::testing::Values(Backend::Memory, Backend::Sqlite, Backend::Postgres),           \
        backendName)

} // namespace nearbeam::test
