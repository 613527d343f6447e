#include "app/RuntimeError.h"
#include "controls/FormattedText.h"
#include "controls/FormattedTextColor.h"
#include "controls/FormattedTextMeasure.h"
#include "controls/ucFormattedLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

constexpr quint32 Default = 0x123456; // the default colour the parser cases start from

// Every character ten wide (twelve in bold), for the pure wrapping rules.
class FixedMeasure final : public TextMeasure
{
public:
    double width(const QString &text, bool bold, bool) const override
    {
        return text.size() * (bold ? 12.0 : 10.0);
    }
    double height(const QString &text) const override { return LineCount(text) * 16.0; }
    double lineHeight() const override { return 16.0; }
};

// Runs written as "text|flags|colour", flags from B I U S N, colour "d" for the default.
QList<TextSegment> runs(const QStringList &specs)
{
    QList<TextSegment> list;
    for (const QString &spec : specs) {
        const QStringList parts = spec.split(QLatin1Char('|'));
        TextSegment s;
        s.Text = parts.value(0);
        const QString flags = parts.value(1);
        s.Bold = flags.contains(QLatin1Char('B'));
        s.Italic = flags.contains(QLatin1Char('I'));
        s.Underline = flags.contains(QLatin1Char('U'));
        s.Strikethrough = flags.contains(QLatin1Char('S'));
        s.NewLine = flags.contains(QLatin1Char('N'));
        const QString color = parts.value(2, QStringLiteral("d"));
        s.Color = color == QLatin1String("d") ? Default : color.toUInt(nullptr, 0);
        list.append(s);
    }
    return list;
}

QString describe(const QList<TextSegment> &list)
{
    QStringList out;
    for (const TextSegment &s : list) {
        QString flags;
        if (s.Bold) flags += QLatin1Char('B');
        if (s.Italic) flags += QLatin1Char('I');
        if (s.Underline) flags += QLatin1Char('U');
        if (s.Strikethrough) flags += QLatin1Char('S');
        if (s.NewLine) flags += QLatin1Char('N');
        out << QStringLiteral("%1|%2|%3").arg(s.Text, flags,
                                               s.Color == Default ? QStringLiteral("d")
                                                                  : QString::number(s.Color, 16));
    }
    return out.join(QStringLiteral(" ; "));
}

FormattedText::BaseStyle baseStyle()
{
    FormattedText::BaseStyle base;
    base.defaultColor = Default;
    return base;
}

// The lines of wrapped runs, each as its text.
QStringList lines(const QList<TextSegment> &segments)
{
    return FormattedText::PlainText(segments).split(QLatin1Char('\n'));
}

QFont testFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    return font;
}

int countPixels(const QImage &image, const std::function<bool(QColor)> &match, int top = 0,
                int bottom = -1)
{
    if (bottom < 0)
        bottom = image.height();
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (match(image.pixelColor(x, y)))
                ++count;
        }
    }
    return count;
}

bool isDark(QColor c) { return c.red() < 100 && c.green() < 100 && c.blue() < 100; }
bool isRed(QColor c) { return c.red() > 180 && c.green() < 80 && c.blue() < 80; }

QImage paint(ucFormattedLabel &label)
{
    QImage image(label.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    label.render(&image);
    return image;
}

} // namespace

class FormattedLabelTest : public QObject
{
    Q_OBJECT

private slots:
    void findNextTag_data();
    void findNextTag();
    void parseCaption_data();
    void parseCaption();
    void parseErrors_data();
    void parseErrors();
    void wrapRules_data();
    void wrapRules();
    void wrapRealFont_data();
    void wrapRealFont();
    void wrapRealFontCases();
    void colors_data();
    void colors();
    void twips_data();
    void twips();
    void trimmedCaption();
    void autosize_data();
    void autosize();
    void minimumSize();
    void accessibleText();
    void errorsReachCaller();
    void paintsStyles();
    void paintsLinesAndBackground();
    void storedProperties();
    void descriptionDesign();
};

