#pragma once
// The records the location server's tests start from, and a look at what a
// storage holds.

#include "server/storage/folder_io.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace nearbeam::test {

// What the server knows: one access point in a building in Bergen, and services
// at several levels.
inline void writeServerRecords(const TempDir& dir) {
    dir.write("country.txt", "7\tNorway\t0\r\n");
    dir.write("province.txt", "12\t7\tVestland\t0\r\n");
    dir.write("city.txt", "20\t12\tBergen\t0\r\n");
    dir.write("area.txt", "25\t20\tCentre\t0\r\n");
    dir.write("building.txt", "31\t25\t20\tLibrary\tMain St 1\t0\r\n");
    dir.write("network.txt", "3\tCity net\t0\r\n");
    dir.write("ap.txt", "001122334455\t31\t3\t2\tReading room\t0\r\n");
    dir.write("services.txt", "1\t0\t0\thttp://everywhere/{bssid}\tEverywhere\t0\r\n"
                              "2\t20\t4\thttp://bergen/\tBergen guide\t0\r\n"
                              "3\t99\t4\thttp://oslo/\tOslo guide\t0\r\n");
}

// A file of the storage's records as an export writes it.
inline std::string storedFile(Storage& storage, const std::string& name) {
    TempDir out;
    std::string error;
    EXPECT_TRUE(exportFolder(storage, out.folder(), error)) << error;
    return out.read(name);
}

} // namespace nearbeam::test
