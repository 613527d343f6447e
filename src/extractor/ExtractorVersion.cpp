#include "extractor/ExtractorVersion.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace ExtractorVersion {

namespace {

QHash<QString, QString> &remembered()
{
    static QHash<QString, QString> versions;
    return versions;
}

} // namespace

QList<int> Parse(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})\\.(\\d{1,2})\\.(\\d{1,2})(?:\\.(\\d{1,9}))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return {};
    QList<int> numbers;
    for (int i = 1; i <= 4; ++i)
        numbers << (match.captured(i).isEmpty() ? 0 : match.captured(i).toInt());
    return numbers;
}

bool IsVersion(const QString &text)
{
    return !Parse(text).isEmpty();
}

int Compare(const QString &a, const QString &b)
{
    const QList<int> x = Parse(a);
    const QList<int> y = Parse(b);
    if (x.isEmpty() || y.isEmpty())
        return int(!x.isEmpty()) - int(!y.isEmpty());
    for (qsizetype i = 0; i < x.size(); ++i)
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    return 0;
}

QDate Date(const QString &version)
{
    const QList<int> numbers = Parse(version);
    return numbers.isEmpty() ? QDate() : QDate(numbers[0], numbers[1], numbers[2]);
}

bool KnowsRuntimeOption(const QString &version)
{
    return IsVersion(version) && Compare(version, QString::fromLatin1(RuntimeOptionSince)) >= 0;
}

namespace {

// The lines of PROGRAM.version; empty when there is none.
QList<QByteArray> sidecar(const QString &path)
{
    QFile beside(path + QStringLiteral(".version"));
    if (!beside.open(QIODevice::ReadOnly))
        return {};
    return beside.read(256).split('\n');
}

} // namespace

QString Known(const QString &program)
{
    if (program.isEmpty())
        return QString();
    const QString path = QFileInfo(program).absoluteFilePath();
    const QList<QByteArray> lines = sidecar(path);
    if (!lines.isEmpty()) {
        const QString version = QString::fromLatin1(lines.first()).trimmed();
        return IsVersion(version) ? version : QString();
    }
    return remembered().value(path);
}

QByteArray SidecarText(const QString &version, bool refusesRuntimeOption)
{
    return version.toLatin1() + '\n' + (refusesRuntimeOption ? QByteArray(RefusedLine) + '\n' : QByteArray());
}

bool TakesRuntimeOption(const QString &program)
{
    if (!KnowsRuntimeOption(Known(program)))
        return false;
    const QList<QByteArray> lines = sidecar(QFileInfo(program).absoluteFilePath());
    return !lines.contains(QByteArray(RefusedLine));
}

void Remember(const QString &program, const QString &version)
{
    if (program.isEmpty())
        return;
    const QString path = QFileInfo(program).absoluteFilePath();
    if (IsVersion(version))
        remembered().insert(path, version.trimmed());
    else
        remembered().remove(path);
}

} // namespace ExtractorVersion
