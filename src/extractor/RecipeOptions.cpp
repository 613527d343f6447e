#include "extractor/RecipeOptions.h"

#include <QRegularExpression>

#include <algorithm>
#include <QSet>

namespace RecipeOptions {

namespace {

bool languageList(const QString &value)
{
    const QStringList tags = value.split(QLatin1Char(','));
    return std::all_of(tags.begin(), tags.end(), IsLanguageTag);
}

bool sortOrder(const QString &value)
{
    static const QRegularExpression order(QStringLiteral(
        "^(?:res:(?:2160|1440|1080|720|480|360)(?:,ext:(?:mp4:m4a|webm:webm))?|ext:(?:mp4:m4a|webm:webm))$"));
    return order.match(value).hasMatch();
}

// Whether value is one the option takes; options without a value are not asked.
bool takes(const QString &option, const QString &value)
{
    const auto oneOf = [&value](std::initializer_list<const char *> allowed) {
        return std::any_of(allowed.begin(), allowed.end(), [&value](const char *a) { return value == QLatin1String(a); });
    };
    if (option == QLatin1String("-f"))
        return oneOf({"bv*+ba/b", "ba/b"});
    if (option == QLatin1String("-S"))
        return sortOrder(value);
    if (option == QLatin1String("--merge-output-format"))
        return oneOf({"mp4", "mkv", "webm"});
    if (option == QLatin1String("--audio-format"))
        return oneOf({"mp3", "m4a", "opus", "flac", "wav"});
    if (option == QLatin1String("--audio-quality"))
        return oneOf({"0", "320k", "192k", "128k"});
    if (option == QLatin1String("--sub-langs"))
        return languageList(value);
    if (option == QLatin1String("--convert-subs"))
        return oneOf({"srt", "vtt"});
    return false;
}

const QSet<QString> &withValue()
{
    static const QSet<QString> options{QStringLiteral("-f"), QStringLiteral("-S"), QStringLiteral("--merge-output-format"),
                                       QStringLiteral("--audio-format"), QStringLiteral("--audio-quality"),
                                       QStringLiteral("--sub-langs"), QStringLiteral("--convert-subs")};
    return options;
}

const QSet<QString> &flags()
{
    static const QSet<QString> options{QStringLiteral("-x"), QStringLiteral("--write-subs"), QStringLiteral("--write-auto-subs"),
                                       QStringLiteral("--embed-subs"), QStringLiteral("--embed-metadata"),
                                       QStringLiteral("--embed-thumbnail"), QStringLiteral("--embed-chapters")};
    return options;
}

} // namespace

bool IsLanguageTag(const QString &tag)
{
    if (tag.isEmpty() || tag.size() > 16 || tag.startsWith(QLatin1Char('-')))
        return false;
    return std::all_of(tag.begin(), tag.end(), [](QChar c) {
        return c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('-'));
    });
}

bool Accepts(const QStringList &arguments)
{
    QSet<QString> seen;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (seen.contains(option))
            return false;
        seen.insert(option);
        if (flags().contains(option))
            continue;
        if (!withValue().contains(option) || i + 1 >= arguments.size() || !takes(option, arguments.at(i + 1)))
            return false;
        ++i;
    }
    return true;
}

QString ValueOf(const QStringList &arguments, const QString &option)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() && withValue().contains(option) ? arguments.at(at + 1) : QString();
}

} // namespace RecipeOptions
