#pragma once

#include <QString>
#include <stdexcept>

// The line of the call that raises an error. (std::source_location needs a compiler builtin that
// clang 14, which builds the fuzz targets, lacks; both compilers fill __builtin_LINE() in a default
// argument from the line of the call.)
class RaisedAt final
{
public:
    static constexpr RaisedAt current(int line = __builtin_LINE()) { return RaisedAt(line); }
    constexpr int line() const { return m_line; }

private:
    constexpr explicit RaisedAt(int line)
        : m_line(line)
    {
    }
    int m_line;
};

// A run-time error of the program: the number and description shown by the error trap,
// and the source line it was raised on.
class RuntimeError final : public std::runtime_error
{
public:
    RuntimeError(int number, const QString &description,
                 RaisedAt where = RaisedAt::current());

    int number() const { return m_number; }
    QString description() const { return m_description; }
    int line() const { return m_line; }

    // The usual run-time errors, with the numbers and texts users know them by.
    static RuntimeError invalidCall(RaisedAt where = RaisedAt::current());
    static RuntimeError overflow(RaisedAt where = RaisedAt::current());
    static RuntimeError subscriptOutOfRange(RaisedAt where = RaisedAt::current());
    static RuntimeError typeMismatch(RaisedAt where = RaisedAt::current());

private:
    int m_number;
    QString m_description;
    int m_line;
};
