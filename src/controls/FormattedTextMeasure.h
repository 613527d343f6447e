#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QString>

#include <array>

class QPaintDevice;

// How wide and high text is on the surface that draws it, so that the label's wrapping can be
// worked out (and tested) without a widget.
class TextMeasure
{
public:
    virtual ~TextMeasure() = default;

    // Width of text in the given style.
    virtual double width(const QString &text, bool bold, bool italic) const = 0;
    // Height of text: one line height per line, a line break (CR LF, CR or LF) starting a line.
    virtual double height(const QString &text) const = 0;
    // The distance from one line's top to the next one's.
    virtual double lineHeight() const = 0;
};

// Measures with a real font, on a device's resolution (the screen's when none is given). The
// metrics of the four styles are made once: wrapping measures many short texts.
class FontTextMeasure final : public TextMeasure
{
public:
    explicit FontTextMeasure(const QFont &font, const QPaintDevice *device = nullptr);

    double width(const QString &text, bool bold, bool italic) const override;
    double height(const QString &text) const override;
    double lineHeight() const override;

    // The font of a run in the given style.
    QFont styled(bool bold, bool italic) const;

private:
    QFont m_font;
    const QPaintDevice *m_device;
    std::array<QFontMetricsF, 4> m_metrics; // by 2 x bold + italic
};

// Number of lines that text spans: one more than its line breaks.
int LineCount(const QString &text);