void FormattedLabelTest::findNextTag_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");

    QTest::newRow("bold") << "ab<b>c" << 2 << "True" << 3 << 5;
    QTest::newRow("closing capitals") << "x</I>" << 3 << "False" << 2 << 5;
    QTest::newRow("skips unknown") << "<x><u>" << 4 << "True" << 4 << 6;
    QTest::newRow("strike") << "</s>" << 5 << "False" << 1 << 4;
    QTest::newRow("hex colour") << "a<C=&HFF>" << 6 << "&hff" << 2 << 9;
    QTest::newRow("decimal colour") << "<c=1.5e2>" << 6 << "1.5e2" << 1 << 9;
    QTest::newRow("colour end") << "</c>" << 6 << "-1" << 1 << 4;
    QTest::newRow("line break") << "a<BR>" << 7 << "" << 2 << 5;
    QTest::newRow("open colour inside") << "<c=<b>" << 2 << "True" << 4 << 6;
    QTest::newRow("word colour") << "<c=red>" << 1 << "" << 1 << 7;
    QTest::newRow("empty colour") << "<c=>" << 1 << "" << 1 << 4;
    QTest::newRow("prefix only") << "<c=&h>" << 1 << "" << 1 << 6;
    QTest::newRow("no close") << "a<b" << 1 << "" << 2 << 0;
    QTest::newRow("nothing") << "plain" << 1 << "" << 0 << 0;
}

void FormattedLabelTest::findNextTag()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(QString, value);
    QFETCH(int, start);
    QFETCH(int, end);

    const TagInfo tag = FormattedText::FindNextTag(text);
    QCOMPARE(tag.TagType, type);
    QCOMPARE(tag.Value, value);
    QCOMPARE(int(tag.StartPos), start);
    if (type != TagInfo::None)
        QCOMPARE(int(tag.EndPos), end);
}

void FormattedLabelTest::parseCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("bold label") << "<b>Description:</b> Text"
                                << QStringList{"Description:|BN", " Text|"};
    QTest::newRow("nesting") << "<b>a <i>b</i> c</b>"
                             << QStringList{"a |BN", "b|BI", " c|B"};
    QTest::newRow("styles") << "<u>u</u><s>s</s>" << QStringList{"u|UN", "s|S"};
    QTest::newRow("two breaks") << "A<br><br>B" << QStringList{"A|N", "|N", "B|N"};
    QTest::newRow("break first") << "<br>x" << QStringList{"|N", "x|N"};
    QTest::newRow("bold at end") << "Text<b>" << QStringList{"Text|N"};
    QTest::newRow("break at end") << "Text<br>" << QStringList{"Text|N"};
    QTest::newRow("blanks after end tag") << "Text<br>   " << QStringList{"Text|N"};
    QTest::newRow("capitals") << "<B>x</B><BR><I>y" << QStringList{"x|BN", "|", "y|IN"};
    QTest::newRow("unknown tag") << "a <x> b" << QStringList{"a <x> b|N"};
    QTest::newRow("word colour") << "<c=red>x" << QStringList{"<c=red>x|N"};
    QTest::newRow("open before tag") << "<c=<b>x" << QStringList{"<c=|N", "x|B"};
    QTest::newRow("red then default") << "<c=255>red</c> plain"
                                      << QStringList{"red|N|255", " plain|"};
    QTest::newRow("hex colour") << "<c=&HFF00>g" << QStringList{"g|N|0xff00"};
    QTest::newRow("minus one") << "<c=255>a<c=-1>b" << QStringList{"a|N|255", "b|"};
    QTest::newRow("all bits") << "<c=&hFFFFFFFF>a" << QStringList{"a|N"};
    QTest::newRow("system colour") << "<c=&H80000012>a" << QStringList{"a|N|0x80000012"};
    QTest::newRow("half to even down") << "<c=254.5>a" << QStringList{"a|N|254"};
    QTest::newRow("half to even up") << "<c=255.5>a" << QStringList{"a|N|256"};
    QTest::newRow("negative") << "<c=-2147483648>a" << QStringList{"a|N|0x80000000"};
    QTest::newRow("colour keeps style") << "<b>a<c=255>b</b>c"
                                        << QStringList{"a|BN", "b|B|255", "c||255"};
    QTest::newRow("blanks move back") << "x<b>y</b>  <i>z"
                                      << QStringList{"x|N", "y  |B", "z|I"};
    QTest::newRow("blanks at start dropped") << "<b> <i>x" << QStringList{"x|BIN"};
    QTest::newRow("blanks before break kept") << "a<b> <br>c"
                                              << QStringList{"a|N", " |B", "c|BN"};
    QTest::newRow("empty") << "" << QStringList{"|N"};
}

