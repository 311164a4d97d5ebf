// A second start while Nearbeam runs for the same user hands over to the running
// copy and touches no data file.

#include "app_program.h"

#include <filesystem>
#include <map>

namespace nearbeam::test {
namespace {

struct Ended {
    long code = -1; // -1: still running after the wait
    std::string error;
};

// Starts nearbeam.exe of the folder with the arguments and waits for it to end,
// reading what it writes to standard error.
Ended runSecond(const Program& program, const std::wstring& arguments, DWORD waitMs = 30000) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    Ended ended;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return ended;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const std::wstring folder = std::filesystem::path(program.file("")).wstring();
    std::wstring command = L"\"" + folder + L"nearbeam.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info{};
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        folder.c_str(), &startup, &info);
    CloseHandle(writeEnd);
    if (started) {
        if (WaitForSingleObject(info.hProcess, waitMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(info.hProcess, &code);
            ended.code = static_cast<long>(code);
            char buffer[256];
            DWORD got = 0;
            while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
                ended.error.append(buffer, got);
        } else {
            TerminateProcess(info.hProcess, 99);
        }
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readEnd);
    return ended;
}

std::map<std::string, std::string> dataFiles(const Program& program) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(program.file("data")))
        files[entry.path().filename().string()] =
            program.read("data/" + entry.path().filename().string());
    return files;
}

class SecondStart : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProfile();
        program.data("city.txt", "3\t0\tBergen\t0\n");
        program.data("building.txt", "10\t0\t3\tLibrary\tMain St 1\t0\n");
        program.data("ap.txt", "0011223344a1\t10\t0\t2\tDesk\t0\n");
        program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2412000 infra open \"Library\"\n");
        ASSERT_TRUE(program.start());
        ASSERT_NE(program.window(), nullptr);
        ASSERT_TRUE(program.waitForTicks(1));
    }
    Program program;
};

TEST_F(SecondStart, HandsOverToTheRunningCopyWithoutTouchingItsFiles) {
    const auto before = dataFiles(program);
    const Ended second = runSecond(program, L"");
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(dataFiles(program), before);
    EXPECT_EQ(program.waitForExit(0), -1); // the first runs on
    int mainWindows = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"NEARBEAM", L"802.11 Scanner"));)
        ++mainWindows;
    EXPECT_EQ(mainWindows, 1);
    // The running copy answers "Where am I?".
    EXPECT_TRUE(Program::waitUntil([] { return FindWindowW(L"dlgLocation", L"You Are Here"); }));
}

TEST_F(SecondStart, WithATraceExitsWithOneAndSaysWhy) {
    const Ended second = runSecond(program, L"--trace second.txt");
    EXPECT_EQ(second.code, 1);
    EXPECT_EQ(second.error, "Nearbeam is already running.\n");
    EXPECT_FALSE(program.exists("second.txt"));
    EXPECT_EQ(program.waitForExit(0), -1);
}

} // namespace
} // namespace nearbeam::test
