#pragma once
// A database over a fresh data folder and an in-memory settings store.

#include "base/memory_settings_store.h"
#include "locate/location_database.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam::test {

class LocationDatabaseFixture : public ::testing::Test {
  protected:
    LocationDatabaseFixture() { db.openDatabase(dir.folder()); }

    static BssidKey key(const char* digits) { return *BssidKey::fromText(digits); }

    TempDir dir;
    MemorySettingsStore settings;
    LocationDatabase db{settings};
};

} // namespace nearbeam::test
