#include "videoinfo/FormatTable.h"

namespace FormatTable {

int SlotOfCode(int code)
{
    for (int slot = 0; slot < Count; ++slot) {
        if (Formats[slot].code == code)
            return slot;
    }
    return -1;
}

QString Caption(int slot)
{
    return slot >= 0 && slot < Count ? QString::fromLatin1(Formats[slot].caption) : QString();
}

QString Suffix(int slot)
{
    return slot >= 0 && slot < Count ? QString::fromLatin1(Formats[slot].suffix) : QString();
}

} // namespace FormatTable
