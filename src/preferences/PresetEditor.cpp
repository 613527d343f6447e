#include "preferences/PresetEditor.h"

#include "preferences/FormControls.h"
#include "recipes/PresetStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace Recipes;
using FormControls::addRow;
using FormControls::named;

namespace {

constexpr int NameRole = Qt::UserRole;

QComboBox *comboBox(QWidget *parent, const char *name, std::initializer_list<std::pair<const char *, QVariant>> items)
{
    auto *box = named(new QComboBox(parent), name, QString());
    for (const auto &[text, value] : items)
        box->addItem(QString::fromUtf8(text), value);
    return box;
}

void choose(QComboBox *box, const QVariant &value)
{
    box->setCurrentIndex(std::max(0, box->findData(value)));
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    auto *b = named(new QPushButton(caption, parent), name, caption);
    b->setAutoDefault(false);
    return b;
}

} // namespace

PresetEditor::PresetEditor(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PresetEditor"));
    buildControls();
    reload();
}

PresetEditor::~PresetEditor() = default;

void PresetEditor::buildControls()
{
    lstPresets = named(new QListWidget(this), "lstPresets", QStringLiteral("Presets"));
    auto *lblPresets = named(new QLabel(QStringLiteral("&Presets:"), this), "lblPresets", QStringLiteral("Presets:"));
    lblPresets->setBuddy(lstPresets);

    txtPresetName = named(new QLineEdit(this), "txtPresetName", QString());
    cboPresetKind = comboBox(this, "cboPresetKind", {{"Video with audio", int(Kind::Video)}, {"Audio only", int(Kind::Audio)}});
    cboMaxHeight = comboBox(this, "cboMaxHeight", {{"No limit", 0}});
    for (int height : Heights())
        cboMaxHeight->addItem(QStringLiteral("%1p").arg(height), height);
    cboContainer = comboBox(this, "cboContainer", {{"MP4", int(Container::Mp4)}, {"MKV", int(Container::Mkv)}, {"WebM", int(Container::Webm)}});
    cboAudioFormat = comboBox(this, "cboAudioFormat", {{"MP3", int(AudioFormat::Mp3)}, {"M4A", int(AudioFormat::M4a)},
                                                       {"Opus", int(AudioFormat::Opus)}, {"FLAC", int(AudioFormat::Flac)},
                                                       {"WAV", int(AudioFormat::Wav)}});
    cboAudioQuality = comboBox(this, "cboAudioQuality", {{"Best", int(AudioQuality::Best)}, {"320 kbit/s", int(AudioQuality::K320)},
                                                         {"192 kbit/s", int(AudioQuality::K192)}, {"128 kbit/s", int(AudioQuality::K128)}});
    txtSubtitleLanguages = named(new QLineEdit(this), "txtSubtitleLanguages", QString());
    txtSubtitleLanguages->setPlaceholderText(QStringLiteral("none; or languages such as en, de, pt-BR"));
    chkAutomaticCaptions = named(new QCheckBox(QStringLiteral("Also a&utomatic captions"), this), "chkAutomaticCaptions",
                                 QStringLiteral("Also automatic captions"));
    cboSubtitlePlacement = comboBox(this, "cboSubtitlePlacement",
                                    {{"Embedded in the file", int(SubtitlePlacement::Embedded)},
                                     {"Beside the file as SRT", int(SubtitlePlacement::BesideSrt)},
                                     {"Beside the file as VTT", int(SubtitlePlacement::BesideVtt)}});
    chkEmbedMetadata = named(new QCheckBox(QStringLiteral("Embed &metadata (title, artist, date, description)"), this),
                             "chkEmbedMetadata", QStringLiteral("Embed metadata"));
    chkEmbedThumbnail = named(new QCheckBox(QStringLiteral("Embed the &thumbnail as cover art"), this), "chkEmbedThumbnail",
                              QStringLiteral("Embed the thumbnail as cover art"));
    chkEmbedChapters = named(new QCheckBox(QStringLiteral("Embed c&hapters"), this), "chkEmbedChapters",
                             QStringLiteral("Embed chapters"));

    auto *form = new QFormLayout;
    addRow(form, "lblPresetName", QStringLiteral("&Name:"), txtPresetName);
    addRow(form, "lblPresetKind", QStringLiteral("&Kind:"), cboPresetKind);
    addRow(form, "lblMaxHeight", QStringLiteral("Highest &resolution:"), cboMaxHeight);
    addRow(form, "lblContainer", QStringLiteral("&Container:"), cboContainer);
    addRow(form, "lblAudioFormat", QStringLiteral("Audio &format:"), cboAudioFormat);
    addRow(form, "lblAudioQuality", QStringLiteral("Audio &quality:"), cboAudioQuality);
    addRow(form, "lblSubtitleLanguages", QStringLiteral("Subtitle &languages:"), txtSubtitleLanguages);
    form->addRow(QString(), chkAutomaticCaptions);
    addRow(form, "lblSubtitlePlacement", QStringLiteral("&Subtitles:"), cboSubtitlePlacement);
    for (QCheckBox *box : {chkEmbedMetadata, chkEmbedThumbnail, chkEmbedChapters})
        form->addRow(QString(), box);

    cmdAddPreset = button(this, "cmdAddPreset", QStringLiteral("Add"));
    cmdSavePreset = button(this, "cmdSavePreset", QStringLiteral("Save changes"));
    cmdRenamePreset = button(this, "cmdRenamePreset", QStringLiteral("Rename"));
    cmdDeletePreset = button(this, "cmdDeletePreset", QStringLiteral("Delete"));
    lblPresetStatus = named(new QLabel(this), "lblPresetStatus", QStringLiteral("Presets"));
    lblPresetStatus->setWordWrap(true);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {cmdAddPreset, cmdSavePreset, cmdRenamePreset, cmdDeletePreset})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *list = new QVBoxLayout;
    list->addWidget(lblPresets);
    list->addWidget(lstPresets, 1);
    auto *top = new QHBoxLayout;
    top->addLayout(list, 2);
    top->addLayout(form, 3);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    layout->addWidget(lblPresetStatus);

    connect(lstPresets, &QListWidget::currentRowChanged, this, &PresetEditor::chosenChanged);
    connect(cboPresetKind, &QComboBox::currentIndexChanged, this, &PresetEditor::kindChanged);
    connect(cmdAddPreset, &QPushButton::clicked, this, [this] {
        Preset preset;
        if (!fields(&preset))
            return;
        const StoreResult result = AddPreset(preset);
        report(result.ok, result.reason, QStringLiteral("\"%1\" was added.").arg(preset.name.trimmed()), preset.name);
    });
    connect(cmdSavePreset, &QPushButton::clicked, this, [this] {
        Preset preset;
        if (!fields(&preset))
            return;
        const StoreResult result = EditPreset(chosenName(), preset);
        report(result.ok, result.reason, QStringLiteral("\"%1\" was saved.").arg(preset.name.trimmed()), preset.name);
    });
    connect(cmdRenamePreset, &QPushButton::clicked, this, [this] {
        const QString name = txtPresetName->text().trimmed();
        const StoreResult result = RenamePreset(chosenName(), name);
        report(result.ok, result.reason, QStringLiteral("\"%1\" is now called \"%2\".").arg(chosenName(), name), name);
    });
    connect(cmdDeletePreset, &QPushButton::clicked, this, [this] {
        const QString name = chosenName();
        const StoreResult result = DeletePreset(name);
        report(result.ok, result.reason, QStringLiteral("\"%1\" was deleted.").arg(name), QString());
    });
}

