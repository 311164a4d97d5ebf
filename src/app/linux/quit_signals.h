#pragma once
// SIGTERM (a log-out, kill), SIGINT (Ctrl-C) and SIGHUP (a closed terminal) end the
// program the way Exit does: the handler only writes a byte to a pipe, and the
// event loop, reading it, quits.

#include <QObject>

class QSocketNotifier;

namespace nearbeam {

class QuitSignals : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; false when the pipe cannot be made.
    bool install();

  private:
    void onSignal();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace nearbeam
