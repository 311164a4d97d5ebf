#pragma once
// Where the Linux program keeps and finds its files: the data files in the user's
// data folder, manufacturers.dat in the install's share folder (or beside the
// program when it runs from the build tree). Paths end with '/'.

#include <string>

namespace nearbeam {

// $XDG_DATA_HOME/nearbeam/, else ~/.local/share/nearbeam/. Empty when neither
// variable is set.
std::string userDataFolder();

// The folder of manufacturers.dat for the program at programPath: the program's
// own folder when the file is there (the build tree), else ../share/nearbeam/
// from it.
std::string shareFolder(const std::string& programPath);

} // namespace nearbeam