void PresetEditor::reload(const QString &name)
{
    m_presets = LoadPresets();
    const QSignalBlocker quiet(lstPresets);
    lstPresets->clear();
    int chosen = 0;
    for (const Preset &preset : std::as_const(m_presets)) {
        const bool builtIn = IsBuiltInName(preset.name);
        auto *item = new QListWidgetItem(builtIn ? QStringLiteral("%1 (built-in)").arg(preset.name) : preset.name, lstPresets);
        item->setData(NameRole, preset.name);
        if (preset.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            chosen = lstPresets->count() - 1;
    }
    lstPresets->setCurrentRow(chosen);
    chosenChanged();
}

QString PresetEditor::chosenName() const
{
    const QListWidgetItem *item = lstPresets->currentItem();
    return item ? item->data(NameRole).toString() : QString();
}

void PresetEditor::chosenChanged()
{
    const int row = lstPresets->currentRow();
    if (row < 0 || row >= m_presets.size())
        return;
    showPreset(m_presets.at(row));
    const bool builtIn = IsBuiltInName(m_presets.at(row).name);
    for (QPushButton *b : {cmdSavePreset, cmdRenamePreset, cmdDeletePreset})
        b->setEnabled(!builtIn);
}

void PresetEditor::showPreset(const Preset &preset)
{
    txtPresetName->setText(preset.name);
    choose(cboPresetKind, int(preset.kind));
    choose(cboMaxHeight, preset.maxHeight);
    choose(cboContainer, int(preset.container));
    choose(cboAudioFormat, int(preset.audioFormat));
    choose(cboAudioQuality, int(preset.audioQuality));
    txtSubtitleLanguages->setText(preset.subtitleLanguages.join(QStringLiteral(", ")));
    chkAutomaticCaptions->setChecked(preset.automaticCaptions);
    choose(cboSubtitlePlacement, int(preset.subtitlePlacement));
    chkEmbedMetadata->setChecked(preset.embedMetadata);
    chkEmbedThumbnail->setChecked(preset.embedThumbnail);
    chkEmbedChapters->setChecked(preset.embedChapters);
    kindChanged();
}

void PresetEditor::kindChanged()
{
    const bool audio = cboPresetKind->currentData().toInt() == int(Kind::Audio);
    for (QWidget *w : std::initializer_list<QWidget *>{cboMaxHeight, cboContainer})
        w->setEnabled(!audio);
    for (QWidget *w : std::initializer_list<QWidget *>{cboAudioFormat, cboAudioQuality})
        w->setEnabled(audio);
}

bool PresetEditor::fields(Preset *preset)
{
    preset->name = txtPresetName->text().trimmed();
    preset->kind = static_cast<Kind>(cboPresetKind->currentData().toInt());
    preset->maxHeight = cboMaxHeight->currentData().toInt();
    preset->container = static_cast<Container>(cboContainer->currentData().toInt());
    preset->audioFormat = static_cast<AudioFormat>(cboAudioFormat->currentData().toInt());
    preset->audioQuality = static_cast<AudioQuality>(cboAudioQuality->currentData().toInt());
    preset->subtitleLanguages = txtSubtitleLanguages->text().split(QRegularExpression(QStringLiteral("[\\s,;]+")), Qt::SkipEmptyParts);
    preset->automaticCaptions = chkAutomaticCaptions->isChecked();
    preset->subtitlePlacement = static_cast<SubtitlePlacement>(cboSubtitlePlacement->currentData().toInt());
    preset->embedMetadata = chkEmbedMetadata->isChecked();
    preset->embedThumbnail = chkEmbedThumbnail->isChecked();
    preset->embedChapters = chkEmbedChapters->isChecked();
    for (const QString &tag : std::as_const(preset->subtitleLanguages)) {
        if (!IsLanguageTag(tag)) {
            report(false, QStringLiteral("\"%1\" is no language: use tags such as en, de or pt-BR.").arg(tag), QString(), QString());
            return false;
        }
    }
    return true;
}

void PresetEditor::report(bool ok, const QString &reason, const QString &done, const QString &select)
{
    const QString text = ok ? done : reason;
    lblPresetStatus->setText(text);
    lblPresetStatus->setAccessibleName(text);
    if (!ok)
        return;
    reload(select);
    Q_EMIT presetsChanged();
}
