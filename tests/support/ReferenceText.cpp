#include "ReferenceText.h"

#include <QRegularExpression>

namespace reference {

QString CleanTitle(QString t)
{
    t.replace(QStringLiteral("\\'"), QStringLiteral("'"));
    t.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    t.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    t.replace(QStringLiteral("&lt;"), QString());
    t.replace(QStringLiteral("&gt;"), QString());
    for (const QChar c : {u'/', u'\\', u':', u'*', u'"', u'<', u'>', u'|', u'?'})
        t.remove(c);
    while (t.contains(QStringLiteral("  ")))
        t.replace(QStringLiteral("  "), QStringLiteral(" "));
    return t;
}

QString StripTags(const QString &text)
{
    QString t;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('<')) {
            t += text.at(i);
            continue;
        }
        t += QLatin1Char(' ');
        const qsizetype close = text.indexOf(QLatin1Char('>'), i);
        if (close < 0)
            break;
        i = close;
    }
    t.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    t.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    t.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    t.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    return t;
}

namespace {

bool isTag(const QString &lowered)
{
    static const QStringList fixed = {"<b>", "</b>", "<i>", "</i>", "<u>", "</u>", "<s>", "</s>", "</c>", "<br>"};
    static const QRegularExpression colour(
        QStringLiteral(R"(^<c=(\s*[+-]?(\d+\.?\d*|\.\d+)(e[+-]?\d+)?\s*|\s*&h[0-9a-f]+\s*)>$)"));
    return fixed.contains(lowered) || colour.match(lowered).hasMatch();
}

// Lower case of the ASCII letters only, as the label compares tags.
QString asciiLower(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    }
    return out;
}

} // namespace

QString WithoutTags(const QString &caption)
{
    QString out;
    qsizetype i = 0;
    while (i < caption.size()) {
        if (caption.at(i) == QLatin1Char('<')) {
            const qsizetype close = caption.indexOf(QLatin1Char('>'), i);
            if (close >= 0 && isTag(asciiLower(caption.mid(i, close - i + 1)))) {
                i = close + 1;
                continue;
            }
        }
        out += caption.at(i);
        ++i;
    }
    return out;
}

} // namespace reference
