#pragma once

#include <QList>
#include <QString>

// An ordered list of (key, title) pairs numbered from 1; the search keeps each result's title
// under its thumbnail address in one. Equal keys may be added more than once; lookups find the
// first.
class clsArray final
{
public:
    clsArray();

    void Clear();
    qint16 Count() const;
    void Add(const QString &Title, const QString &Key);
    // The title of the first pair whose key equals Key exactly (case-sensitive), else "".
    QString Itemget(const QString &Key) const;

private:
    struct Pair
    {
        QString key;
        QString title;
    };
    QList<Pair> m_pairs; // element 0 is never used
};
