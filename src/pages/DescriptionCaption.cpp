#include "pages/DescriptionCaption.h"

namespace {

// Far below the label's length limit, however many characters the escaping adds.
constexpr qsizetype PlainLimit = 8000;

// An invisible word joiner behind every "<" keeps the label from reading a tag there.
QString plainAsMarkup(const QString &text)
{
    QString plain = text.left(PlainLimit);
    if (text.size() > PlainLimit)
        plain += QStringLiteral("...");
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    plain.replace(QLatin1Char('<'), QStringLiteral("<\u2060"));
    plain.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return plain;
}

} // namespace

QString DescriptionCaption(const VideoInfo &info)
{
    return QStringLiteral("<b>Description:</b> ")
        + (info.descriptionIsMarkup ? info.description : plainAsMarkup(info.description));
}
