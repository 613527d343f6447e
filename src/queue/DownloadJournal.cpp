#include "queue/DownloadJournal.h"

#include "extractor/RecipeOptions.h"
#include "queue/DownloadArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const QString Format = QStringLiteral("clipvault-downloads");
constexpr double MaxExactInteger = double(TransferValidators::MaxLength); // beyond it a JSON number loses bytes

// Reads one row's fields, remembering the first that fails.
class RowReader final
{
public:
    RowReader(const QJsonObject &object, int index)
        : m_object(object)
        , m_index(index)
    {
    }

    QString error() const { return m_error; }

    QString text(const char *key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (!value.isString())
            fail(key, QStringLiteral("is not a text"));
        return value.toString();
    }
    QString nonEmptyText(const char *key)
    {
        const QString value = text(key);
        if (value.isEmpty() || value.contains(QChar(0)))
            fail(key, QStringLiteral("is empty or holds a NUL"));
        return value;
    }
    // A header-like value: Latin-1 without line breaks, so it can go back into a request as it was.
    QByteArray latin1(const char *key) { return checkedLatin1(text(key), key); }
    QByteArray checkedLatin1(const QString &value, const char *key)
    {
        for (const QChar c : value) {
            if (c.unicode() > 0xff || c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.unicode() == 0)
                fail(key, QStringLiteral("holds a character a header cannot carry"));
        }
        return value.toLatin1();
    }
    qint64 integer(const char *key, qint64 min, qint64 max)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        const double d = value.toDouble(std::nan(""));
        if (!value.isDouble() || std::floor(d) != d || std::fabs(d) > MaxExactInteger || d < double(min)
            || d > double(max)) {
            fail(key, QStringLiteral("is not a whole number from %1 to %2").arg(min).arg(max));
            return min;
        }
        return static_cast<qint64>(d);
    }
    QString webAddress(const char *key, bool mayBeEmpty)
    {
        const QString value = text(key);
        if (value.isEmpty() && mayBeEmpty)
            return value;
        const QUrl url(value, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || url.host().isEmpty()
            || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
            fail(key, QStringLiteral("is not an http or https address"));
        return value;
    }
    QString fileName(const char *key)
    {
        const QString value = nonEmptyText(key);
        if (value.contains(QLatin1Char('/')) || value == QLatin1String(".") || value == QLatin1String("..")
            || value.toUtf8().size() > 255)
            fail(key, QStringLiteral("is not a file name"));
        return value;
    }
    QDateTime time(const char *key)
    {
        const QDateTime value = QDateTime::fromString(text(key), Qt::ISODateWithMs);
        if (!value.isValid())
            fail(key, QStringLiteral("is not a date and time"));
        return value.toUTC();
    }
    QList<QPair<QByteArray, QByteArray>> headers(const char *key)
    {
        QList<QPair<QByteArray, QByteArray>> headers;
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (!value.isArray()) {
            fail(key, QStringLiteral("is not a list"));
            return headers;
        }
        // Compiled once: a list of a thousand rows reads thousands of headers on every write.
        static const QRegularExpression notAToken(QStringLiteral("[^A-Za-z0-9!#$%&'*+.^_`|~-]"));
        for (const QJsonValue &pair : value.toArray()) {
            const QJsonArray fields = pair.toArray();
            if (!pair.isArray() || fields.size() != 2 || !fields.at(0).isString() || !fields.at(1).isString()
                || fields.at(0).toString().isEmpty()
                || fields.at(0).toString().contains(notAToken)) {
                fail(key, QStringLiteral("holds something that is not a header"));
                return {};
            }
            headers.append({fields.at(0).toString().toLatin1(), checkedLatin1(fields.at(1).toString(), key)});
        }
        return headers;
    }

    // A list of texts that each pass check; missing in journals written before the field existed:
    // empty.
    QStringList optionalTexts(const char *key, const std::function<bool(const QString &)> &check)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined())
            return {};
        QStringList texts;
        for (const QJsonValue &item : value.toArray()) {
            if (!item.isString()) {
                texts.clear();
                break;
            }
            texts << item.toString();
        }
        if (!value.isArray() || texts.size() != value.toArray().size() || !std::all_of(texts.begin(), texts.end(), check))
            fail(key, QStringLiteral("is not a list the program writes"));
        return texts;
    }
    QString optionalText(const char *key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (!value.isUndefined() && !value.isString())
            fail(key, QStringLiteral("is not a text"));
        return value.toString();
    }

    // Missing in journals written before the field existed: false.
    bool optionalFlag(const char *key)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (!value.isUndefined() && !value.isBool())
            fail(key, QStringLiteral("is not true or false"));
        return value.toBool(false);
    }
    void failWith(const char *key, const QString &what) { fail(key, what); }

    // Missing: no value. Otherwise [first, end) pairs as the header describes, inside total.
    std::optional<ByteRanges> ranges(const char *key, qint64 total)
    {
        const QJsonValue value = m_object.value(QLatin1String(key));
        if (value.isUndefined())
            return std::nullopt;
        QList<ByteRanges::Span> spans;
        const QJsonArray array = value.toArray();
        for (const QJsonValue &pair : array) {
            const QJsonArray ends = pair.toArray();
            const auto whole = [](const QJsonValue &v) {
                const double d = v.toDouble(-1);
                return v.isDouble() && std::floor(d) == d && d >= 0 && d <= MaxExactInteger ? qint64(d) : qint64(-1);
            };
            if (!pair.isArray() || ends.size() != 2 || whole(ends.at(0)) < 0 || whole(ends.at(1)) < 0) {
                spans.clear();
                spans.append({1, 0}); // refused below
                break;
            }
            spans.append({whole(ends.at(0)), whole(ends.at(1))});
        }
        if (!value.isArray() || array.size() > DownloadJournal::MaxRanges || !ByteRanges::isValid(spans, total)) {
            fail(key, QStringLiteral("are not sorted ranges apart from each other inside the total"));
            return std::nullopt;
        }
        return ByteRanges::fromSpans(spans);
    }