void FormattedLabelTest::parseCaption()
{
    QFETCH(QString, caption);
    QFETCH(QStringList, expected);
    QCOMPARE(describe(FormattedText::ParseCaption(caption, baseStyle())), describe(runs(expected)));
}

void FormattedLabelTest::parseErrors_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("overflows");

    QTest::newRow("largest decimal") << "<c=2147483647>x" << false;
    QTest::newRow("decimal beyond 32 bits") << "<c=2147483648>x" << true;
    QTest::newRow("below 32 bits") << "<c=-2147483649>x" << true;
    QTest::newRow("eight hex digits") << "<c=&h00FFFFFFFF>x" << false;
    QTest::newRow("nine hex digits") << "<c=&h100000000>x" << true;
    QTest::newRow("longest caption") << QString(FormattedText::MaxLength, QLatin1Char('a')) << false;
    QTest::newRow("caption too long") << QString(FormattedText::MaxLength + 1, QLatin1Char('a'))
                                      << true;
}

void FormattedLabelTest::parseErrors()
{
    QFETCH(QString, caption);
    QFETCH(bool, overflows);
    int number = 0;
    try {
        FormattedText::ParseCaption(caption, baseStyle());
    } catch (const RuntimeError &error) {
        number = error.number();
    }
    QCOMPARE(number, overflows ? 6 : 0);

    // Screen-reader text never evaluates colours, so only the length can stop it.
    FormattedText::BaseStyle lenient = baseStyle();
    lenient.evaluateColors = false;
    if (caption.size() <= FormattedText::MaxLength)
        QCOMPARE(FormattedText::PlainText(FormattedText::ParseCaption(caption, lenient)),
                 caption.startsWith(QLatin1Char('<')) ? QStringLiteral("x") : caption);
}

void FormattedLabelTest::wrapRules_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("fits") << "aa<br>bb" << 1000 << QStringList{"aa|N", "bb|N"};
    QTest::newRow("last blank that fits") << "aaa bbb ccc" << 75
                                          << QStringList{"aaa bbb|N", "ccc|N"};
    QTest::newRow("exactly full") << "aaa bbb ccc" << 70 << QStringList{"aaa bbb|N", "ccc|N"};
    QTest::newRow("long word alone") << "abcdefghij" << 50 << QStringList{"abcdefghij|N"};
    QTest::newRow("long first word") << "abcdefghij kl" << 50
                                     << QStringList{"abcdefghij|N", "kl|N"};
    QTest::newRow("long middle word") << "aa bbbbbbbbbb cc" << 50
                                      << QStringList{"aa|N", "bbbbbbbbbb|N", "cc|N"};
    QTest::newRow("first word moves run") << "aaaa<b>bbbbb cc" << 80
                                          << QStringList{"aaaa|N", "bbbbb|BN", "cc|BN"};
    QTest::newRow("run split on line") << "aaaa<b> bb cc" << 80
                                       << QStringList{"aaaa|N", " bb|B", "cc|BN"};
    QTest::newRow("long run then more") << "<b>xxxxxxxxxx</b>yy" << 50
                                        << QStringList{"xxxxxxxxxx|BN", "yy|N"};
    QTest::newRow("long last run") << "aa<b>xxxxxxxxxx" << 50
                                   << QStringList{"aa|N", "xxxxxxxxxx|BN"};
}

void FormattedLabelTest::wrapRules()
{
    QFETCH(QString, caption);
    QFETCH(int, width);
    QFETCH(QStringList, expected);
    QList<TextSegment> segments = FormattedText::ParseCaption(caption, baseStyle());
    FormattedText::WrapSegments(segments, width, FixedMeasure());
    QCOMPARE(describe(segments), describe(runs(expected)));
}

void FormattedLabelTest::wrapRealFont_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("widthOf"); // the line width: the width of this text, plus 2

    const QString sentence = QStringLiteral(
        "The quick brown fox jumps over the lazy dog while seven wizards quietly hex "
        "a jovial bookkeeper in the valley");
    QTest::newRow("narrow") << sentence << "quick brown";
    QTest::newRow("medium") << sentence << "The quick brown fox jumps";
    QTest::newRow("wide") << sentence << "The quick brown fox jumps over the lazy dog";
    QTest::newRow("one word") << sentence << "W";
}

