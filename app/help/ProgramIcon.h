#pragma once
// The program's icon: the application's window icon when the program set
// one, else the emblem drawn for this program in the help pages.

#include <QIcon>

namespace help {

QIcon ProgramIcon();

}  // namespace help
