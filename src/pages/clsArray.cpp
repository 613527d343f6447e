#include "pages/clsArray.h"

#include "base/RuntimeError.h"

#include <limits>

clsArray::clsArray()
{
    Clear();
}

void clsArray::Clear()
{
    m_pairs.clear();
    m_pairs.append(Pair());
}

qint16 clsArray::Count() const
{
    const qsizetype upper = m_pairs.size() - 1;
    if (upper > std::numeric_limits<qint16>::max())
        throw RuntimeError::overflow();
    return static_cast<qint16>(upper);
}

void clsArray::Add(const QString &Title, const QString &Key)
{
    m_pairs.append(Pair{Key, Title});
}

QString clsArray::Itemget(const QString &Key) const
{
    for (qsizetype i = 1; i < m_pairs.size(); ++i) {
        if (m_pairs.at(i).key == Key)
            return m_pairs.at(i).title;
    }
    return QString();
}