// Greedy wrapping with a real font: every line fits unless it is a single word, and no line
// could have taken the next line's first word.
void FormattedLabelTest::wrapRealFont()
{
    QFETCH(QString, text);
    QFETCH(QString, widthOf);
    const QFont font = testFont();
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(widthOf) + 2.0;

    QList<TextSegment> segments = FormattedText::ParseCaption(text, baseStyle());
    FormattedText::WrapSegments(segments, width, FontTextMeasure(font));
    const QStringList wrapped = lines(segments);

    QCOMPARE(wrapped.join(QLatin1Char(' ')), text);
    QVERIFY(wrapped.size() > 1);
    for (qsizetype i = 0; i < wrapped.size(); ++i) {
        const QString &line = wrapped.at(i);
        if (line.contains(QLatin1Char(' ')))
            QVERIFY2(metrics.horizontalAdvance(line) <= width, qPrintable(line));
        if (i + 1 < wrapped.size()) {
            const QString longer = line + QLatin1Char(' ') + wrapped.at(i + 1).section(' ', 0, 0);
            QVERIFY2(metrics.horizontalAdvance(longer) > width, qPrintable(longer));
        }
    }
}

void FormattedLabelTest::wrapRealFontCases()
{
    const QFont font = testFont();
    const FontTextMeasure measure(font);
    const QFontMetricsF plain(font);
    QFont boldFont = font;
    boldFont.setBold(true);
    const QFontMetricsF bold(boldFont);

    // A word wider than the line stays alone on its own line.
    {
        const double width = plain.horizontalAdvance(QStringLiteral("extraordinarily")) / 2;
        QList<TextSegment> segments = FormattedText::ParseCaption(
            QStringLiteral("a extraordinarilylongword b"), baseStyle());
        FormattedText::WrapSegments(segments, width, measure);
        QCOMPARE(lines(segments), (QStringList{"a", "extraordinarilylongword", "b"}));
    }

    // A run whose first word does not fit on the rest of the line moves as a whole...
    const QString first = QStringLiteral("Description:");
    const QString run = QStringLiteral("Remarkable text");
    const QString caption = QStringLiteral("<b>%1</b>%2").arg(first, run);
    {
        const double width = plain.horizontalAdvance(run) + 2;
        QVERIFY(bold.horizontalAdvance(first) + plain.horizontalAdvance(QStringLiteral("Remarkable"))
                > width);
        QList<TextSegment> segments = FormattedText::ParseCaption(caption, baseStyle());
        FormattedText::WrapSegments(segments, width, measure);
        QCOMPARE(describe(segments), describe(runs({first + "|BN", run + "|N"})));
    }
    // ...and is split there when it is too wide for a line of its own.
    {
        const double width = plain.horizontalAdvance(run) - 2;
        QVERIFY(width >= bold.horizontalAdvance(first));
        QList<TextSegment> segments = FormattedText::ParseCaption(caption, baseStyle());
        FormattedText::WrapSegments(segments, width, measure);
        QCOMPARE(describe(segments),
                 describe(runs({first + "|BN", "Remarkable|N", "text|N"})));
    }
}

void FormattedLabelTest::colors_data()
{
    QTest::addColumn<quint32>("color");
    QTest::addColumn<QColor>("expected");

    QPalette palette;
    palette.setColor(QPalette::ButtonText, QColor(1, 2, 3));
    palette.setColor(QPalette::WindowText, QColor(4, 5, 6));
    palette.setColor(QPalette::Button, QColor(7, 8, 9));
    QApplication::setPalette(palette);

    QTest::newRow("red") << quint32(0xFF) << QColor(255, 0, 0);
    QTest::newRow("green") << quint32(0xFF00) << QColor(0, 255, 0);
    QTest::newRow("blue") << quint32(0xFF0000) << QColor(0, 0, 255);
    QTest::newRow("mixed") << quint32(0x336699) << QColor(0x99, 0x66, 0x33);
    QTest::newRow("button text") << OleColor::ButtonText << QColor(1, 2, 3);
    QTest::newRow("window text") << OleColor::WindowText << QColor(4, 5, 6);
    QTest::newRow("button face") << OleColor::ButtonFace << QColor(7, 8, 9);
}