private:
    void fail(const char *key, const QString &what)
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("row %1: \"%2\" %3").arg(m_index + 1).arg(QLatin1String(key), what);
    }

    const QJsonObject m_object;
    const int m_index;
    QString m_error;
};

QJsonObject rowToJson(const JournalRow &row)
{
    QJsonArray headers;
    for (const auto &[name, value] : row.headers)
        headers.append(QJsonArray{QString::fromLatin1(name), QString::fromLatin1(value)});
    QJsonObject object{
        {QStringLiteral("address"), row.mediaAddress},
        {QStringLiteral("fileName"), row.fileName},
        {QStringLiteral("saveFolder"), row.saveFolder},
        {QStringLiteral("state"), row.state},
        {QStringLiteral("bytes"), double(row.bytes)},
        {QStringLiteral("total"), double(row.total)},
        {QStringLiteral("etag"), QString::fromLatin1(row.etag)},
        {QStringLiteral("lastModified"), QString::fromLatin1(row.lastModified)},
        {QStringLiteral("lastModifiedStrong"), row.lastModifiedStrong},
        {QStringLiteral("watchPage"), row.watchPage},
        {QStringLiteral("encoding"), row.encoding},
        {QStringLiteral("added"), row.added.toUTC().toString(Qt::ISODateWithMs)},
        {QStringLiteral("caption"), row.caption},
        {QStringLiteral("headers"), headers},
        {QStringLiteral("byExtractor"), row.byExtractor},
        {QStringLiteral("recipe"), QJsonArray::fromStringList(row.recipe)},
        {QStringLiteral("preset"), row.presetName},
        {QStringLiteral("missingSubtitles"), QJsonArray::fromStringList(row.missingLanguages)},
        {QStringLiteral("archiveLine"), row.archiveLine},
    };
    if (row.ranges) {
        QJsonArray ranges;
        for (const ByteRanges::Span &span : row.ranges->spans())
            ranges.append(QJsonArray{double(span.begin), double(span.end)});
        object.insert(QStringLiteral("ranges"), ranges);
    }
    return object;
}

