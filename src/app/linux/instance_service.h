#pragma once
// The program's name on the session bus, net.nearbeam.Nearbeam: owning it keeps a
// second copy from starting, and its object /net/nearbeam/Nearbeam takes the
// commands other programs send (NewSubscriptions: a service wrote
// new-subscriptions.txt in the data folder and asks the user to be offered them;
// WhereAmI: the user started the program again; Survey, RecordSurvey,
// StopSurvey, SurveyState and SurveyProgress: a script drives the Survey window).

#include <QDBusConnection>
#include <QObject>

#include <QString>

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
    // What drives the Survey window; each may be left empty.
    struct SurveyActions {
        std::function<void()> open;
        // The place ("BUILDING/FLOOR/LOCATION") and count into the window, then
        // Record: an empty text when it records, else the window's message.
        std::function<QString(const QString& place, uint count)> record;
        std::function<void()> stop;
        std::function<QString()> state;    // idle, recording, finished, stopped, failed
        std::function<QString()> progress; // "3 of 6 scans"
    };
    void setSurvey(SurveyActions actions) { survey_ = std::move(actions); }
    // Asks the copy that owns the name for "Where am I?"; false when none answered.
    bool askWhereAmI();

  public Q_SLOTS:
    Q_SCRIPTABLE void NewSubscriptions();
    Q_SCRIPTABLE void WhereAmI();
    Q_SCRIPTABLE void Survey();
    Q_SCRIPTABLE QString RecordSurvey(const QString& place, uint scans);
    Q_SCRIPTABLE void StopSurvey();
    Q_SCRIPTABLE QString SurveyState();
    Q_SCRIPTABLE QString SurveyProgress();

  private:
    static void run(const std::function<void()>& action) {
        if (action)
            action();
    }

    QDBusConnection bus_;
    bool owned_ = false;
    std::function<void()> newSubscriptions_;
    std::function<void()> whereAmI_;
    SurveyActions survey_;
};

} // namespace nearbeam
