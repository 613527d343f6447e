#pragma once

#include "recipes/Preset.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The Presets page: the list of presets (the built-ins first, marked as such) and the fields of
// the chosen one. "Add" stores the fields as a new preset, "Save changes" replaces the chosen one
// (also under a new name), "Rename" gives it the name in "Name:", "Delete" removes it; each acts at
// once on Settings.ini and says how it went. The built-ins cannot be changed, renamed or deleted,
// but their fields can be taken for a new preset.
class PresetEditor final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PresetEditor)

public:
    explicit PresetEditor(QWidget *parent = nullptr);
    ~PresetEditor() override;

    QListWidget *lstPresets = nullptr;
    QLineEdit *txtPresetName = nullptr;
    QComboBox *cboPresetKind = nullptr;
    QComboBox *cboMaxHeight = nullptr;
    QComboBox *cboContainer = nullptr;
    QComboBox *cboAudioFormat = nullptr;
    QComboBox *cboAudioQuality = nullptr;
    QLineEdit *txtSubtitleLanguages = nullptr;
    QCheckBox *chkAutomaticCaptions = nullptr;
    QComboBox *cboSubtitlePlacement = nullptr;
    QCheckBox *chkEmbedMetadata = nullptr;
    QCheckBox *chkEmbedThumbnail = nullptr;
    QCheckBox *chkEmbedChapters = nullptr;
    QPushButton *cmdAddPreset = nullptr;
    QPushButton *cmdSavePreset = nullptr;
    QPushButton *cmdRenamePreset = nullptr;
    QPushButton *cmdDeletePreset = nullptr;
    QLabel *lblPresetStatus = nullptr;

    // Reads the presets again, choosing the one called name (else the first).
    void reload(const QString &name = QString());

Q_SIGNALS:
    void presetsChanged(); // a preset was added, changed, renamed or deleted

private:
    void buildControls();
    void showPreset(const Recipes::Preset &preset);
    // The fields as a preset; false (with the reason shown) when a language is no tag.
    bool fields(Recipes::Preset *preset);
    QString chosenName() const;
    void chosenChanged();
    void kindChanged();
    void report(bool ok, const QString &reason, const QString &done, const QString &select);

    QList<Recipes::Preset> m_presets;
};
