// Wrapping the label's runs at blanks.

#include "controls/FormattedText.h"

#include "controls/FormattedTextMeasure.h"

#include <algorithm>

namespace FormattedText {

namespace {

constexpr QChar Blank = QLatin1Char(' ');

qsizetype skipBlanks(QStringView text, qsizetype i)
{
    while (i < text.size() && text[i] == Blank)
        ++i;
    return i;
}

// How the text of a run fares behind x on a line of the given width.
struct Placement
{
    bool fits = false;       // the whole text fits
    double width = 0.0;      // its width, when it fits
    qsizetype breakAt = -1;  // the blank to break at (the last at which the line still fits), or -1
};

// The break candidates are the blanks and the end of the text. Their widths from the start of the
// text are measured in order until one is wider than the line can take, so only what can be
// placed on this line is measured. Of a run of blanks only the first counts: breaking at any of
// them leaves the same text on the line and the same rest.
Placement place(QStringView text, double x, double width, const TextSegment &style, const TextMeasure &measure)
{
    const double room = RoundHalfEven(width - x); // breaks are tested against the whole room
    const double enough = std::max(room, width - x);
    Placement p;
    qsizetype lastFitting = -1;
    bool beyondRoom = false;
    for (qsizetype blank = text.indexOf(Blank);; blank = text.indexOf(Blank, skipBlanks(text, blank))) {
        const qsizetype end = blank < 0 ? text.size() : blank;
        // The measured text is a view of the run's own characters, never a copy.
        const double prefix = measure.width(QString::fromRawData(text.data(), end), style.Bold, style.Italic);
        if (!beyondRoom && prefix > room) {
            beyondRoom = true;
            p.breakAt = lastFitting;
        }
        if (blank < 0) {
            p.fits = x + prefix <= width;
            p.width = prefix;
            return p;
        }
        if (prefix > enough)
            return p; // longer texts are wider still: neither the whole nor a later break fits
        if (!beyondRoom)
            lastFitting = blank;
    }
}

} // namespace

void WrapSegments(QList<TextSegment> &segments, double width, const TextMeasure &measure)
{
    QList<TextSegment> wrapped;
    wrapped.reserve(segments.size());
    double x = 0.0; // width used on the current line
    bool nextOnNewLine = false;

    for (TextSegment &segment : segments) {
        if (nextOnNewLine)
            segment.NewLine = true;
        nextOnNewLine = false;
        const QString whole = segment.Text;
        QStringView text(whole); // what is still to be placed

        for (;;) {
            if (segment.NewLine)
                x = 0.0;
            const Placement p = place(text, x, width, segment, measure);
            if (p.fits) {
                x += p.width;
                segment.Text = text.toString();
                wrapped.append(segment);
                break;
            }

            // The part that stays on this line and where the rest starts. Breaks lie at the first
            // blank of a run, so the part ends in a word (or is empty).
            QStringView first;
            qsizetype restAt = text.size();
            if (p.breakAt >= 0) {
                first = text.first(p.breakAt);
                restAt = skipBlanks(text, p.breakAt + 1);
            } else if (const qsizetype blank = text.indexOf(Blank); blank >= 0) {
                // No break fits: only the first word may go alone.
                first = text.first(blank);
                restAt = skipBlanks(text, blank + 1);
            }
            if (!segment.NewLine && (p.breakAt < 0 || first.isEmpty())) {
                segment.NewLine = true; // the run moves to the next line as a whole
                continue;
            }
            if (first.isEmpty()) {
                // A first word wider than the line stands alone on it (with the blanks before
                // it); the rest wraps behind it.
                const qsizetype wordEnd = text.indexOf(Blank, skipBlanks(text, 0));
                restAt = wordEnd < 0 ? text.size() : skipBlanks(text, wordEnd);
                if (restAt == text.size()) {
                    segment.Text = text.toString();
                    wrapped.append(segment);
                    nextOnNewLine = true;
                    break;
                }
                first = text.first(wordEnd);
            }
            segment.Text = first.toString();
            wrapped.append(segment);
            text = text.sliced(restAt);
            segment.NewLine = true;
        }
    }
    segments = std::move(wrapped);
}

} // namespace FormattedText
