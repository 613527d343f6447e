#include "recipes/PresetStore.h"

#include "base/IniFile.h"
#include "base/Settings.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace Recipes {

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kCountKey = QStringLiteral("Presets");
constexpr int kMaxPresets = 1000; // a larger count is not ours

QString entryKey(int index) // 0-based index, 1-based key
{
    return QStringLiteral("Preset.%1").arg(index + 1);
}

QString tr(const char *text)
{
    return QCoreApplication::translate("Recipes", text);
}

StoreResult refused(const QString &reason)
{
    return {false, reason};
}

// The user's presets as stored, entries that cannot be read left out.
QList<Preset> readUserPresets()
{
    const QString file = Settings::FilePath();
    bool ok = false;
    const int count = IniFile::read(kSection, kCountKey, file).trimmed().toInt(&ok);
    QList<Preset> presets;
    if (!ok)
        return presets;
    for (int i = 0; i < std::min(count, kMaxPresets); ++i) {
        Preset p;
        if (!DecodePreset(IniFile::read(kSection, entryKey(i), file), &p) || IsBuiltInName(p.name))
            continue;
        const bool taken = std::any_of(presets.cbegin(), presets.cend(), [&](const Preset &q) {
            return q.name.compare(p.name, Qt::CaseInsensitive) == 0;
        });
        if (!taken)
            presets << p;
    }
    return presets;
}

// Writes the entries, then the count, then clears the entries the count no longer covers.
StoreResult writeUserPresets(const QList<Preset> &presets, qsizetype before)
{
    const QString file = Settings::FilePath();
    bool ok = true;
    for (qsizetype i = 0; ok && i < presets.size(); ++i)
        ok = IniFile::write(kSection, entryKey(int(i)), EncodePreset(presets.at(i)), file);
    ok = ok && IniFile::write(kSection, kCountKey, QString::number(presets.size()), file);
    for (qsizetype i = presets.size(); ok && i < before; ++i)
        ok = IniFile::write(kSection, entryKey(int(i)), QString(), file);
    if (!ok)
        return refused(tr("The presets could not be saved in %1.").arg(file));
    return {true, QString()};
}

qsizetype indexOf(const QList<Preset> &presets, const QString &name)
{
    for (qsizetype i = 0; i < presets.size(); ++i)
        if (presets.at(i).name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Why name cannot be given to a preset (other than the one at skip), or empty when it can.
QString nameProblem(const QString &name, const QList<Preset> &presets, qsizetype skip)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return tr("A preset needs a name.");
    if (IsBuiltInName(trimmed))
        return tr("\"%1\" is the name of a built-in preset.").arg(trimmed);
    const qsizetype at = indexOf(presets, trimmed);
    if (at >= 0 && at != skip)
        return tr("There is already a preset called \"%1\".").arg(trimmed);
    return QString();
}

StoreResult notMine(const QString &name)
{
    if (IsBuiltInName(name))
        return refused(tr("\"%1\" is a built-in preset and cannot be changed.").arg(name.trimmed()));
    return refused(tr("There is no preset called \"%1\".").arg(name.trimmed()));
}

Preset normalised(Preset preset)
{
    preset.name = preset.name.trimmed();
    preset.subtitleLanguages = CleanLanguages(preset.subtitleLanguages);
    return preset;
}

} // namespace

QList<Preset> LoadPresets()
{
    return BuiltIns() + readUserPresets();
}

StoreResult AddPreset(const Preset &preset)
{
    QList<Preset> presets = readUserPresets();
    const QString problem = nameProblem(preset.name, presets, -1);
    if (!problem.isEmpty())
        return refused(problem);
    const qsizetype before = presets.size();
    presets << normalised(preset);
    return writeUserPresets(presets, before);
}

StoreResult EditPreset(const QString &name, const Preset &preset)
{
    QList<Preset> presets = readUserPresets();
    const qsizetype at = indexOf(presets, name);
    if (at < 0)
        return notMine(name);
    const QString problem = nameProblem(preset.name, presets, at);
    if (!problem.isEmpty())
        return refused(problem);
    presets[at] = normalised(preset);
    return writeUserPresets(presets, presets.size());
}

