#include "base/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <optional>

namespace IniFile {

namespace {

// The file's lines; none for a file that is not there, nothing for one that cannot be read.
std::optional<QStringList> readLines(const QString &file)
{
    QFile f(file);
    if (!f.exists())
        return QStringList();
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    // Values are stored in the locale's 8-bit encoding, which is UTF-8 here.
    QString text = QString::fromLocal8Bit(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

bool isSection(const QString &line, QString *name)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return false;
    *name = t.mid(1, t.size() - 2).trimmed();
    return true;
}

// Splits "key=value"; false for lines without "=".
bool splitEntry(const QString &line, QString *key, QString *value)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = line.mid(eq + 1).trimmed();
    return true;
}

bool isQuoted(const QString &value)
{
    return value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'));
}

QString unquote(const QString &value)
{
    return isQuoted(value) ? value.mid(1, value.size() - 2) : value;
}

// Reading trims blanks and takes off one pair of quotes, so such values are written quoted.
QString quoteIfNeeded(const QString &value)
{
    if (value != value.trimmed() || isQuoted(value))
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

bool breaksLines(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

QString read(const QString &section, const QString &key, const QString &file)
{
    bool inSection = false;
    for (const QString &line : readLines(file).value_or(QStringList())) {
        QString name;
        if (isSection(line, &name)) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        QString k, v;
        if (inSection && splitEntry(line, &k, &v) && k.compare(key, Qt::CaseInsensitive) == 0)
            return unquote(v);
    }
    return QString();
}

bool write(const QString &section, const QString &key, const QString &value, const QString &file)
{
    // A line break would end the entry early and smuggle in lines of its own.
    if (breaksLines(section) || breaksLines(key) || breaksLines(value))
        return false;
    // A file that exists but cannot be read is left alone: writing it anew would drop its lines.
    const std::optional<QStringList> existing = readLines(file);
    if (!existing)
        return false;
    QStringList lines = *existing;
    const QString entry = key + QLatin1Char('=') + quoteIfNeeded(value);

    qsizetype sectionStart = -1;
    qsizetype sectionEnd = lines.size(); // one past the section's last line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString name;
        if (!isSection(lines.at(i), &name))
            continue;
        if (sectionStart >= 0) {
            sectionEnd = i;
            break;
        }
        if (name.compare(section, Qt::CaseInsensitive) == 0)
            sectionStart = i;
    }

    if (sectionStart < 0) {
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else {
        bool replaced = false;
        qsizetype lastEntry = sectionStart;
        for (qsizetype i = sectionStart + 1; i < sectionEnd; ++i) {
            QString k, v;
            if (!splitEntry(lines.at(i), &k, &v))
                continue;
            lastEntry = i;
            if (k.compare(key, Qt::CaseInsensitive) == 0) {
                lines[i] = entry;
                replaced = true;
                break;
            }
        }
        if (!replaced)
            lines.insert(lastEntry + 1, entry);
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(lines.join(QStringLiteral("\r\n")).toLocal8Bit());
    out.write("\r\n");
    return out.commit();
}

} // namespace IniFile
