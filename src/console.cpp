// SPDX-License-Identifier: ISC
// Elsewhere than on Windows the program's window is the terminal it was
// started from, which stays open when the program ends.

#include "roomtally.h"

void holdconsole(bool)
{
}
