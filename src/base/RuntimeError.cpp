#include "base/RuntimeError.h"

RuntimeError::RuntimeError(int number, const QString &description, RaisedAt where)
    : std::runtime_error(description.toStdString())
    , m_number(number)
    , m_description(description)
    , m_line(where.line())
{
}

RuntimeError RuntimeError::invalidCall(RaisedAt where)
{
    return RuntimeError(5, QStringLiteral("Invalid procedure call or argument"), where);
}

RuntimeError RuntimeError::overflow(RaisedAt where)
{
    return RuntimeError(6, QStringLiteral("Overflow"), where);
}

RuntimeError RuntimeError::subscriptOutOfRange(RaisedAt where)
{
    return RuntimeError(9, QStringLiteral("Subscript out of range"), where);
}

RuntimeError RuntimeError::typeMismatch(RaisedAt where)
{
    return RuntimeError(13, QStringLiteral("Type mismatch"), where);
}