void FormattedLabelTest::colors()
{
    QFETCH(quint32, color);
    QFETCH(QColor, expected);
    const QPalette palette = QApplication::palette();
    QCOMPARE(OleColor::toQColor(color, palette), expected);
    if (!OleColor::isSystem(color))
        QCOMPARE(OleColor::fromQColor(expected), color);
}

void FormattedLabelTest::twips_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");

    QTest::newRow("minimum at 96") << 150 << 96.0 << 10;
    QTest::newRow("inch") << 1440 << 96.0 << 96;
    QTest::newRow("100 twips") << 100 << 96.0 << 7;
    QTest::newRow("half to even") << 150 << 120.0 << 12;
    QTest::newRow("minimum at 144") << 150 << 144.0 << 15;
}

void FormattedLabelTest::twips()
{
    QFETCH(int, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(ucFormattedLabel::TwipsToPixels(twips, dpi), pixels);
}

void FormattedLabelTest::trimmedCaption()
{
    ucFormattedLabel label;
    QSignalSpy spy(&label, &ucFormattedLabel::PropertyChanged);
    label.setCaption(QStringLiteral("   <b>Bold</b> text  "));
    QCOMPARE(label.Caption(), QStringLiteral("<b>Bold</b> text"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("Caption"));

    label.setWordWrap(true);
    label.setAutosize(false);
    label.setForeColor(0xFF);
    label.setBackColor(0xFFFFFF);
    label.setFont(testFont());
    QStringList names;
    for (const QList<QVariant> &call : spy)
        names << call.at(0).toString();
    QCOMPARE(names, (QStringList{"Caption", "WordWrap", "Autosize", "ForeColor", "BackColor",
                                 "Font"}));
}

void FormattedLabelTest::autosize_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("wordWrap");
    QTest::addColumn<int>("lineCount");

    QTest::newRow("one line") << "<b>one</b> line" << false << 1;
    QTest::newRow("three lines") << "a<br>b<br>c" << false << 3;
    QTest::newRow("empty line") << "A<br><br>B" << false << 3;
    QTest::newRow("wrapped") << "alpha beta gamma delta epsilon zeta" << true << 3;
}

void FormattedLabelTest::autosize()
{
    QFETCH(QString, caption);
    QFETCH(bool, wordWrap);
    QFETCH(int, lineCount);

    ucFormattedLabel label;
    label.setFont(testFont());
    const QFontMetricsF metrics(label.font(), &label);
    // Wide enough for two of the words but not three.
    label.resize(qRound(metrics.horizontalAdvance(QStringLiteral("alpha beta gamma")) - 2), 200);
    label.setWordWrap(wordWrap);
    label.setCaption(caption);
    QCOMPARE(label.height(), 200);
    label.setAutosize(true);

    const double lineSpacing = metrics.lineSpacing();
    QVERIFY2(qAbs(label.height() - lineCount * lineSpacing) <= 1.0,
             qPrintable(QStringLiteral("height %1, line spacing %2").arg(label.height()).arg(lineSpacing)));
    const QString probe = QStringLiteral("ABCD\r\n").repeated(lineCount - 1);
    QCOMPARE(label.height(), qRound(FontTextMeasure(label.font(), &label).height(probe)));
    QCOMPARE(label.sizeHint().height(), qCeil(lineCount * lineSpacing));

    // The last line's ink lies inside the control, below the previous line.
    label.setCaption(caption + QStringLiteral("<br>"));
    const QImage image = paint(label);
    const int lastTop = qRound((lineCount - 1) * lineSpacing);
    QVERIFY(countPixels(image, isDark, lastTop) > 0);
}

void FormattedLabelTest::minimumSize()
{
    ucFormattedLabel label;
    const QSize smallest(ucFormattedLabel::TwipsToPixels(150, label.logicalDpiX()),
                         ucFormattedLabel::TwipsToPixels(150, label.logicalDpiY()));
    QCOMPARE(label.MinimumPixels(), smallest);
    if (label.logicalDpiX() == 96)
        QCOMPARE(smallest, QSize(10, 10));

    label.resize(ucFormattedLabel::TwipsToPixels(100, label.logicalDpiX()),
                 ucFormattedLabel::TwipsToPixels(100, label.logicalDpiY()));
    QCOMPARE(label.size(), smallest);
    label.show();
    label.resize(3, 300);
    QCOMPARE(label.size(), QSize(smallest.width(), 300));

    // Autosize of a one-line caption in a tiny font never goes below the minimum.
    QFont tiny = testFont();
    tiny.setPixelSize(4);
    label.setFont(tiny);
    label.setCaption(QStringLiteral("x"));
    label.setAutosize(true);
    QCOMPARE(label.height(), smallest.height());
}

void FormattedLabelTest::accessibleText()
{
    QWidget window;
    auto *label = new ucFormattedLabel(&window);
    label->setObjectName(QStringLiteral("lblDescription"));
    label->setCaption(QStringLiteral("<b>Title:</b> and <c=255>red</c><br>next <x> line"));
    const QString expected = QStringLiteral("Title: and red\nnext <x> line");
    QCOMPARE(label->PlainText(), expected);
    QCOMPARE(label->accessibleName(), expected);

    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(label);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::StaticText);
    QCOMPARE(iface->text(QAccessible::Name), expected);

    // A colour that cannot be drawn still leaves the words readable.
    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             label->setCaption(QStringLiteral("Plain <c=99999999999>words")));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Plain words"));
    QCOMPARE(label->accessibleName(), QStringLiteral("Plain words"));

    // Wrapping does not change what is read out.
    label->setCaption(QStringLiteral("one two three four five six seven"));
    label->resize(40, 100);
    label->setWordWrap(true);
    QVERIFY(label->Segments().size() > 1);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("one two three four five six seven"));
}

