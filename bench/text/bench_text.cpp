// Page text under load: every function that reads text from a page is fed inputs of 1 and 10
// million characters of each shape that once made it slow, and the times are compared. Linear
// work gives a ratio near 10; the 10 million character call should stay well under a second in a
// release build.
//
// The wrapping is timed twice: with every character 10 pixels wide (the wrapping's own work, on
// 1 and 10 million characters) and with a real font, where each measured text costs Qt several
// microseconds of shaping; with the real font it is fed what the label can hold (32,767
// characters) and ten times that, and only the ratio has a target.
//
//   clipvault-bench-text [--runs N]    (offscreen: QT_QPA_PLATFORM=offscreen)

#include "videoinfo/PageText.h"
#include "controls/FormattedText.h"
#include "controls/FormattedTextMeasure.h"

#include <QApplication>
#include <QFont>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

constexpr double MaxRatio = 12.0;
constexpr double MaxSeconds = 1.0;

// Text of `length` characters: `unit` repeated, then `tail`.
QString shape(const QString &unit, qsizetype length, const QString &tail = QString())
{
    QString text = unit.repeated(length / unit.size());
    text.truncate(length - tail.size());
    return text + tail;
}

// Every character 10 pixels wide.
class FixedMeasure final : public TextMeasure
{
public:
    double width(const QString &text, bool, bool) const override { return 10.0 * text.size(); }
    double height(const QString &text) const override { return 16.0 * LineCount(text); }
    double lineHeight() const override { return 16.0; }
};

struct Case
{
    const char *function;
    const char *shape;
    std::function<QString(qsizetype)> input;
    std::function<qsizetype(const QString &)> run; // returns something of the result, so it is used
    qsizetype small = 1'000'000;                   // the large input is ten times as long
    bool timeTarget = true;                         // whether the large call has to stay under 1 s
};

// The processor time of this thread: on a machine busy with builds, the time that passes on the
// clock says more about the other processes than about the function.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double bestSeconds(const Case &c, const QString &input, int runs, qsizetype &sink)
{
    double best = 1e9;
    for (int k = 0; k < runs; ++k) {
        const double start = threadSeconds();
        sink += c.run(input);
        best = qMin(best, threadSeconds() - start);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int runs = 3;
    const QStringList args = app.arguments();
    if (const qsizetype at = args.indexOf(QStringLiteral("--runs")); at > 0 && at + 1 < args.size())
        runs = qMax(1, args.at(at + 1).toInt());

    using namespace modFunctions;
    using namespace FormattedText;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    const FontTextMeasure measure(font);
    const BaseStyle style;
    const FixedMeasure fixed;
    const auto wrapped = [&](const QString &text, double width, const TextMeasure &by) {
        QList<TextSegment> segments{TextSegment{text, false, false, false, false, true, 0}};
        WrapSegments(segments, width, by);
        return segments.size();
    };
    constexpr qsizetype label = MaxLength;

    const QList<Case> cases = {
        {"CleanTitle", "blanks", [](qsizetype n) { return shape(QStringLiteral(" "), n); },
         [](const QString &t) { return CleanTitle(t).size(); }},
        {"CleanTitle", "&amp; and blanks", [](qsizetype n) { return shape(QStringLiteral("&amp; "), n); },
         [](const QString &t) { return CleanTitle(t).size(); }},
        {"CleanTitle", "&amp;lt;", [](qsizetype n) { return shape(QStringLiteral("&amp;lt;"), n); },
         [](const QString &t) { return CleanTitle(t).size(); }},
        {"CleanTitle", "\\'", [](qsizetype n) { return shape(QStringLiteral("\\'"), n); },
         [](const QString &t) { return CleanTitle(t).size(); }},
        {"CleanTitle", "file name characters", [](qsizetype n) { return shape(QStringLiteral("a/:*?<>| "), n); },
         [](const QString &t) { return CleanTitle(t).size(); }},
        {"StripTags", "tags", [](qsizetype n) { return shape(QStringLiteral("<b>x</b> "), n); },
         [](const QString &t) { return StripTags(t).size(); }},
        {"StripTags", "&amp;lt;", [](qsizetype n) { return shape(QStringLiteral("&amp;lt;"), n); },
         [](const QString &t) { return StripTags(t).size(); }},
        {"FindNextTag", "< ... < >", [](qsizetype n) { return shape(QStringLiteral("<"), n, QStringLiteral(">")); },
         [](const QString &t) { return FindNextTag(t).StartPos; }},
        {"FindNextTag", "<c=<c= ... >", [](qsizetype n) { return shape(QStringLiteral("<c="), n, QStringLiteral(">")); },
         [](const QString &t) { return FindNextTag(t).StartPos; }},
        {"ParseRuns", "tags", [](qsizetype n) { return shape(QStringLiteral("<b>x</b> "), n); },
         [&](const QString &t) { return ParseRuns(t, style).size(); }},
        {"ParseRuns", "< ... < >", [](qsizetype n) { return shape(QStringLiteral("<"), n, QStringLiteral(">")); },
         [&](const QString &t) { return ParseRuns(t, style).size(); }},
        {"WrapSegments", "short words, 100 px", [](qsizetype n) { return shape(QStringLiteral("ab cd ef "), n); },
         [&](const QString &t) { return wrapped(t, 100, fixed); }},
        {"WrapSegments", "long words, 100 px", [](qsizetype n) { return shape(QStringLiteral("abcdefghijklmnopqrstuvwxyz "), n); },
         [&](const QString &t) { return wrapped(t, 100, fixed); }},
        {"WrapSegments", "blank runs, 100 px", [](qsizetype n) { return shape(QStringLiteral("ab           "), n); },
         [&](const QString &t) { return wrapped(t, 100, fixed); }},
        {"WrapSegments", "font: words, 100 px", [](qsizetype n) { return shape(QStringLiteral("ab cd ef "), n); },
         [&](const QString &t) { return wrapped(t, 100, measure); }, label, false},
        {"WrapSegments", "font: words, 400 px", [](qsizetype n) { return shape(QStringLiteral("ab cd ef "), n); },
         [&](const QString &t) { return wrapped(t, 400, measure); }, label, false},
        {"WrapSegments", "font: blank runs, 100px", [](qsizetype n) { return shape(QStringLiteral("ab           "), n); },
         [&](const QString &t) { return wrapped(t, 100, measure); }, label, false},
    };

    std::printf("%-13s %-24s %9s %10s %10s %7s\n", "function", "input", "chars", "1x s", "10x s", "ratio");
    bool ok = true;
    qsizetype sink = 0;
    for (const Case &c : cases) {
        const double small = bestSeconds(c, c.input(c.small), runs, sink);
        const double large = bestSeconds(c, c.input(10 * c.small), runs, sink);
        const double ratio = large / qMax(small, 1e-9);
        const bool good = ratio <= MaxRatio && (!c.timeTarget || large < MaxSeconds);
        ok = ok && good;
        std::printf("%-13s %-24s %9lld %10.4f %10.4f %7.1f%s\n", c.function, c.shape, static_cast<long long>(c.small),
                    small, large, ratio, good ? "" : "  <- over the target");
    }
    std::printf("targets: ratio <= %.0f; 10x call < %.0f s (but with the real font)%s\n", MaxRatio, MaxSeconds,
                sink < 0 ? "" : "");
    return ok ? 0 : 1;
}
