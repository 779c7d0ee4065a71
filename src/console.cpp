// SPDX-License-Identifier: ISC
// Elsewhere than on Windows, the window is the terminal that the program
// was started from, which stays open when the program ends.

#include "roomtally.h"

void holdconsole(bool)
{
}
