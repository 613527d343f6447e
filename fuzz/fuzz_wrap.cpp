// The formatted label's wrapper, with every character 10 pixels wide (12 in bold). Input: the
// line width in the first byte, then the caption. Wrapping moves text to new lines and drops
// blanks at the breaks, nothing else; every line fits unless it holds one word alone.

#include "FuzzSupport.h"

#include "base/TextHelpers.h"
#include "controls/FormattedText.h"
#include "controls/FormattedTextMeasure.h"

namespace {

class FixedMeasure final : public TextMeasure
{
public:
    double width(const QString &text, bool bold, bool) const override { return text.size() * (bold ? 12.0 : 10.0); }
    double height(const QString &text) const override { return LineCount(text) * 16.0; }
    double lineHeight() const override { return 16.0; }
};

QString withoutBlanks(const QList<TextSegment> &runs)
{
    QString text;
    for (const TextSegment &run : runs)
        text += run.Text;
    return text.remove(QLatin1Char(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const double width = 2.0 * data[0];
    FormattedText::BaseStyle style;
    style.evaluateColors = false;
    const QList<TextSegment> runs = FormattedText::ParseRuns(fuzz::Text(data + 1, size - 1), style);
    QList<TextSegment> wrapped = runs;
    const FixedMeasure measure;
    FormattedText::WrapSegments(wrapped, width, measure);

    FUZZ_CHECK(withoutBlanks(wrapped) == withoutBlanks(runs));
    FUZZ_CHECK(wrapped.first().NewLine);
    for (qsizetype start = 0; start < wrapped.size();) {
        qsizetype end = start + 1;
        double lineWidth = measure.width(wrapped.at(start).Text, wrapped.at(start).Bold, false);
        for (; end < wrapped.size() && !wrapped.at(end).NewLine; ++end)
            lineWidth += measure.width(wrapped.at(end).Text, wrapped.at(end).Bold, false);
        if (lineWidth > width) {
            FUZZ_CHECK(end == start + 1);
            const QString word = TrimBlanks(wrapped.at(start).Text);
            FUZZ_CHECK(!word.contains(QLatin1Char(' ')));
        }
        start = end;
    }
    return 0;
}
