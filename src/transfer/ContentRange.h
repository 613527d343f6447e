#pragma once

#include <QByteArray>

// A Content-Range header: "bytes FIRST-LAST/TOTAL" on a 206, "bytes */TOTAL" on a 416. TOTAL
// may be "*" (unknown), which proves nothing.
struct ContentRange
{
    bool valid = false;
    bool unsatisfied = false; // "bytes */TOTAL"
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1; // -1 when the server wrote "*"

    static ContentRange parse(const QByteArray &header);
};
