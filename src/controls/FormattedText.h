#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

class TextMeasure;

// The formatted label's markup, without any widget: captions such as
// "<b>Description:</b> <c=&HFF>red</c><br>next line" turn into runs of text in one style each,
// and the runs are wrapped at blanks to a width measured through a TextMeasure.
//
// Colours are 32-bit colour numbers: &HBBGGRR (red in the low byte), or a system colour
// (&H800000xx) that is looked up in the palette when drawn.

// One run of text drawn in one style.
struct TextSegment
{
    QString Text;          // the characters to draw, tags removed
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    bool NewLine = false;  // the run begins a new line
    quint32 Color = 0;     // &HBBGGRR or a system colour

    friend bool operator==(const TextSegment &, const TextSegment &) = default;
};

// What FindNextTag found.
struct TagInfo
{
    enum Type : qint32 {
        None = 1,
        Bold = 2,
        Italic = 3,
        Underline = 4,
        Strikethrough = 5,
        Color = 6,
        LineBreak = 7,
    };

    qint32 TagType = None;
    QString Value;         // "True"/"False" for styles, the number's text for colours, "-1" for </c>
    qsizetype StartPos = -1; // 0-based positions of the tag's "<" and ">"
    qsizetype EndPos = -1;
};

namespace FormattedText {

// Positions and segment indices are 16-bit: longer captions are an overflow. A caption within this
// length never gives more runs than that either, before or after wrapping.
constexpr int MaxLength = 32767;

// How the first run starts: the font's own styles and the default colour (already an RGB
// value, never a system colour).
struct BaseStyle
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    quint32 defaultColor = 0;
    // Screen-reader text needs only the characters: colour numbers are then not evaluated,
    // so a colour that would overflow does not hide the text.
    bool evaluateColors = true;
};

// Nearest integer, a half going to the even one.
double RoundHalfEven(double value);

// The first recognised tag (tags in any case) whose "<" lies at or after from. Characters that
// only look like a tag ("<x>", "<c=red>") are skipped and stay ordinary text. One pass over the
// text, however many "<" it holds.
TagInfo FindNextTag(QStringView text, qsizetype from = 0);

// Whether a colour tag's inside is numeric: a decimal number ("255", "-1", "1.5e2") or a
// hexadecimal one with the prefix &H ("&hff"), blanks around it allowed.
bool IsColorNumber(QStringView inside);
// The colour tag's number as a 32-bit value (hexadecimal numbers of eight digits keep their bit
// pattern, so "&h80000012" is a system colour). Throws RuntimeError::overflow() when the number
// does not fit into 32 bits.
quint32 ColorNumber(const QString &inside);

// Sets the style, colour or line start that tag names on segment.
void ApplyTag(TextSegment &segment, const TagInfo &tag, const BaseStyle &base);

// Cuts caption into runs. Throws RuntimeError::overflow() for a caption longer than MaxLength
// characters or a colour number beyond 32 bits.
QList<TextSegment> ParseCaption(const QString &caption, const BaseStyle &base);
// The same for a caption of any length, in time linear in its length.
QList<TextSegment> ParseRuns(QStringView caption, const BaseStyle &base);

// Wraps runs at blanks so that lines fit into width: a line breaks at the last blank at which it
// still fits, a run whose first word does not fit on the rest of a line moves to the next line,
// and a word wider than a line stands alone on its line, the rest wrapping behind it. Only the
// lines placed are measured, so the work grows with the length of the text, not its square.
void WrapSegments(QList<TextSegment> &segments, double width, const TextMeasure &measure);

// The characters of the runs, a line break ("\n") before every run that starts a line.
QString PlainText(const QList<TextSegment> &segments);

} // namespace FormattedText
