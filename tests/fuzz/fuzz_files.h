#pragma once
// Files for the fuzz targets: one temporary folder per fuzzing process, and whole
// files written and read back as bytes.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace nearbeam::fuzz {

// A fresh folder, made on first use and removed when the process ends, ending in
// "/". In memory where the system offers it: the targets write files on every run.
inline const std::string& folder() {
    static const std::string path = [] {
        char inMemory[] = "/dev/shm/nearbeam-fuzz-XXXXXX";
        char onDisk[] = "/tmp/nearbeam-fuzz-XXXXXX";
        const char* made = mkdtemp(inMemory);
        if (!made)
            made = mkdtemp(onDisk);
        if (!made)
            std::abort();
        return std::string(made) + "/";
    }();
    static const bool cleanup = std::atexit([] { std::filesystem::remove_all(path); }) == 0;
    (void)cleanup;
    return path;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::string readFile(const std::string& path) {
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char block[4096];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.append(block, got);
    std::fclose(f);
    return bytes;
}

// Stops the run, so libFuzzer keeps the input, when an invariant does not hold;
// says which one.
inline void check(bool holds, int line = __builtin_LINE()) {
    if (holds)
        return;
    std::fprintf(stderr, "invariant at line %d does not hold\n", line);
    std::abort();
}

} // namespace nearbeam::fuzz