bool rowFromJson(const QJsonValue &value, int index, int version, JournalRow *row, QString *reason)
{
    if (!value.isObject()) {
        *reason = QStringLiteral("row %1 is not an object").arg(index + 1);
        return false;
    }
    RowReader read(value.toObject(), index);
    row->mediaAddress = read.webAddress("address", false);
    row->fileName = read.fileName("fileName");
    row->saveFolder = read.nonEmptyText("saveFolder");
    row->state = static_cast<int>(read.integer("state", 1, version >= 2 ? 5 : 4));
    row->total = read.integer("total", -1, qint64(MaxExactInteger));
    row->bytes = read.integer("bytes", 0, row->total >= 0 ? row->total : qint64(MaxExactInteger));
    row->etag = read.latin1("etag");
    row->lastModified = read.latin1("lastModified");
    row->lastModifiedStrong = read.optionalFlag("lastModifiedStrong");
    row->watchPage = read.webAddress("watchPage", true);
    row->encoding = read.text("encoding");
    row->added = read.time("added");
    row->caption = read.text("caption");
    row->headers = read.headers("headers");
    row->byExtractor = read.optionalFlag("byExtractor");
    // The whole list: a recipe is taken back only as the options the program gives recipes.
    row->recipe = read.optionalTexts("recipe", [](const QString &) { return true; });
    if (!RecipeOptions::Accepts(row->recipe))
        read.failWith("recipe", QStringLiteral("holds options that are no recipe's"));
    row->presetName = read.optionalText("preset");
    row->missingLanguages = read.optionalTexts("missingSubtitles", RecipeOptions::IsLanguageTag);
    if (version >= 2 && value.toObject().contains(QLatin1String("archiveLine"))) {
        row->archiveLine = read.text("archiveLine");
        if (!row->archiveLine.isEmpty() && !DownloadArchive::isLine(row->archiveLine))
            read.failWith("archiveLine", QStringLiteral("is not an extractor and an id"));
    }
    row->ranges = read.ranges("ranges", row->total);
    if (row->ranges && row->ranges->bytes() != row->bytes)
        read.failWith("bytes", QStringLiteral("are not the sum of the ranges"));
    if (row->byExtractor && (row->watchPage.isEmpty() || row->encoding.isEmpty()))
        read.failWith("byExtractor", QStringLiteral("names no page or format to ask the extractor for"));
    if (!row->recipe.isEmpty() && !row->byExtractor)
        read.failWith("recipe", QStringLiteral("is given to a row the extractor does not fetch"));
    *reason = read.error();
    return reason->isEmpty();
}

} // namespace

QString DownloadJournal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/downloads.json");
}

DownloadJournal::DownloadJournal(QString path)
    : m_path(std::move(path))
{
}

QByteArray DownloadJournal::toJson(const QList<JournalRow> &rows)
{
    QJsonArray array;
    for (const JournalRow &row : rows)
        array.append(rowToJson(row));
    const QJsonObject root{{QStringLiteral("format"), Format},
                           {QStringLiteral("version"), Version},
                           {QStringLiteral("rows"), array}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool DownloadJournal::fromJson(const QByteArray &json, QList<JournalRow> *rows, int *version, QString *reason)
{
    rows->clear();
    *version = 0;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        *reason = QStringLiteral("not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return false;
    }
    const QJsonObject root = document.object();
    const QJsonValue versionValue = root.value(QStringLiteral("version"));
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != Format
        || !versionValue.isDouble() || versionValue.toDouble() < 1 || versionValue.toDouble() > 1e6
        || std::floor(versionValue.toDouble()) != versionValue.toDouble()) {
        *reason = QStringLiteral("not a download list of this program");
        return false;
    }
    *version = versionValue.toInt();
    if (*version > Version) {
        *reason = QStringLiteral("written by a newer version (%1) of the program").arg(*version);
        return false;
    }
    const QJsonValue rowsValue = root.value(QStringLiteral("rows"));
    if (!rowsValue.isArray() || rowsValue.toArray().size() > MaxRows) {
        *reason = QStringLiteral("the rows are not a list of at most %1").arg(MaxRows);
        return false;
    }
    QSet<QString> addresses;
    const QJsonArray array = rowsValue.toArray();
    for (int i = 0; i < array.size(); ++i) {
        JournalRow row;
        if (!rowFromJson(array.at(i), i, *version, &row, reason)) {
            rows->clear();
            return false;
        }
        if (addresses.contains(row.mediaAddress)) {
            *reason = QStringLiteral("row %1: the address is in the list twice").arg(i + 1);
            rows->clear();
            return false;
        }
        addresses.insert(row.mediaAddress);
        rows->append(row);
    }
    return true;
}

DownloadJournal::Loaded DownloadJournal::load()
{
    m_checked = true;
    Loaded loaded;
    QFile file(m_path);
    if (!file.exists())
        return loaded;
    QString reason;
    if (file.size() > MaxFileBytes) {
        reason = QStringLiteral("larger than %1 bytes").arg(MaxFileBytes);
    } else if (!file.open(QIODevice::ReadOnly)) {
        reason = QStringLiteral("cannot be read (%1)").arg(file.errorString());
    } else {
        int version = 0;
        if (fromJson(file.readAll(), &loaded.rows, &version, &reason)) {
            loaded.outcome = Loaded::Read;
            return loaded;
        }
        if (version > Version) {
            m_readOnly = true;
            loaded.outcome = Loaded::Newer;
            loaded.reason = reason;
            return loaded;
        }
    }
    file.close();
    loaded.outcome = Loaded::SetAside;
    loaded.reason = reason;
    loaded.setAsidePath = setAside();
    return loaded;
}

QStringList DownloadJournal::setAsideJournals() const
{
    const QFileInfo info(m_path);
    return info.dir().entryList({info.completeBaseName() + QStringLiteral(".broken-*.") + info.suffix()},
                                QDir::Files | QDir::Hidden);
}

QString DownloadJournal::setAside()
{
    const QFileInfo info(m_path);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = info.completeBaseName() + QStringLiteral(".broken-") + stamp
                             + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QLatin1Char('.') + info.suffix();
        const QString target = info.dir().filePath(name);
        if (QFileInfo::exists(target))
            continue;
        if (QFile::rename(m_path, target))
            return target;
        break;
    }
    // It could not be moved away: never write over it.
    m_readOnly = true;
    return QString();
}

