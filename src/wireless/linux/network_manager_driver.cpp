#include "wireless/linux/network_manager_driver.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariantMap>

#include <algorithm>
#include <climits>

namespace nearbeam {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

constexpr uint32_t kDeviceTypeWifi = 2;
constexpr uint32_t kModeAdhoc = 1;
constexpr uint32_t kModeInfrastructure = 2;
constexpr uint32_t kFlagPrivacy = 0x1;
// A call NetworkManager does not answer in this time fails: a tick must not hang.
constexpr int kTimeoutMs = 2000;

QDBusMessage call(QDBusConnection& bus, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kTimeoutMs);
}

bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

QList<QDBusObjectPath> paths(const QDBusMessage& reply) {
    QList<QDBusObjectPath> out;
    if (answered(reply))
        reply.arguments().first().value<QDBusArgument>() >> out;
    return out;
}

// Every property of one interface of an object; empty when it does not answer.
QVariantMap properties(QDBusConnection& bus, const QString& path, const QString& interface) {
    QVariantMap out;
    const QDBusMessage reply = call(bus, path, kProperties, QStringLiteral("GetAll"), {interface});
    if (answered(reply))
        reply.arguments().first().value<QDBusArgument>() >> out;
    return out;
}

QVariant property(QDBusConnection& bus, const QString& path, const QString& interface,
                  const QString& name) {
    const QDBusMessage reply =
        call(bus, path, kProperties, QStringLiteral("Get"), {interface, name});
    return answered(reply) ? reply.arguments().first().value<QDBusVariant>().variant() : QVariant();
}

struct Device {
    QString path;
    QString interface;
};

std::vector<Device> wifiDevices(QDBusConnection& bus) {
    std::vector<Device> out;
    // GetAllDevices also lists devices that are not realised yet; a NetworkManager
    // without it (older ones, and python3-dbusmock's) has GetDevices, which
    // every one has.
    QDBusMessage reply = call(bus, kManagerPath, kManager, QStringLiteral("GetAllDevices"));
    if (reply.type() == QDBusMessage::ErrorMessage)
        reply = call(bus, kManagerPath, kManager, QStringLiteral("GetDevices"));
    for (const QDBusObjectPath& path : paths(reply)) {
        const QVariantMap device = properties(bus, path.path(), kDevice);
        if (device.value(QStringLiteral("DeviceType")).toUInt() == kDeviceTypeWifi)
            out.push_back({path.path(), device.value(QStringLiteral("Interface")).toString()});
    }
    return out;
}

InfrastructureMode modeOf(uint32_t mode) {
    switch (mode) {
    case kModeAdhoc:
        return InfrastructureMode::Independent;
    case kModeInfrastructure:
        return InfrastructureMode::Infrastructure;
    default:
        // Mesh points and our own hotspot are no landmark either.
        return InfrastructureMode::Automatic;
    }
}

} // namespace

int32_t dbmFromStrength(uint8_t strength) {
    return std::min<int32_t>(strength, 100) / 2 - 100;
}

std::optional<Bssid> bssidFromHwAddress(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 6)
        return std::nullopt;
    Bssid bssid{};
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const uint value = parts[i].toUInt(&ok, 16);
        if (!ok || parts[i].size() != 2 || value > 0xff)
            return std::nullopt;
        bssid[static_cast<size_t>(i)] = static_cast<uint8_t>(value);
    }
    return bssid;
}

std::string networkManagerProblem(QDBusConnection bus) {
    if (!bus.isConnected())
        return "there is no system bus to reach NetworkManager on";
    if (!bus.interface()->isServiceRegistered(kService).value())
        return "NetworkManager is not running";
    if (wifiDevices(bus).empty())
        return "NetworkManager has no Wi-Fi device";
    return {};
}

NetworkManagerDriver::NetworkManagerDriver(QDBusConnection bus, const Clock& clock)
    : bus_(std::move(bus)), clock_(clock) {}

std::vector<AdapterInfo> NetworkManagerDriver::listAdapters() {
    std::vector<AdapterInfo> out;
    for (const Device& device : wifiDevices(bus_))
        out.push_back(
            {device.interface.toStdWString(), L"Wi-Fi " + device.interface.toStdWString()});
    return out;
}

std::optional<std::wstring> NetworkManagerDriver::findWirelessAdapter() {
    const std::vector<Device> devices = wifiDevices(bus_);
    if (devices.empty())
        return std::nullopt;
    return devices.front().interface.toStdWString();
}

