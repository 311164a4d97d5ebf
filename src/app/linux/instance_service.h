#pragma once
// The program's name on the session bus, net.nearbeam.Nearbeam: owning it keeps a
// second copy from starting, and its object /net/nearbeam/Nearbeam takes the
// commands other programs send (NewSubscriptions: a service wrote
// new-subscriptions.txt in the data folder and asks the user to be offered them;
// WhereAmI: the user started the program again).

#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace nearbeam {

class InstanceService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.nearbeam.Nearbeam")
  public:
    static constexpr const char* kName = "net.nearbeam.Nearbeam";
    static constexpr const char* kPath = "/net/nearbeam/Nearbeam";

    enum class Claim { Owned, Taken, NoBus };

    explicit InstanceService(QDBusConnection bus = QDBusConnection::sessionBus())
        : bus_(std::move(bus)) {}
    ~InstanceService() override;

    // Takes the name and offers the object. Taken: another copy runs.
    Claim claim();
    void setNewSubscriptions(std::function<void()> action) {
        newSubscriptions_ = std::move(action);
    }
    void setWhereAmI(std::function<void()> action) { whereAmI_ = std::move(action); }
    // Asks the copy that owns the name for "Where am I?"; false when none answered.
    bool askWhereAmI();

  public Q_SLOTS:
    Q_SCRIPTABLE void NewSubscriptions();
    Q_SCRIPTABLE void WhereAmI();

  private:
    static void run(const std::function<void()>& action) {
        if (action)
            action();
    }

    QDBusConnection bus_;
    bool owned_ = false;
    std::function<void()> newSubscriptions_;
    std::function<void()> whereAmI_;
};

} // namespace nearbeam
