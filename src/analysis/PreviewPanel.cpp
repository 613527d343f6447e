#include "analysis/PreviewPanel.h"

#include "pages/WatchAddress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#ifdef CLIPVAULT_HAVE_WEBENGINE
#include <QWebEngineView>
#endif

PreviewPanel::PreviewPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewPanel"));
    cmdRemove = new QPushButton(QStringLiteral("Remove Preview"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    cmdRemove->setAccessibleName(QStringLiteral("Remove Preview"));
    cmdRemove->hide();
    connect(cmdRemove, &QPushButton::clicked, this, &PreviewPanel::cmdRemove_Click);

    m_hint = new QLabel(QStringLiteral("Press \"Preview\" on the YouTube tab to watch the video here."), this);
    m_hint->setObjectName(QStringLiteral("lblPreviewHint"));
    m_hint->setAlignment(Qt::AlignCenter);
    m_hint->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdRemove);
    m_layout = new QVBoxLayout(this);
    m_layout->addWidget(m_hint, 1);
    m_layout->addLayout(buttons);
}

PreviewPanel::~PreviewPanel() = default;

void PreviewPanel::createPlayer()
{
    if (SF)
        return;
#ifdef CLIPVAULT_HAVE_WEBENGINE
    SF = new QWebEngineView(this);
#else
    SF = new QLabel(this);
    SF->setAlignment(Qt::AlignCenter);
    SF->setWordWrap(true);
    SF->setTextInteractionFlags(Qt::TextSelectableByMouse);
#endif
    SF->setObjectName(QStringLiteral("SF"));
    SF->setAccessibleName(QStringLiteral("Video player"));
    SF->setMinimumSize(320, 240);
    m_hint->hide();
    m_layout->insertWidget(0, SF, 1);
}

void PreviewPanel::LoadMovie(int layer, const QString &address)
{
    Q_UNUSED(layer) // the player has one layer
    createPlayer();
    m_movie = address.trimmed().isEmpty() ? QStringLiteral("about:blank") : address;
#ifdef CLIPVAULT_HAVE_WEBENGINE
    SF->load(QUrl(m_movie));
#else
    SF->setText(m_movie == QLatin1String("about:blank")
                    ? QString()
                    : QStringLiteral("This build has no web view to play the preview.\n%1").arg(m_movie));
#endif
}

void PreviewPanel::cmdPreview_Click(const QString &address)
{
    // The box accepts an address with blanks around it; the player is given the address alone.
    LoadMovie(0, WatchAddress::EmbedAddress(address.trimmed()));
    Q_EMIT requestTab(2);
    cmdRemove->show();
}

void PreviewPanel::cmdRemove_Click()
{
    cmdRemove->hide();
    LoadMovie(0, QStringLiteral(" "));
}
