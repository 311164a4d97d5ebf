#pragma once
// Starting Nearbeam when the user logs in: a desktop entry named nearbeam.desktop
// in the autostart folder of the user's configuration folder
// ($XDG_CONFIG_HOME/autostart), which desktops start at log-in.

#include <string>

namespace nearbeam {

class Autostart {
  public:
    // configHome: the user's configuration folder ($XDG_CONFIG_HOME, or
    // ~/.config); program: the program file the entry starts.
    Autostart(std::string configHome, std::string program);

    std::string path() const;
    // The entry is there and not switched off (Hidden=true, or a desktop's own
    // switch X-GNOME-Autostart-enabled=false, which its settings write).
    bool enabled() const;
    // Writes the entry (replacing the file in one step) or removes it. False when
    // the file could not be written or removed.
    bool setEnabled(bool on);

  private:
    std::string configHome_;
    std::string program_;
};

// A file path as one argument of a desktop entry's Exec key: quoted when it holds
// a character the key reserves, and with every '%' doubled.
std::string desktopExecArgument(const std::string& path);

} // namespace nearbeam