void FormattedLabelTest::errorsReachCaller()
{
    ucFormattedLabel label;
    label.resize(200, 40);
    int number = 0;
    try {
        label.setCaption(QStringLiteral("<c=4294967296>x"));
    } catch (const RuntimeError &error) {
        number = error.number();
    }
    QCOMPARE(number, 6);
    QCOMPARE(label.Caption(), QStringLiteral("<c=4294967296>x")); // stored before drawing
    QVERIFY(label.Segments().isEmpty());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, label.Refresh());
    label.resize(300, 50); // a resize redraws without raising

    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             label.setCaption(QString(40000, QLatin1Char('a'))));
    label.setCaption(QStringLiteral("fine"));
    QCOMPARE(label.Segments().size(), 1);
}

void FormattedLabelTest::paintsStyles()
{
    ucFormattedLabel label;
    label.setFont(testFont());
    label.setBackColor(0xFFFFFF);
    label.setForeColor(0x000000);
    label.resize(300, 40);

    label.setCaption(QStringLiteral("HHHH"));
    const int plainInk = countPixels(paint(label), isDark);
    QVERIFY(plainInk > 0);
    QCOMPARE(countPixels(paint(label), isRed), 0);

    label.setCaption(QStringLiteral("<b>HHHH</b>"));
    QVERIFY2(countPixels(paint(label), isDark) > plainInk * 1.15, "bold draws thicker strokes");

    label.setCaption(QStringLiteral("HHHH <c=255>HHHH</c> HHHH"));
    const QImage coloured = paint(label);
    QVERIFY(countPixels(coloured, isRed) > plainInk / 2);
    QVERIFY(countPixels(coloured, isDark) > plainInk); // the runs around it stay black

    // Underline and strikethrough add lines the plain text does not have.
    const QFontMetricsF metrics(label.font(), &label);
    const int belowBaseline = qCeil(metrics.ascent()); // H has no descender
    label.setCaption(QStringLiteral("HHHH"));
    const int plainBelow = countPixels(paint(label), isDark, belowBaseline);
    label.setCaption(QStringLiteral("<u>HHHH</u>"));
    QVERIFY(countPixels(paint(label), isDark, belowBaseline) > plainBelow);
    label.setCaption(QStringLiteral("<s>HHHH</s>"));
    const QImage struck = paint(label);
    QVERIFY(countPixels(struck, isDark) > plainInk);

    // The default colour follows the palette when the fore colour is a system colour.
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label.setPalette(palette);
    label.setForeColor(OleColor::WindowText);
    label.setCaption(QStringLiteral("HHHH"));
    QVERIFY(countPixels(paint(label), isRed) > plainInk / 2);
}

