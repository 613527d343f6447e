// The formatted label: its markup and wrapping without a widget, then the real widget's size,
// accessible text, stored properties and the pixels it paints; then the tray icon's clicks.

#include "base/RuntimeError.h"
#include "controls/FormattedText.h"
#include "controls/FormattedTextColor.h"
#include "controls/FormattedTextMeasure.h"
#include "controls/TrayIcon.h"
#include "controls/ucFormattedLabel.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <functional>
#include <tuple>

namespace {

constexpr quint32 Default = 0x123456; // the default colour the parser cases start from

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

// Runs as "text|flags" with flags from B I U S N, then "|0xBBGGRR" for a colour other than the default.
QStringList describe(const QList<TextSegment> &list)
{
    QStringList out;
    for (const TextSegment &s : list) {
        QString entry = s.Text + QLatin1Char('|');
        for (const auto &[on, letter] : {std::pair{s.Bold, 'B'}, {s.Italic, 'I'}, {s.Underline, 'U'}, {s.Strikethrough, 'S'}, {s.NewLine, 'N'}})
            entry += on ? QString(QLatin1Char(letter)) : QString();
        if (s.Color != Default)
            entry += QStringLiteral("|0x") + QString::number(s.Color, 16);
        out << entry;
    }
    return out;
}

const FormattedText::BaseStyle baseStyle{.defaultColor = Default};

QFont testFont(int points = 10)
{
    return QFont(QStringLiteral("DejaVu Sans"), points);
}

int countPixels(const QImage &image, const std::function<bool(QColor)> &match, int top = 0, int bottom = -1)
{
    int count = 0;
    for (int y = top; y < (bottom < 0 ? image.height() : bottom); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += match(image.pixelColor(x, y)) ? 1 : 0;
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

// The pixels of the colour the label paints for this caption, from the row `top` down.
int ink(ucFormattedLabel &label, const QString &caption, bool (*match)(QColor), int top = 0)
{
    label.setCaption(caption);
    return countPixels(paint(label), match, top);
}

} // namespace

class FormattedLabelTest : public QObject
{
    Q_OBJECT

private slots:
    // The runs a caption is parsed into and, given a line width, wrapped into. `error` is the
    // number raised (then no runs are expected), 0 for none.
    void parseAndWrap_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("width"); // 0: not wrapped
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("error");
        const auto row = [](const char *name, const QString &caption, const QStringList &expected, int error = 0, int width = 0) {
            QTest::newRow(name) << caption << width << expected << error;
        };
        // Wrapped with every character ten wide (twelve in bold).
        const auto wrap = [&row](const char *name, const char *caption, int width, const QStringList &expected) { row(name, caption, expected, 0, width); };
        row("bold label", "<b>Description:</b> Text", {"Description:|BN", " Text|"});
        row("nesting", "<b>a <i>b</i> c</b>", {"a |BN", "b|BI", " c|B"});
        row("styles", "<u>u</u><s>s</s>", {"u|UN", "s|S"});
        row("two breaks", "A<br><br>B", {"A|N", "|N", "B|N"});
        row("break first", "<br>x", {"|N", "x|N"});
        row("tag at the end", "Text<b>", {"Text|N"});
        row("blanks after the last tag", "Text<br>   ", {"Text|N"});
        row("capitals", "<B>x</B><BR><I>y", {"x|BN", "|", "y|IN"});
        row("unknown tag", "a <x> b", {"a <x> b|N"});
        row("colour words and empty numbers", "<c=red>x<c=>y<c=&h>z", {"<c=red>x<c=>y<c=&h>z|N"});
        row("unclosed tag", "a<b", {"a<b|N"});
        row("open before tag", "<c=<b>x", {"<c=|N", "x|B"});
        row("empty", "", {"|N"});
        row("blanks move back", "x<b>y</b>  <i>z", {"x|N", "y  |B", "z|I"});
        row("blanks at start dropped", "<b> <i>x", {"x|BIN"});
        row("blanks before break kept", "a<b> <br>c", {"a|N", " |B", "c|BN"});
        row("many openings before a tag", "<<<<b>x", {"<<<|N", "x|B"});
        row("openings closed once, no tag", "a<<<<x>b<", {"a<<<<x>b<|N"});
        row("only ASCII letters change case", "<\u0130>x<\u017F>y", {"<\u0130>x<\u017F>y|N"});

        row("red then default", "<c=255>red</c> plain", {"red|N|0xff", " plain|"});
        row("hex colour", "<C=&HFF00>g", {"g|N|0xff00"});
        row("exponent", "<c=1.5e2>a", {"a|N|0x96"});
        row("minus one", "<c=255>a<c=-1>b", {"a|N|0xff", "b|"});
        row("all bits are the default", "<c=&hFFFFFFFF>a", {"a|N"});
        row("system colour", "<c=&H80000012>a", {"a|N|0x80000012"});
        row("half to even down", "<c=254.5>a", {"a|N|0xfe"});
        row("half to even up", "<c=255.5>a", {"a|N|0x100"});
        row("negative", "<c=-2147483648>a", {"a|N|0x80000000"});
        row("largest decimal", "<c=2147483647>a", {"a|N|0x7fffffff"});
        row("eight hex digits behind zeros", "<c=&h00FFFFFFFE>a", {"a|N|0xfffffffe"});
        row("colour keeps style", "<b>a<c=255>b</b>c", {"a|BN", "b|B|0xff", "c||0xff"});
        row("number with blanks and short forms", "<c= 255 >a<c=.5>b<c=5.>c<c=-.5e1>d",
            {"a|N|0xff", "b||0x0", "c||0x5", "d||0xfffffffb"});
        row("not numbers", "<c=1e>x<c=&h 1>y<c=1 2>z<c=+&h1>", {"<c=1e>x<c=&h 1>y<c=1 2>z<c=+&h1>|N"});
        row("leading zeros of a long hex number", "<c=&h" + QString(5000, QLatin1Char('0')) + "ff>a", {"a|N|0xff"});
        row("decimal beyond 32 bits", "<c=2147483648>x", {}, 6);
        row("below 32 bits", "<c=-2147483649>x", {}, 6);
        row("nine hex digits", "<c=&h100000000>x", {}, 6);
        row("longest caption", QString(FormattedText::MaxLength, QLatin1Char('a')),
            {QString(FormattedText::MaxLength, QLatin1Char('a')) + "|N"});
        row("caption too long", QString(FormattedText::MaxLength + 1, QLatin1Char('a')), {}, 6);
        wrap("fits", "aa<br>bb", 1000, {"aa|N", "bb|N"});
        wrap("fits exactly", "aaaaa bbbbb", 110, {"aaaaa bbbbb|N"});
        wrap("last blank that fits", "aaa bbb ccc", 75, {"aaa bbb|N", "ccc|N"});
        wrap("exactly full", "aaa bbb ccc", 70, {"aaa bbb|N", "ccc|N"});
        wrap("long word alone", "abcdefghij", 50, {"abcdefghij|N"});
        wrap("long first word, blanks after it", "abcdefghij  kl", 50, {"abcdefghij|N", "kl|N"});
        wrap("long middle word", "aa bbbbbbbbbb cc", 50, {"aa|N", "bbbbbbbbbb|N", "cc|N"});
        wrap("first word moves run", "aaaa<b>bbbbb cc", 80, {"aaaa|N", "bbbbb|BN", "cc|BN"});
        wrap("run split on line", "aaaa<b> bb cc", 80, {"aaaa|N", " bb|B", "cc|BN"});
        wrap("long run then more", "<b>xxxxxxxxxx</b>yy", 50, {"xxxxxxxxxx|BN", "yy|N"});
        wrap("long last run", "aa<b>xxxxxxxxxx", 50, {"aa|N", "xxxxxxxxxx|BN"});
        // A first word wider than the line behind a blank stands alone; the rest still wraps.
        wrap("long word after a blank, run alone", "<b>Description:</b> abcdefghijklmnopqrst aa bb cc dd ee ff gg hh", 100,
             {"Description:|BN", " abcdefghijklmnopqrst|N", "aa bb cc|N", "dd ee ff|N", "gg hh|N"});
        wrap("long word after a blank, run moved, blanks after it", "<b>Desc:</b> abcdefghijklmnopqrst   aa bb cc dd", 100,
             {"Desc:|BN", " abcdefghijklmnopqrst|N", "aa bb cc|N", "dd|N"});
        wrap("blanks in a row, break at the first", "aaa   bbb ccc", 35, {"aaa|N", "bbb|N", "ccc|N"});
        wrap("blanks in a row, break at the last", "aaa   bbb ccc", 55, {"aaa|N", "bbb|N", "ccc|N"});
        wrap("two blanks before a long word", "aa  bbbbbbbbbbbb c", 50, {"aa|N", "bbbbbbbbbbbb|N", "c|N"});
    }
    void parseAndWrap()
    {
        QFETCH(QString, caption);
        QFETCH(int, width);
        QStringList got;
        int raised = 0;
        try {
            QList<TextSegment> segments = FormattedText::ParseCaption(caption, baseStyle);
            if (width > 0)
                FormattedText::WrapSegments(segments, width, FixedMeasure());
            got = describe(segments);
        } catch (const RuntimeError &e) {
            raised = e.number();
        }
        QTEST(got, "expected");
        QTEST(raised, "error");
    }

    void wrapRealFont_data()
    {
        QTest::addColumn<QString>("widthOf"); // the line width: the width of this text, plus 2
        for (const char *widthOf : {"quick brown", "The quick brown fox jumps", "The quick brown fox jumps over the lazy dog", "W"})
            QTest::newRow(widthOf) << QString::fromLatin1(widthOf);
    }
    // Greedy wrapping with a real font: every line fits unless it is a single word, and no line
    // could have taken the next line's first word.
    void wrapRealFont()
    {
        QFETCH(QString, widthOf);
        const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog while seven wizards "
                                            "quietly hex a jovial bookkeeper in the valley");
        const QFont font = testFont();
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(widthOf) + 2.0;

        QList<TextSegment> segments = FormattedText::ParseCaption(text, baseStyle);
        FormattedText::WrapSegments(segments, width, FontTextMeasure(font));
        const QStringList wrapped = FormattedText::PlainText(segments).split(QLatin1Char('\n'));

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

    void autosize_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("wordWrap");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("one line") << "<b>one</b> line" << false << 1;
        QTest::newRow("three lines") << "a<br>b<br>c" << false << 3;
        QTest::newRow("empty line") << "A<br><br>B" << false << 3;
        QTest::newRow("wrapped") << "alpha beta gamma delta epsilon zeta" << true << 3;
    }
    void autosize()
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
        QVERIFY(countPixels(paint(label), isDark, qRound((lineCount - 1) * lineSpacing)) > 0);
    }

    // A twip is a 1440th of an inch, rounded half to even; the control is never smaller than 150.
    void minimumSize()
    {
        for (const auto &[twips, dpi, pixels] : {std::tuple{1440, 96.0, 96}, {100, 96.0, 7}, {150, 120.0, 12}, {150, 144.0, 15}})
            QCOMPARE(ucFormattedLabel::TwipsToPixels(twips, dpi), pixels);
        ucFormattedLabel label;
        const QSize smallest(ucFormattedLabel::TwipsToPixels(150, label.logicalDpiX()),
                             ucFormattedLabel::TwipsToPixels(150, label.logicalDpiY()));
        QCOMPARE(label.MinimumPixels(), smallest);
        if (label.logicalDpiX() == 96)
            QCOMPARE(smallest, QSize(10, 10));

        label.resize(1, 1);
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

    void accessibleTextAndErrors()
    {
        QWidget window;
        auto *label = new ucFormattedLabel(&window);
        label->resize(200, 40);
        label->setCaption(QStringLiteral("<b>Title:</b> and <c=255>red</c><br>next <x> line"));
        const QString expected = QStringLiteral("Title: and red\nnext <x> line");
        QCOMPARE(label->PlainText(), expected);
        QCOMPARE(label->accessibleName(), expected);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(label);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::StaticText);
        QCOMPARE(iface->text(QAccessible::Name), expected);

        // A colour that cannot be drawn reaches the caller; the caption is stored, nothing is
        // drawn, and the words stay readable.
        const QString overflowing = QStringLiteral("Plain <c=4294967296>words");
        QVERIFY_THROWS_EXCEPTION(RuntimeError, label->setCaption(overflowing));
        QCOMPARE(label->Caption(), overflowing);
        QVERIFY(label->Segments().isEmpty());
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Plain words"));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, label->Refresh());
        label->resize(300, 50); // a resize redraws without raising
        QVERIFY_THROWS_EXCEPTION(RuntimeError, label->setCaption(QString(40000, QLatin1Char('a'))));
        QCOMPARE(label->PlainText().size(), 40000);

        // Wrapping does not change what is read out.
        label->setCaption(QStringLiteral("one two three four five six seven"));
        label->resize(40, 100);
        label->setWordWrap(true);
        QVERIFY(label->Segments().size() > 1);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("one two three four five six seven"));
    }

    // Styles and colours as drawn: black on white, then white on blue.
    void paints()
    {
        ucFormattedLabel label;
        label.setFont(testFont());
        label.setBackColor(0xFFFFFF);
        label.setForeColor(0x000000);
        label.resize(300, 40);

        const int plainInk = ink(label, QStringLiteral("HHHH"), isDark);
        QVERIFY(plainInk > 0);
        QCOMPARE(countPixels(paint(label), isRed), 0);
        QVERIFY2(ink(label, QStringLiteral("<b>HHHH</b>"), isDark) > plainInk * 1.15, "bold draws thicker strokes");

        label.setCaption(QStringLiteral("HHHH <c=255>HHHH</c> HHHH"));
        const QImage coloured = paint(label);
        QVERIFY(countPixels(coloured, isRed) > plainInk / 2);
        QVERIFY(countPixels(coloured, isDark) > plainInk); // the runs around it stay black

        // Underline and strikethrough add lines the plain text does not have.
        const int belowBaseline = qCeil(QFontMetricsF(label.font(), &label).ascent()); // H has no descender
        const int plainBelow = ink(label, QStringLiteral("HHHH"), isDark, belowBaseline);
        QVERIFY(ink(label, QStringLiteral("<u>HHHH</u>"), isDark, belowBaseline) > plainBelow);
        QVERIFY(ink(label, QStringLiteral("<s>HHHH</s>"), isDark) > plainInk);

        // Told to fall back, the label draws a caption it cannot draw as plain text instead of
        // raising: the characters without tags, in its own style and colour, cut to the longest caption.
        label.setFallBackToPlainText(true);
        QVERIFY(ink(label, QStringLiteral("<b>HHHH</b> <c=255>HHHH</c>"), isRed) > 0); // drawn as before
        QCOMPARE(label.Segments().size(), 2);
        QVERIFY(ink(label, QStringLiteral("<b>HHHH</b> <c=4294967296>HHHH"), isDark) > 0);
        QCOMPARE(FormattedText::PlainText(label.Segments()), QStringLiteral("HHHH HHHH"));
        QCOMPARE(countPixels(paint(label), isRed), 0);
        // "<b>x</b> " is nine characters: the x of the first 3641 lie within 32767.
        label.setCaption(QStringLiteral("<b>x</b> ").repeated(5000));
        QCOMPARE(FormattedText::PlainText(label.Segments()).count(QLatin1Char('x')), 3641);
        for (const TextSegment &run : label.Segments())
            QVERIFY(!run.Bold && run.Color == 0);
        label.setFallBackToPlainText(false);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, label.Refresh());

        // The default colour follows the palette when the fore colour is a system colour.
        label.setCaption(QStringLiteral("HHHH"));
        QPalette palette = label.palette();
        palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
        label.setPalette(palette);
        label.setForeColor(OleColor::WindowText);
        QVERIFY(ink(label, QStringLiteral("HHHH"), isRed) > plainInk / 2);

        // An empty line stays empty; the background fills the control.
        label.setBackColor(0xFF0000 /* blue */);
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

    void properties()
    {
        QWidget form;
        form.setFont(testFont(13));
        auto *label = new ucFormattedLabel(&form);
        label->setObjectName(QStringLiteral("lblSample"));

        // A new instance takes the container's font and its object name as caption; so does
        // one with nothing stored.
        label->InitProperties();
        QCOMPARE(std::tuple(label->Caption(), label->Font().pointSize()), std::tuple(QStringLiteral("lblSample"), 13));
        label->setFont(testFont());
        label->ReadProperties(QVariantMap());
        QCOMPARE(std::tuple(label->Caption(), label->Font().pointSize()), std::tuple(QStringLiteral("lblSample"), 13));

        // Every property announces its change; the caption loses its outer blanks.
        QSignalSpy spy(label, &ucFormattedLabel::PropertyChanged);
        label->setCaption(QStringLiteral("   <i>stored</i>  "));
        QCOMPARE(label->Caption(), QStringLiteral("<i>stored</i>"));
        label->setForeColor(0x80000012u);
        label->setBackColor(0x00FF00u);
        label->setWordWrap(true);
        label->setAutosize(true);
        QFont chosen = testFont(11);
        chosen.setItalic(true);
        label->setFont(chosen);
        QStringList names;
        for (const QList<QVariant> &call : spy)
            names << call.at(0).toString();
        QCOMPARE(names, (QStringList{"Caption", "ForeColor", "BackColor", "WordWrap", "Autosize", "Font"}));

        // A round trip through a settings file.
        QTemporaryDir dir;
        QSettings out(dir.filePath(QStringLiteral("form.ini")), QSettings::IniFormat);
        label->WriteProperties(out);
        out.sync();
        QSettings in(dir.filePath(QStringLiteral("form.ini")), QSettings::IniFormat);
        auto *copy = new ucFormattedLabel(&form);
        copy->ReadProperties(in);
        QCOMPARE(copy->WriteProperties(), label->WriteProperties());
        QCOMPARE(std::tuple(copy->ForeColor(), copy->Font().pointSize(), copy->Font().italic()),
                 std::tuple(0x80000012u, 11, true));
        QVERIFY(copy->Segments().first().Italic); // the font's italic is the first run's style
    }

    // The tray icon's clicks: a left click restores the window, a right click brings it forward
    // (and shows it when hidden), other clicks do nothing.
    void trayClick_data()
    {
        QTest::addColumn<int>("start"); // the window's state when shown, or -1: hidden
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("state"); // after the click
        const int hidden = -1, normal = Qt::WindowNoState, minimized = Qt::WindowMinimized, maximized = Qt::WindowMaximized;
        const int left = QSystemTrayIcon::Trigger, right = QSystemTrayIcon::Context;
        QTest::newRow("left click restores a minimised window") << minimized << left << true << normal;
        QTest::newRow("left click returns a maximised window to normal") << maximized << left << true << normal;
        QTest::newRow("left click shows a hidden window") << hidden << left << true << normal;
        QTest::newRow("right click leaves it minimised") << minimized << right << true << minimized;
        QTest::newRow("right click keeps maximised") << maximized << right << true << maximized;
        QTest::newRow("right click shows a hidden window") << hidden << right << true << normal;
        QTest::newRow("double click does nothing") << minimized << int(QSystemTrayIcon::DoubleClick) << true << minimized;
        QTest::newRow("middle click does nothing") << minimized << int(QSystemTrayIcon::MiddleClick) << true << minimized;
        QTest::newRow("unknown does nothing") << hidden << int(QSystemTrayIcon::Unknown) << false << normal;
    }
    void trayClick()
    {
        QFETCH(int, start);
        QFETCH(int, reason);
        QWidget window;
        if (start >= 0) {
            window.setWindowState(Qt::WindowStates(start));
            window.show();
        }
        TrayIcon::handleActivation(static_cast<QSystemTrayIcon::ActivationReason>(reason), &window);
        QTEST(window.isVisible(), "visible");
        QTEST(int(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)), "state");
        TrayIcon::handleActivation(static_cast<QSystemTrayIcon::ActivationReason>(reason), nullptr); // nothing to do
    }

    void trayRightClickActivates()
    {
        QWidget window, other, third;
        window.show();
        other.show();
        other.activateWindow();
        if (!QTest::qWaitForWindowActive(&other))
            QSKIP("this platform does not activate windows");
        TrayIcon::handleActivation(QSystemTrayIcon::Context, &window);
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        other.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &other);
        // A double click asks for nothing: a third window activated after it comes forward, and the
        // window was never activated on the way.
        third.show();
        QList<QWindow *> activated;
        QObject listening; // goes before the list, so the focus changes of the windows' ends are not kept
        connect(qApp, &QGuiApplication::focusWindowChanged, &listening, [&](QWindow *w) { activated << w; });
        TrayIcon::handleActivation(QSystemTrayIcon::DoubleClick, &window);
        third.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &third);
        QVERIFY(!activated.contains(window.windowHandle()));
    }

    // Without a notification area nothing is added; with one, the icon shows the window's title.
    void trayAddAndRemove()
    {
        QWidget window;
        window.setWindowTitle(QStringLiteral("Clipvault - 3 downloads"));
        TrayIcon tray;
        QVERIFY(!tray.add(nullptr));
        const bool added = tray.add(&window, QIcon());
        QCOMPARE(std::tuple(added, tray.isShown()), std::tuple(TrayIcon::available(), TrayIcon::available()));
        if (added)
            QVERIFY(tray.systemTrayIcon()->toolTip() == window.windowTitle() && tray.systemTrayIcon()->isVisible());
        tray.remove();
        QVERIFY(!tray.isShown());
        tray.remove(); // twice is harmless
    }
};

QTEST_MAIN(FormattedLabelTest)
#include "tst_formattedlabel.moc"
