#include "app/RuntimeError.h"

RuntimeError::RuntimeError(int number, const QString &description, std::source_location where)
    : std::runtime_error(description.toStdString())
    , m_number(number)
    , m_description(description)
    , m_line(static_cast<int>(where.line()))
{
}

RuntimeError RuntimeError::invalidCall(std::source_location where)
{
    return RuntimeError(5, QStringLiteral("Invalid procedure call or argument"), where);
}

RuntimeError RuntimeError::overflow(std::source_location where)
{
    return RuntimeError(6, QStringLiteral("Overflow"), where);
}

RuntimeError RuntimeError::subscriptOutOfRange(std::source_location where)
{
    return RuntimeError(9, QStringLiteral("Subscript out of range"), where);
}

RuntimeError RuntimeError::typeMismatch(std::source_location where)
{
    return RuntimeError(13, QStringLiteral("Type mismatch"), where);
}
