#pragma once

#include "controls/FormattedText.h"
#include "controls/FormattedTextColor.h"

#include <QFont>
#include <QList>
#include <QPointF>
#include <QString>
#include <QVariantMap>
#include <QWidget>

class QSettings;

// A label that draws its caption with inline markup: <b>, <i>, <u>, <s> (and their closing
// tags), <c=N> with N a colour number &HBBGGRR (decimal or &H hexadecimal) up to </c>, and <br>.
// With word wrap on, runs are wrapped at blanks to the width; with autosize on, every drawing
// sets the height to fit the lines. Colours are 32-bit colour numbers (see OleColor); the
// default fore colour is the window text, the default background the button face.
//
// Drawing errors (a colour number beyond 32 bits, a caption longer than 32767 characters) are
// raised as RuntimeError to whoever set the property or called Refresh, unless the label is told
// to fall back to plain text (for text that comes from outside).
class ucFormattedLabel final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ucFormattedLabel)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool Autosize READ Autosize WRITE setAutosize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)

public:
    static constexpr quint32 DefaultForeColor = OleColor::WindowText;
    static constexpr quint32 DefaultBackColor = OleColor::ButtonFace;
    static constexpr int MinimumTwips = 150;

    explicit ucFormattedLabel(QWidget *parent = nullptr);
    ~ucFormattedLabel() override;

    quint32 BackColor() const { return m_backColor; }
    void setBackColor(quint32 color);
    quint32 ForeColor() const { return m_foreColor; }
    void setForeColor(quint32 color);
    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption); // stored without leading and trailing blanks
    bool Autosize() const { return m_autosize; }
    void setAutosize(bool autosize);
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wordWrap);
    // The font is the widget's own: setFont() marks "Font" changed and redraws.
    QFont Font() const { return font(); }

    // Parses the caption and draws it anew.
    void Refresh();

    // With the fall-back on, a caption that cannot be drawn is drawn as plain text instead of
    // raising: its characters without tags (line breaks kept) in the label's own font and fore
    // colour, cut to the longest caption the label draws.
    bool FallsBackToPlainText() const { return m_plainFallback; }
    void setFallBackToPlainText(bool fallBack);

    // The runs of the last drawing, after wrapping.
    QList<TextSegment> Segments() const { return m_segments; }
    // The caption's characters without tags, "\n" at every line break: what screen readers get.
    QString PlainText() const { return m_plainText; }

    // The property store, under the names "ForeColor", "BackColor", "Font", "Caption",
    // "Autosize" and "WordWrap". Missing entries take their defaults: window text, button face,
    // the container's font, the object name, false, false.
    void InitProperties(); // a new instance: the container's font, the object name as caption
    void ReadProperties(const QVariantMap &bag);
    QVariantMap WriteProperties() const;
    void ReadProperties(const QSettings &settings); // the settings' current group
    void WriteProperties(QSettings &settings) const;

    // The stored design of the main window's description label (lblDescription).
    static QVariantMap DescriptionProperties();

    // Twips (1440 to the inch) as pixels at dpi dots per inch, to the nearest pixel.
    static int TwipsToPixels(int twips, double dpi);
    // The smallest size the label takes: 150 twips each way at the screen's resolution.
    QSize MinimumPixels() const;

    // The drawn lines' height; the width of the longest unwrapped line (at most 400 pixels
    // when wrapping).
    QSize sizeHint() const override;

Q_SIGNALS:
    // A stored property ("Caption", "ForeColor"...) was changed through its setter.
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // One run placed on the surface.
    struct Run
    {
        QPointF baseline;
        QFont font;
        QColor color;
        QString text;
    };

    QFont ambientFont() const;
    FormattedText::BaseStyle baseStyle(bool evaluateColors) const;
    void updatePlainText();
    QList<TextSegment> segmentsToDraw() const;
    void refreshQuietly();
    void changed(const QString &name);

    QString m_caption;
    bool m_autosize = false;
    bool m_wordWrap = false;
    quint32 m_foreColor = DefaultForeColor;
    quint32 m_backColor = DefaultBackColor;
    QList<TextSegment> m_segments;
    QList<Run> m_runs;
    QString m_plainText;
    QSize m_contentHint;
    bool m_loading = false;
    bool m_plainFallback = false;
};
