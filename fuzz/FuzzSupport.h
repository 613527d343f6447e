#pragma once

// What every fuzz target shares: the input as text, and property checks that stop the run with
// a message (libFuzzer keeps the input that broke the property as a crash).

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// The input bytes as a page's text (pages are read as UTF-8).
inline QString Text(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

// Splits the input at its first two NUL bytes into three texts (say two markers and a page);
// missing parts are empty.
struct Parts
{
    QString first, second, rest;
};
inline Parts Split(const uint8_t *data, size_t size)
{
    const QByteArray bytes = Bytes(data, size);
    const qsizetype a = bytes.indexOf('\0');
    const qsizetype b = a < 0 ? -1 : bytes.indexOf('\0', a + 1);
    Parts parts;
    if (a < 0) {
        parts.rest = QString::fromUtf8(bytes);
    } else if (b < 0) {
        parts.first = QString::fromUtf8(bytes.left(a));
        parts.rest = QString::fromUtf8(bytes.mid(a + 1));
    } else {
        parts.first = QString::fromUtf8(bytes.left(a));
        parts.second = QString::fromUtf8(bytes.mid(a + 1, b - a - 1));
        parts.rest = QString::fromUtf8(bytes.mid(b + 1));
    }
    return parts;
}

[[noreturn]] inline void Fail(const char *property, const char *file, int line)
{
    std::fprintf(stderr, "\nproperty broken: %s (%s:%d)\n", property, file, line);
    std::fflush(stderr);
    std::abort();
}

// Characters that a cleaned title never holds.
inline bool HoldsFileNameForbidden(const QString &text)
{
    for (const QChar c : text) {
        if (QStringView(u"/\\:*\"<>|?").contains(c))
            return true;
    }
    return false;
}

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::Fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)
