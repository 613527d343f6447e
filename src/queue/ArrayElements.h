#pragma once

#include <QList>

namespace modFunctions {

// Removes element Index of an array whose lower bound is 0: the later elements move down by one
// place and the array shrinks by one; an array of one element is erased. An Index outside the
// array only shrinks it, as the block move has nothing to move then.
template <typename T>
void RemoveArrayElement(QList<T> &Arr, qsizetype Index)
{
    if (Arr.isEmpty())
        return;
    const qsizetype upper = Arr.size() - 1;
    if (Index >= 0 && Index < upper) {
        for (qsizetype k = Index; k < upper; ++k)
            Arr[k] = Arr[k + 1];
    }
    if (upper != 0)
        Arr.removeLast();
    else
        Arr.clear();
}

} // namespace modFunctions
