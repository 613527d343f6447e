#include "controls/ucFormattedLabel.h"

#include "base/RuntimeError.h"
#include "base/TextHelpers.h"
#include "controls/FormattedTextMeasure.h"
#include "controls/ucFormattedLabelAccessible.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QSettings>

#include <cmath>

namespace {

const QString ForeColorKey = QStringLiteral("ForeColor");
const QString BackColorKey = QStringLiteral("BackColor");
const QString FontKey = QStringLiteral("Font");
const QString CaptionKey = QStringLiteral("Caption");
const QString AutosizeKey = QStringLiteral("Autosize");
const QString WordWrapKey = QStringLiteral("WordWrap");

// Colours may come back from a settings file as text, signed or unsigned.
quint32 colorValue(const QVariant &value, quint32 fallback)
{
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok ? static_cast<quint32>(number) : fallback;
}

double widestLine(const QList<TextSegment> &segments, const TextMeasure &measure)
{
    double widest = 0.0;
    double line = 0.0;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const TextSegment &segment = segments.at(i);
        if (segment.NewLine)
            line = 0.0;
        line += measure.width(segment.Text, segment.Bold, segment.Italic);
        widest = qMax(widest, line);
    }
    return widest;
}

} // namespace

ucFormattedLabel::ucFormattedLabel(QWidget *parent)
    : QWidget(parent)
{
    ucFormattedLabelAccessible::install();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(MinimumPixels());
    updatePlainText();
}

ucFormattedLabel::~ucFormattedLabel() = default;

void ucFormattedLabel::changed(const QString &name)
{
    emit PropertyChanged(name);
    Refresh();
}

void ucFormattedLabel::setBackColor(quint32 color)
{
    m_backColor = color;
    changed(BackColorKey);
}

void ucFormattedLabel::setForeColor(quint32 color)
{
    m_foreColor = color;
    changed(ForeColorKey);
}

void ucFormattedLabel::setCaption(const QString &caption)
{
    m_caption = TrimBlanks(caption);
    updatePlainText();
    changed(CaptionKey);
}

void ucFormattedLabel::setAutosize(bool autosize)
{
    m_autosize = autosize;
    changed(AutosizeKey);
}

void ucFormattedLabel::setWordWrap(bool wordWrap)
{
    m_wordWrap = wordWrap;
    changed(WordWrapKey);
}

FormattedText::BaseStyle ucFormattedLabel::baseStyle(bool evaluateColors) const
{
    const QFont base = font();
    FormattedText::BaseStyle style;
    style.bold = base.bold();
    style.italic = base.italic();
    style.underline = base.underline();
    style.strikethrough = base.strikeOut();
    style.defaultColor = OleColor::resolve(m_foreColor, palette());
    style.evaluateColors = evaluateColors;
    return style;
}

void ucFormattedLabel::updatePlainText()
{
    // Without colours nothing can fail, and any length is read.
    m_plainText = FormattedText::PlainText(FormattedText::ParseRuns(m_caption, baseStyle(false)));
    setAccessibleName(m_plainText);
}

void ucFormattedLabel::setFallBackToPlainText(bool fallBack)
{
    m_plainFallback = fallBack;
    refreshQuietly();
}

QList<TextSegment> ucFormattedLabel::segmentsToDraw() const
{
    try {
        return FormattedText::ParseCaption(m_caption, baseStyle(true));
    } catch (const RuntimeError &) {
        if (!m_plainFallback)
            throw;
    }
    qsizetype length = qMin<qsizetype>(m_caption.size(), FormattedText::MaxLength);
    if (length < m_caption.size() && m_caption.at(length - 1).isHighSurrogate())
        --length; // never half a character
    const FormattedText::BaseStyle plain = baseStyle(false);
    QList<TextSegment> segments = FormattedText::ParseRuns(QStringView(m_caption).first(length), plain);
    for (TextSegment &segment : segments) {
        segment.Bold = plain.bold;
        segment.Italic = plain.italic;
        segment.Underline = plain.underline;
        segment.Strikethrough = plain.strikethrough;
    }
    return segments;
}

