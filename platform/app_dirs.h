// Where the program keeps its files on Linux.
#pragma once

#include <string>

namespace fennel {

// The directory that stands for "where the executable is": the default home
// of the user ID files. $FENNEL_HOME, else $XDG_DATA_HOME/Fennel, else
// ~/.local/share/Fennel. Created when missing.
std::string AppDataDirectory();

// The directory of "Fennel.ini" (and of the single-instance guard):
// $FENNEL_PROFILE_DIR, else $XDG_CONFIG_HOME, else ~/.config.
std::string ProfileDirectory();

}  // namespace fennel