int32_t NetworkManagerDriver::signalOfAdapter(const std::wstring& name) {
    const QString device = findDevice(name);
    int32_t dbm = 0;
    if (device.isEmpty() || !activeBssid(device, &dbm))
        return 0;
    return dbm;
}

bool NetworkManagerDriver::open(const std::wstring& name) {
    device_ = findDevice(name);
    return !device_.isEmpty();
}

QString NetworkManagerDriver::findDevice(const std::wstring& name) {
    const QString wanted = QString::fromStdWString(name);
    for (const Device& device : wifiDevices(bus_)) {
        if (device.interface.compare(wanted, Qt::CaseInsensitive) == 0)
            return device.path;
    }
    return {};
}

void NetworkManagerDriver::requestScan() {
    const uint32_t now = clock_.tickCount();
    if (device_.isEmpty() || (lastScan_ && now - *lastScan_ < kActiveScanMs))
        return;
    lastScan_ = now;
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, device_, kWireless, QStringLiteral("RequestScan"));
    message.setArguments({QVariantMap()});
    // Sent, not called: the answer, a refusal included, is of no interest.
    bus_.send(message);
}

QueryStatus NetworkManagerDriver::listQuery(std::vector<AccessPointRecord>& out) {
    out.clear();
    if (device_.isEmpty())
        return QueryStatus::Failed;
    const QDBusMessage reply = call(bus_, device_, kWireless, QStringLiteral("GetAllAccessPoints"));
    if (reply.type() != QDBusMessage::ReplyMessage)
        return QueryStatus::Failed;
    struct Seen {
        AccessPointRecord record;
        int32_t lastSeen;
    };
    std::vector<Seen> seen;
    int32_t newest = INT_MIN;
    for (const QDBusObjectPath& path : paths(reply)) {
        const QVariantMap ap = properties(bus_, path.path(), kAccessPoint);
        const std::optional<Bssid> bssid =
            bssidFromHwAddress(ap.value(QStringLiteral("HwAddress")).toString());
        // -1: listed but never in a scan's results.
        const int32_t lastSeen = ap.value(QStringLiteral("LastSeen"), -1).toInt();
        if (!bssid || lastSeen < 0)
            continue;
        AccessPointRecord record;
        record.bssid = *bssid;
        record.ssid = ap.value(QStringLiteral("Ssid")).toByteArray().left(32).toStdString();
        record.privacy = (ap.value(QStringLiteral("Flags")).toUInt() & kFlagPrivacy) != 0 ||
                         ap.value(QStringLiteral("WpaFlags")).toUInt() != 0 ||
                         ap.value(QStringLiteral("RsnFlags")).toUInt() != 0;
        record.rssi =
            dbmFromStrength(static_cast<uint8_t>(ap.value(QStringLiteral("Strength")).toUInt()));
        record.frequencyKhz = ap.value(QStringLiteral("Frequency")).toUInt() * 1000;
        record.mode = modeOf(ap.value(QStringLiteral("Mode")).toUInt());
        seen.push_back({record, lastSeen});
        newest = std::max(newest, lastSeen);
    }
    // Ages are compared among the list itself: NetworkManager's clock is its own.
    for (const Seen& s : seen) {
        if (newest - s.lastSeen <= kMaximumAgeSeconds)
            out.push_back(s.record);
    }
    return QueryStatus::Ok;
}

std::optional<Bssid> NetworkManagerDriver::associatedBssid() {
    if (device_.isEmpty())
        return std::nullopt;
    return activeBssid(device_, nullptr);
}

std::optional<Bssid> NetworkManagerDriver::activeBssid(const QString& device, int32_t* dbm) {
    const QString ap = property(bus_, device, kWireless, QStringLiteral("ActiveAccessPoint"))
                           .value<QDBusObjectPath>()
                           .path();
    if (ap.isEmpty() || ap == QLatin1String("/"))
        return std::nullopt;
    const QVariantMap props = properties(bus_, ap, kAccessPoint);
    if (dbm)
        *dbm =
            dbmFromStrength(static_cast<uint8_t>(props.value(QStringLiteral("Strength")).toUInt()));
    return bssidFromHwAddress(props.value(QStringLiteral("HwAddress")).toString());
}

} // namespace nearbeam
