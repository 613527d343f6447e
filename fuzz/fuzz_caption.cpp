// The formatted label's caption parser: the runs' text is the caption less its tags (blanks at
// either end aside), and every run after the first is opened by a tag.

#include "FuzzSupport.h"
#include "support/ReferenceText.h"

#include "base/RuntimeError.h"
#include "base/TextHelpers.h"
#include "controls/FormattedText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString caption = fuzz::Text(data, size);
    FormattedText::BaseStyle plain;
    plain.evaluateColors = false;
    const QList<TextSegment> runs = FormattedText::ParseRuns(caption, plain);
    FUZZ_CHECK(!runs.isEmpty() && runs.first().NewLine);
    FUZZ_CHECK(runs.size() <= 1 + caption.size() / 3); // a tag has three characters at least

    QString text;
    for (const TextSegment &run : runs)
        text += run.Text;
    FUZZ_CHECK(TrimBlanks(text) == TrimBlanks(reference::WithoutTags(caption)));

    // With colours read, only a colour number may fail, and it changes nothing else.
    FormattedText::BaseStyle coloured;
    coloured.defaultColor = 0x123456;
    try {
        const QList<TextSegment> colouredRuns = FormattedText::ParseRuns(caption, coloured);
        FUZZ_CHECK(colouredRuns.size() == runs.size());
        for (qsizetype i = 0; i < runs.size(); ++i)
            FUZZ_CHECK(colouredRuns.at(i).Text == runs.at(i).Text && colouredRuns.at(i).NewLine == runs.at(i).NewLine);
    } catch (const RuntimeError &error) {
        FUZZ_CHECK(error.number() == 6 || error.number() == 13);
        FUZZ_CHECK(caption.contains(QLatin1String("<c="), Qt::CaseInsensitive));
    }
    return 0;
}
