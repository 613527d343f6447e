#pragma once

#include <QString>
#include <source_location>
#include <stdexcept>

// A run-time error of the program: the number and description shown by the error trap,
// and the source line it was raised on.
class RuntimeError final : public std::runtime_error
{
public:
    RuntimeError(int number, const QString &description,
                 std::source_location where = std::source_location::current());

    int number() const { return m_number; }
    QString description() const { return m_description; }
    int line() const { return m_line; }

    // The usual run-time errors, with the numbers and texts users know them by.
    static RuntimeError invalidCall(std::source_location where = std::source_location::current());
    static RuntimeError overflow(std::source_location where = std::source_location::current());
    static RuntimeError subscriptOutOfRange(std::source_location where = std::source_location::current());
    static RuntimeError typeMismatch(std::source_location where = std::source_location::current());

private:
    int m_number;
    QString m_description;
    int m_line;
};
