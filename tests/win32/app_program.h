#pragma once
// Runs nearbeam.exe from a temporary folder, as a user would: the program, a
// data folder, a scenario for the simulated adapter and a trace file. The test
// drives ticks by posting WM_TIMER to the main window and reads the trace.

#include "support/temp_dir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace nearbeam::test {

// One trace line without its time field.
using TraceLine = std::vector<std::string>;

inline std::filesystem::path builtProgram() {
    std::string dir = NEARBEAM_BINARY_DIR;
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir; // a Unix path under Wine
    return std::filesystem::path(dir) / "nearbeam.exe";
}

// A fresh profile with a fixed calibration (quality = (signal + 90) * 100 / 60)
// and a location server nobody answers at.
inline void freshProfile() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam");
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\WiFi", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
        DWORD min = static_cast<DWORD>(-90), max = static_cast<DWORD>(-30);
        RegSetValueExW(key, L"RssiMin", 0, REG_DWORD, reinterpret_cast<BYTE*>(&min), 4);
        RegSetValueExW(key, L"RssiMax", 0, REG_DWORD, reinterpret_cast<BYTE*>(&max), 4);
        RegCloseKey(key);
    }
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\APDB", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const wchar_t server[] = L"127.0.0.1:9";
        RegSetValueExW(key, L"Server", 0, REG_SZ, reinterpret_cast<const BYTE*>(server),
                       sizeof server);
        RegCloseKey(key);
    }
}

class Program {
  public:
    Program() {
        std::filesystem::copy_file(builtProgram(), dir_.path() / "nearbeam.exe");
        std::filesystem::create_directories(dir_.path() / "data");
    }
    ~Program() {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_, 99);
                WaitForSingleObject(process_, 5000);
            }
            CloseHandle(process_);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // A file of the data folder, written with CR LF line ends as the program writes.
    void data(const std::string& name, const std::string& lines) {
        std::string text;
        for (char c : lines) {
            if (c == '\n')
                text += '\r';
            text += c;
        }
        dir_.write("data/" + name, text);
    }
    void scenario(const std::string& text) { dir_.write("walk.txt", text); }
    std::string file(const std::string& name) const { return dir_.file(name); }
    std::string read(const std::string& name) const { return dir_.read(name); }
    bool exists(const std::string& name) const { return dir_.exists(name); }

    // Starts the program with the scenario and the trace; true when it runs.
    bool start(const std::wstring& extra = L"") {
        const std::wstring folder = dir_.path().wstring();
        std::wstring command = L"\"" + folder + L"\\nearbeam.exe\" --simulate \"" + folder +
                               L"\\walk.txt\" --trace \"" + folder + L"\\trace.txt\"" + extra;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            folder.c_str(), &startup, &info)) {
            return false;
        }
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        processId_ = info.dwProcessId;
        return true;
    }

    // The program's main window, found by class and title as other programs find it.
    HWND window() {
        waitUntil([&] {
            HWND found = nullptr;
            while ((found = FindWindowExW(nullptr, found, L"NEARBEAM", L"802.11 Scanner"))) {
                DWORD pid = 0;
                GetWindowThreadProcessId(found, &pid);
                if (pid == processId_)
                    window_ = found;
            }
            return window_ != nullptr;
        });
        return window_;
    }

    // A top-level window of another class of this process (a message box).
    HWND dialog() {
        HWND shown = nullptr;
        waitUntil([&] {
            HWND found = nullptr;
            while ((found = FindWindowExW(nullptr, found, L"#32770", nullptr))) {
                DWORD pid = 0;
                GetWindowThreadProcessId(found, &pid);
                // A message box is shown once its texts are in place.
                if (pid == processId_ && IsWindowVisible(found))
                    shown = found;
            }
            return shown != nullptr;
        });
        return shown;
    }

    // Waits for the trace to hold count tick lines, and for the last tick to be
    // over: its tooltip and alert lines come after its tick line.
    bool waitForTicks(size_t count) {
        const bool seen = waitUntil([&] { return ticks() >= count; });
        if (seen && firstTickSeen_ == std::chrono::steady_clock::time_point{})
            firstTickSeen_ = std::chrono::steady_clock::now();
        return seen && (!window_ || settled(window_));
    }

    // Waits until the scenario's clock has passed a second. That clock starts
    // before the program's first tick, so it is counted from when the test saw
    // that tick: on a busy machine the wait is longer, never too short.
    bool waitForScenarioSecond(int second) {
        if (!waitForTicks(1))
            return false;
        std::this_thread::sleep_until(firstTickSeen_ + std::chrono::seconds(second) +
                                      std::chrono::milliseconds(500));
        return true;
    }

    // One forced tick; true when it was traced.
    bool tick() {
        const size_t before = ticks();
        if (!PostMessageW(window(), WM_TIMER, 120, 0))
            return false;
        return waitForTicks(before + 1);
    }

    // Ticks until the lookup shows status (the worker answers in its own time). The
    // tick that shows it may be the program's own timer's, whose tooltip and alert
    // lines follow the tick line: it waits for the window to finish that tick too.
    bool tickUntil(const std::string& status) {
        bool ticking = true;
        const bool seen = waitUntil([&] {
            if (trace("tick").back()[1] == status)
                return true;
            sleep(100);
            ticking = tick();
            return !ticking;
        });
        return seen && ticking && settled(window());
    }

    std::vector<TraceLine> trace() const {
        std::vector<TraceLine> lines;
        std::istringstream in(dir_.read("trace.txt"));
        std::string line;
        while (std::getline(in, line)) {
            TraceLine fields;
            size_t start = 0;
            for (;;) {
                const size_t tab = line.find('\t', start);
                fields.push_back(line.substr(start, tab - start));
                if (tab == std::string::npos)
                    break;
                start = tab + 1;
            }
            fields.erase(fields.begin()); // the milliseconds
            lines.push_back(fields);
        }
        return lines;
    }
    std::vector<TraceLine> trace(const std::string& kind) const {
        std::vector<TraceLine> lines;
        for (auto& line : trace()) {
            if (!line.empty() && line[0] == kind)
                lines.push_back(line);
        }
        return lines;
    }
    size_t ticks() const { return trace("tick").size(); }

    // Waits for the process to end; its exit code, or -1 when it did not end.
    long waitForExit(DWORD ms = 30000) {
        if (WaitForSingleObject(process_, ms) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<long>(code);
    }

    static void sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // Waits for a condition of another process or thread, looking every 25 ms,
    // within a bound that only a stuck program reaches (a busy machine does not);
    // whether it came.
    template <typename Condition> static bool waitUntil(Condition&& condition, int ms = 30000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= until)
                return false;
            sleep(25);
        }
        return true;
    }

    // Waits until the thread of a window of another process has finished what it
    // was doing: a message sent to it is answered only from its message loop.
    static bool settled(HWND window) {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored) != 0;
    }

  private:
    std::chrono::steady_clock::time_point firstTickSeen_{};
    TempDir dir_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND window_ = nullptr;
};

} // namespace nearbeam::test