void FormattedLabelTest::paintsLinesAndBackground()
{
    ucFormattedLabel label;
    label.setFont(testFont());
    label.setBackColor(0xFF0000); // blue
    label.setForeColor(0xFFFFFF);
    label.resize(200, 100);
    label.setCaption(QStringLiteral("HH<br><br>HH"));

    const QImage image = paint(label);
    QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), QColor(0, 0, 255));
    const auto isWhite = [](QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; };
    const int line = qRound(QFontMetricsF(label.font(), &label).lineSpacing());
    QVERIFY(countPixels(image, isWhite, 0, line) > 0);
    QCOMPARE(countPixels(image, isWhite, line + 1, 2 * line - 1), 0); // the empty line
    QVERIFY(countPixels(image, isWhite, 2 * line, 3 * line) > 0);
    QCOMPARE(countPixels(image, isWhite, 3 * line), 0);
}

void FormattedLabelTest::storedProperties()
{
    QWidget form;
    QFont ambient = testFont();
    ambient.setPointSize(13);
    form.setFont(ambient);
    auto *label = new ucFormattedLabel(&form);
    label->setObjectName(QStringLiteral("lblSample"));

    // A new instance: the container's font and the object name as caption.
    label->InitProperties();
    QCOMPARE(label->Caption(), QStringLiteral("lblSample"));
    QCOMPARE(label->Font().pointSize(), 13);

    // Nothing stored: every default.
    label->ReadProperties(QVariantMap());
    QCOMPARE(label->ForeColor(), 0x80000008u);
    QCOMPARE(label->BackColor(), 0x8000000Fu);
    QCOMPARE(label->Caption(), QStringLiteral("lblSample"));
    QCOMPARE(label->Autosize(), false);
    QCOMPARE(label->WordWrap(), false);
    QCOMPARE(label->Font().pointSize(), 13);

    // A round trip through a settings file.
    label->setCaption(QStringLiteral("<i>stored</i>"));
    label->setForeColor(0x80000012u);
    label->setBackColor(0x00FF00u);
    label->setWordWrap(true);
    label->setAutosize(true);
    QFont chosen = testFont();
    chosen.setPointSize(11);
    chosen.setItalic(true);
    label->setFont(chosen);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("form.ini"));
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("lblSample"));
        label->WriteProperties(settings);
    }
    auto *copy = new ucFormattedLabel(&form);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("lblSample"));
        QCOMPARE(settings.childKeys().size(), 6);
        copy->ReadProperties(settings);
    }
    QCOMPARE(copy->Caption(), QStringLiteral("<i>stored</i>"));
    QCOMPARE(copy->ForeColor(), 0x80000012u);
    QCOMPARE(copy->BackColor(), 0x00FF00u);
    QCOMPARE(copy->WordWrap(), true);
    QCOMPARE(copy->Autosize(), true);
    QCOMPARE(copy->Font().pointSize(), 11);
    QCOMPARE(copy->Font().italic(), true);
    QCOMPARE(copy->WriteProperties(), label->WriteProperties());
    // The font's italic is the first run's style.
    QVERIFY(copy->Segments().first().Italic);
}

void FormattedLabelTest::descriptionDesign()
{
    ucFormattedLabel label;
    label.setObjectName(QStringLiteral("lblDescription"));
    label.resize(300, 40);
    label.ReadProperties(ucFormattedLabel::DescriptionProperties());
    QCOMPARE(label.Caption(), QStringLiteral("<b>Description:</b>"));
    QVERIFY(label.WordWrap());
    QVERIFY(!label.Autosize());
    QCOMPARE(label.ForeColor(), OleColor::ButtonText);
    QCOMPARE(label.Font(), QApplication::font());
    const QList<TextSegment> segments = label.Segments();
    QCOMPARE(segments.size(), 1);
    QCOMPARE(segments.first().Text, QStringLiteral("Description:"));
    QVERIFY(segments.first().Bold);
    QCOMPARE(segments.first().Color, OleColor::resolve(OleColor::ButtonText, label.palette()));
    QCOMPARE(label.PlainText(), QStringLiteral("Description:"));
}

QTEST_MAIN(FormattedLabelTest)
#include "tst_formattedlabel.moc"