StoreResult RenamePreset(const QString &name, const QString &newName)
{
    const QList<Preset> presets = readUserPresets();
    const qsizetype at = indexOf(presets, name);
    if (at < 0)
        return notMine(name);
    Preset renamed = presets.at(at);
    renamed.name = newName;
    return EditPreset(name, renamed);
}

StoreResult DeletePreset(const QString &name)
{
    QList<Preset> presets = readUserPresets();
    const qsizetype at = indexOf(presets, name);
    if (at < 0)
        return notMine(name);
    const qsizetype before = presets.size();
    presets.removeAt(at);
    return writeUserPresets(presets, before);
}

QString EncodePreset(const Preset &preset)
{
    QJsonObject o;
    o[QLatin1String("name")] = preset.name;
    if (preset.kind == Kind::Audio) {
        o[QLatin1String("kind")] = QStringLiteral("audio");
        o[QLatin1String("format")] = Key(preset.audioFormat);
        o[QLatin1String("quality")] = Key(preset.audioQuality);
    } else {
        o[QLatin1String("kind")] = QStringLiteral("video");
        o[QLatin1String("height")] = preset.maxHeight;
        o[QLatin1String("container")] = Key(preset.container);
    }
    if (!preset.subtitleLanguages.isEmpty()) {
        o[QLatin1String("subs")] = QJsonArray::fromStringList(preset.subtitleLanguages);
        o[QLatin1String("auto")] = preset.automaticCaptions;
        o[QLatin1String("place")] = Key(preset.subtitlePlacement);
    }
    o[QLatin1String("metadata")] = preset.embedMetadata;
    o[QLatin1String("thumbnail")] = preset.embedThumbnail;
    o[QLatin1String("chapters")] = preset.embedChapters;
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

bool DecodePreset(const QString &text, Preset *preset)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return false;
    const QJsonObject o = doc.object();
    Preset p;
    bool ok = true;
    // A member present with the wrong type or value spoils the entry; an absent one keeps the default.
    auto choice = [&](const char *key, auto setter) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        ok = ok && v.isString() && setter(v.toString());
    };
    auto flag = [&](const char *key, bool *target) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return;
        ok = ok && v.isBool();
        *target = v.toBool();
    };

    p.name = o.value(QLatin1String("name")).toString().trimmed();
    if (p.name.isEmpty())
        return false;
    const QString kind = o.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("audio"))
        p.kind = Kind::Audio;
    else if (kind != QLatin1String("video"))
        return false;

    const QJsonValue height = o.value(QLatin1String("height"));
    if (!height.isUndefined()) {
        const int h = height.toInt(-1); // -1 for text and fractions too
        ok = ok && (h == 0 || Heights().contains(h));
        p.maxHeight = std::max(h, 0);
    }
    choice("container", [&](const QString &s) { return FromKey(s, &p.container); });
    choice("format", [&](const QString &s) { return FromKey(s, &p.audioFormat); });
    choice("quality", [&](const QString &s) { return FromKey(s, &p.audioQuality); });
    choice("place", [&](const QString &s) { return FromKey(s, &p.subtitlePlacement); });

    const QJsonValue subs = o.value(QLatin1String("subs"));
    if (!subs.isUndefined()) {
        ok = ok && subs.isArray();
        for (const QJsonValue &tag : subs.toArray()) {
            ok = ok && tag.isString() && IsLanguageTag(tag.toString());
            p.subtitleLanguages << tag.toString();
        }
    }
    flag("auto", &p.automaticCaptions);
    flag("metadata", &p.embedMetadata);
    flag("thumbnail", &p.embedThumbnail);
    flag("chapters", &p.embedChapters);
    if (!ok)
        return false;
    *preset = p;
    return true;
}

} // namespace Recipes