bool DownloadJournal::save(const QList<JournalRow> &rows, QString *error)
{
    const auto failed = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!m_checked) {
        // Saved without a load first: a newer journal must still not be written over.
        m_checked = true;
        QFile existing(m_path);
        QList<JournalRow> ignored;
        int version = 0;
        QString reason;
        if (existing.size() <= MaxFileBytes && existing.open(QIODevice::ReadOnly)
            && !fromJson(existing.readAll(), &ignored, &version, &reason) && version > Version)
            m_readOnly = true;
    }
    if (m_readOnly)
        return failed(QStringLiteral("The journal %1 is kept as it is").arg(m_path));
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath()))
        return failed(QStringLiteral("Cannot create the folder %1").arg(info.absolutePath()));
    // Not synced to the disk: on the disk that takes the videos, every sync also pushed out the
    // unwritten bytes of every running download and made 25 downloads at once two to three times
    // slower. The rename alone keeps the journal whole when the program crashes or is killed; one
    // that a power cut damages is set aside at the next start like any unreadable journal.
    QTemporaryFile file(m_path + QStringLiteral(".XXXXXX")); // owner only, as the journal
    if (!file.open())
        return failed(QStringLiteral("Cannot write %1: %2").arg(m_path, file.errorString()));
    // Nothing is written that the reader would refuse: such a journal would be set aside, and the
    // whole list lost with it, at the next start.
    const QByteArray json = toJson(rows);
    QList<JournalRow> readBack;
    int version = 0;
    QString refused;
    if (json.size() > MaxFileBytes)
        return failed(QStringLiteral("The list would take more than %1 bytes").arg(MaxFileBytes));
    if (!fromJson(json, &readBack, &version, &refused))
        return failed(QStringLiteral("The list would not read back (%1)").arg(refused));
    // Counts past 2^53 come back as other numbers (texts may only lose what UTF-8 cannot hold).
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (readBack.at(i).bytes != rows.at(i).bytes || readBack.at(i).total != rows.at(i).total)
            return failed(QStringLiteral("The list would not read back: row %1's counts are too large").arg(i + 1));
    if (file.write(json) != json.size() || !file.flush())
        return failed(QStringLiteral("Cannot write %1: %2").arg(m_path, file.errorString()));
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(m_path).constData()) != 0)
        return failed(QStringLiteral("Cannot write %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno))));
    file.setAutoRemove(false); // it is the journal now
    return true;
}
