#pragma once

#include <QString>

// The folder of the program's state that is neither settings nor documents: the recovery copies
// of open sheets and the backups of saves written in place. $XDG_STATE_HOME/Halsk/Brunovelt (by
// default ~/.local/state/Halsk/Brunovelt). Made, readable by the user alone, when missing; empty
// when it cannot be made.
QString StateFolder();

// Where that folder is, whether or not it exists or can be made.
QString StateFolderLocation();