void ucFormattedLabel::Refresh()
{
    // The surface is cleared first: a caption that cannot be drawn leaves it empty.
    m_runs.clear();
    m_segments.clear();
    update();

    const QFont base = font();
    QList<TextSegment> segments = segmentsToDraw();
    const FontTextMeasure measure(base, this);
    const double naturalWidth = widestLine(segments, measure);
    if (m_wordWrap)
        FormattedText::WrapSegments(segments, width(), measure);

    QList<Run> runs;
    runs.reserve(segments.size());
    const double lineHeight = measure.lineHeight();
    double x = 0.0;
    double y = 0.0;
    int lineBreaks = 0;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const TextSegment &segment = segments.at(i);
        if (i > 0 && segment.NewLine) {
            x = 0.0;
            y += lineHeight;
            ++lineBreaks;
        }
        QFont runFont = measure.styled(segment.Bold, segment.Italic);
        runFont.setUnderline(segment.Underline);
        runFont.setStrikeOut(segment.Strikethrough);
        const QFontMetricsF metrics(runFont, this);
        runs.append(Run{QPointF(x, y + metrics.ascent()), runFont,
                        OleColor::toQColor(segment.Color, palette()), segment.Text});
        x += metrics.horizontalAdvance(segment.Text);
    }
    m_segments = segments;
    m_runs = runs;

    const double hintWidth = m_wordWrap ? qMin(naturalWidth, 400.0) : naturalWidth;
    const QSize contentHint(static_cast<int>(std::ceil(hintWidth)),
                            static_cast<int>(std::ceil((lineBreaks + 1) * lineHeight)));
    if (contentHint != m_contentHint) {
        m_contentHint = contentHint;
        updateGeometry();
    }

    if (m_autosize) {
        const QString lines = QStringLiteral("ABCD\r\n").repeated(lineBreaks);
        const double fitting = FormattedText::RoundHalfEven(measure.height(lines));
        if (static_cast<int>(fitting) != height())
            resize(width(), static_cast<int>(fitting)); // comes back through resizeEvent
    }
}

void ucFormattedLabel::refreshQuietly()
{
    try {
        Refresh();
    } catch (const RuntimeError &) {
        // Only the caption can fail to draw, and that was raised to whoever set it; a resize or
        // a palette change leaves the surface empty.
    }
}

void ucFormattedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), OleColor::toQColor(m_backColor, palette()));
    for (const Run &run : std::as_const(m_runs)) {
        painter.setFont(run.font);
        painter.setPen(run.color);
        painter.drawText(run.baseline, run.text);
    }
}

void ucFormattedLabel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize smallest = MinimumPixels();
    if (width() < smallest.width() || height() < smallest.height()) {
        resize(qMax(width(), smallest.width()), qMax(height(), smallest.height()));
        return;
    }
    refreshQuietly();
}

void ucFormattedLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        if (!m_loading) {
            emit PropertyChanged(FontKey);
            refreshQuietly();
        }
        break;
    case QEvent::PaletteChange:
        if (!m_loading)
            refreshQuietly();
        break;
    default:
        break;
    }
}

int ucFormattedLabel::TwipsToPixels(int twips, double dpi)
{
    return static_cast<int>(FormattedText::RoundHalfEven(twips * dpi / 1440.0));
}

QSize ucFormattedLabel::MinimumPixels() const
{
    return QSize(TwipsToPixels(MinimumTwips, logicalDpiX()),
                 TwipsToPixels(MinimumTwips, logicalDpiY()));
}

QSize ucFormattedLabel::sizeHint() const
{
    return m_contentHint.expandedTo(MinimumPixels());
}

QFont ucFormattedLabel::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}

void ucFormattedLabel::InitProperties()
{
    m_loading = true;
    setFont(ambientFont());
    m_loading = false;
    m_caption = TrimBlanks(objectName());
    updatePlainText();
    Refresh();
}

void ucFormattedLabel::ReadProperties(const QVariantMap &bag)
{
    m_foreColor = colorValue(bag.value(ForeColorKey), DefaultForeColor);
    m_backColor = colorValue(bag.value(BackColorKey), DefaultBackColor);
    QFont stored = ambientFont();
    const QVariant fontValue = bag.value(FontKey);
    if (fontValue.metaType().id() == QMetaType::QFont)
        stored = fontValue.value<QFont>();
    else if (fontValue.isValid())
        stored.fromString(fontValue.toString());
    m_loading = true;
    setFont(stored);
    m_loading = false;
    m_caption = TrimBlanks(bag.value(CaptionKey, objectName()).toString());
    m_autosize = bag.value(AutosizeKey, false).toBool();
    m_wordWrap = bag.value(WordWrapKey, false).toBool();
    updatePlainText();
    Refresh();
}

QVariantMap ucFormattedLabel::WriteProperties() const
{
    QVariantMap bag;
    bag.insert(ForeColorKey, m_foreColor);
    bag.insert(BackColorKey, m_backColor);
    bag.insert(FontKey, font());
    bag.insert(CaptionKey, m_caption);
    bag.insert(AutosizeKey, m_autosize);
    bag.insert(WordWrapKey, m_wordWrap);
    return bag;
}

void ucFormattedLabel::ReadProperties(const QSettings &settings)
{
    QVariantMap bag;
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        bag.insert(key, settings.value(key));
    ReadProperties(bag);
}

void ucFormattedLabel::WriteProperties(QSettings &settings) const
{
    const QVariantMap bag = WriteProperties();
    for (auto it = bag.cbegin(); it != bag.cend(); ++it) {
        // The font as its text form, which any settings format keeps readable.
        settings.setValue(it.key(), it.key() == FontKey ? QVariant(font().toString()) : it.value());
    }
}

QVariantMap ucFormattedLabel::DescriptionProperties()
{
    QVariantMap bag;
    bag.insert(CaptionKey, QStringLiteral("<b>Description:</b>"));
    bag.insert(WordWrapKey, true);
    bag.insert(ForeColorKey, OleColor::ButtonText);
    bag.insert(FontKey, QApplication::font());
    return bag;
}
