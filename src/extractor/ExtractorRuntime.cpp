#include "extractor/ExtractorRuntime.h"

#include "extractor/ExtractorChannel.h"
#include "extractor/ExtractorVersion.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString findIn(const QString &program)
{
    const QString onPath = QStandardPaths::findExecutable(program);
    if (!onPath.isEmpty())
        return onPath;
    return QStandardPaths::findExecutable(program, {ExtractorRuntime::Folder()});
}

// node prints "v20.11.1"; older ones cannot run what the extractor hands them.
bool nodeIsRecent(const QString &path)
{
    static QHash<QString, bool> answers;
    if (const auto it = answers.constFind(path); it != answers.constEnd())
        return it.value();
    QProcess node;
    node.start(path, {QStringLiteral("--version")}, QIODevice::ReadOnly);
    bool recent = false;
    if (node.waitForFinished(10000) && node.exitStatus() == QProcess::NormalExit && node.exitCode() == 0) {
        static const QRegularExpression major(QStringLiteral("^v(\\d+)\\."));
        const QRegularExpressionMatch match = major.match(QString::fromLatin1(node.readAllStandardOutput().trimmed()));
        recent = match.hasMatch() && match.captured(1).toInt() >= 20;
    } else {
        node.kill();
        node.waitForFinished(1000);
    }
    answers.insert(path, recent);
    return recent;
}

} // namespace

QString ExtractorRuntime::shown() const
{
    return found() ? QStringLiteral("%1 (%2)").arg(name, path) : QStringLiteral("none found");
}

QString ExtractorRuntime::Folder()
{
    return ExtractorChannel::DataFolder() + QStringLiteral("/runtime");
}

ExtractorRuntime ExtractorRuntime::Find()
{
    if (const QString deno = findIn(QStringLiteral("deno")); !deno.isEmpty())
        return {QStringLiteral("deno"), deno};
    if (const QString node = findIn(QStringLiteral("node")); !node.isEmpty() && nodeIsRecent(node))
        return {QStringLiteral("node"), node};
    if (const QString qjs = findIn(QStringLiteral("qjs")); !qjs.isEmpty())
        return {QStringLiteral("quickjs"), qjs};
    return {};
}

QStringList ExtractorRuntime::Arguments(const QString &extractorVersion, const ExtractorRuntime &runtime)
{
    if (!runtime.found() || !ExtractorVersion::KnowsRuntimeOption(extractorVersion))
        return {};
    return {QStringLiteral("--js-runtimes"), runtime.name + QLatin1Char(':') + runtime.path};
}
