#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

#ifdef CLIPVAULT_HAVE_WEBENGINE
class QWebEngineView;
using PreviewPlayer = QWebEngineView;
#else
using PreviewPlayer = QLabel;
#endif

// The "Preview" tab: the site's embeddable player in a web view, and "Remove Preview" to unload
// it. The web view is created on first use, so that start-up does not pay for it.
class PreviewPanel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPanel)

public:
    explicit PreviewPanel(QWidget *parent = nullptr);
    ~PreviewPanel() override;

    QPushButton *cmdRemove = nullptr;
    PreviewPlayer *SF = nullptr; // null until the first preview

    // The address the player was last told to load; "about:blank" once unloaded.
    QString movie() const { return m_movie; }

    // Loads address into the player (layer 0 is the only one); a blank address unloads it.
    void LoadMovie(int layer, const QString &address);

Q_SIGNALS:
    void requestTab(int tab); // 2: "Preview"

public Q_SLOTS:
    // Plays the video of a watch address (the address box's text, blanks around it dropped).
    void cmdPreview_Click(const QString &address);
    void cmdRemove_Click();

private:
    void createPlayer();

    QVBoxLayout *m_layout = nullptr;
    QLabel *m_hint = nullptr;
    QString m_movie;
};
