#include "wireless/win32/ndis_driver.h"

#include "base/text.h"
#include "wireless/ndis_records.h"

#include <iphlpapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace nearbeam {

namespace {

// How long one query may take before it is cancelled: a driver that never answers
// must not hang the program.
constexpr DWORD kQueryTimeoutMs = 5000;

HANDLE openDevice(const std::wstring& name) {
    return CreateFileW(ndis::devicePath(name).c_str(), 0, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One IOCTL_NDIS_QUERY_GLOBAL_STATS request. The handle is opened for overlapped
// use, so the request carries an OVERLAPPED and waits here for its end: the driver
// may finish it later, and the buffers must live until it has.
bool query(HANDLE device, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned) {
    returned = 0;
    if (device == INVALID_HANDLE_VALUE) {
        return false;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        return false;
    }
    bool ok = DeviceIoControl(device, ndis::kIoctlQueryGlobalStats, in, inSize, out, outSize,
                              &returned, &overlapped) != FALSE;
    if (!ok && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, kQueryTimeoutMs) != WAIT_OBJECT_0) {
            CancelIoEx(device, &overlapped);
        }
        ok = GetOverlappedResult(device, &overlapped, &returned, TRUE) != FALSE;
    }
    CloseHandle(overlapped.hEvent);
    if (!ok) {
        returned = 0;
    }
    return ok;
}

void putU32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, sizeof v);
}

} // namespace

NdisDriver::~NdisDriver() {
    close();
}

std::vector<AdapterInfo> NdisDriver::listAdapters() {
    std::vector<AdapterInfo> adapters;
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) {
        return adapters;
    }
    // The list may grow between the two calls: try a few times.
    std::vector<uint8_t> buffer;
    DWORD rc = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size, 0);
        rc = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
    }
    if (rc != ERROR_SUCCESS) {
        return adapters;
    }
    for (auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); info != nullptr;
         info = info->Next) {
        if (info->Type != MIB_IF_TYPE_ETHERNET) {
            continue;
        }
        const std::string name(info->AdapterName,
                               strnlen(info->AdapterName, sizeof info->AdapterName));
        const std::string description(info->Description,
                                      strnlen(info->Description, sizeof info->Description));
        adapters.push_back({widen(name), widen(description)});
    }
    return adapters;
}

int32_t NdisDriver::signalOfAdapter(const std::wstring& name) {
    HANDLE device = openDevice(name);
    if (device == INVALID_HANDLE_VALUE) {
        return 0;
    }
    uint8_t buffer[12] = {};
    putU32(buffer, ndis::kOidRssi);
    DWORD returned = 0;
    const bool ok = query(device, buffer, sizeof buffer, buffer, sizeof buffer, returned);
    CloseHandle(device);
    if (!ok || returned < 4) {
        return 0;
    }
    int32_t rssi = 0;
    std::memcpy(&rssi, buffer, sizeof rssi);
    return rssi;
}

bool NdisDriver::open(const std::wstring& name) {
    close();
    handle_ = openDevice(name);
    return handle_ != INVALID_HANDLE_VALUE;
}

void NdisDriver::close() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

void NdisDriver::requestScan() {
    uint8_t in[8] = {};
    putU32(in, ndis::kOidBssidListScan);
    DWORD returned = 0;
    query(handle_, in, sizeof in, nullptr, 0, returned);
}

QueryStatus NdisDriver::listQuery(std::vector<AccessPointRecord>& out) {
    out.clear();
    std::vector<uint8_t> buffer(ndis::kListBufferSize, 0);
    putU32(buffer.data(), ndis::kOidBssidList);
    DWORD returned = 0;
    if (!query(handle_, buffer.data(), 12, buffer.data(), static_cast<DWORD>(buffer.size()),
               returned)) {
        return QueryStatus::Failed;
    }
    ndis::walkBssidList(buffer.data(), std::min<size_t>(returned, buffer.size()), out);
    return QueryStatus::Ok;
}

std::optional<Bssid> NdisDriver::associatedBssid() {
    uint8_t in[12] = {};
    putU32(in, ndis::kOidBssid);
    uint8_t out[18] = {};
    DWORD returned = 0;
    if (!query(handle_, in, sizeof in, out, sizeof out, returned) || returned < 6) {
        return std::nullopt;
    }
    Bssid bssid{};
    std::memcpy(bssid.data(), out, bssid.size());
    return bssid;
}

} // namespace nearbeam
