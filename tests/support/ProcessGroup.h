#pragma once

#include <QtGlobal>

// How many processes of a process group still run (zombies no longer run), read from /proc.
int RunningInGroup(qint64 group);
