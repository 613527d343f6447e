// The preview tab: the watch address is turned into the embed address and played by the web view,
// which loads the demo site's embed page with its clip.

#include "analysis/PreviewPanel.h"
#include "support/DemoSite.h"

#include <QApplication>
#include <QPushButton>
#include <QtTest>

#ifdef CLIPVAULT_HAVE_WEBENGINE
#include <QWebEngineView>
#endif

class TestPreviewPanel : public QObject
{
    Q_OBJECT

private:
    DemoSite m_site;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_site.start()); }

    void rewriting_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("movie");
        const QString root = m_site.root();
        QTest::newRow("watch address") << root + "/watch?v=sunsetBeach" << root + "/v/sunsetBeach";
        QTest::newRow("query behind the id") << root + "/watch?v=sunsetBeach&feature=related"
                                             << root + "/v/sunsetBeach&feature=related";
        QTest::newRow("capitals are not rewritten") << root + "/WATCH?V=sunsetBeach" << root + "/WATCH?V=sunsetBeach";
    }
    void rewriting()
    {
        QFETCH(QString, typed);
        QFETCH(QString, movie);
        PreviewPanel panel;
        QSignalSpy tabs(&panel, &PreviewPanel::requestTab);
        QVERIFY(panel.cmdRemove->isHidden());
        QVERIFY(!panel.SF); // created on first use
        panel.cmdPreview_Click(typed);
        QCOMPARE(panel.movie(), movie);
        QVERIFY(panel.SF);
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(tabs.first().first().toInt(), 2);
        QVERIFY(!panel.cmdRemove->isHidden());

        QTest::mouseClick(panel.cmdRemove, Qt::LeftButton);
        QVERIFY(panel.cmdRemove->isHidden());
        QCOMPARE(panel.movie(), QStringLiteral("about:blank"));
        QCOMPARE(tabs.size(), 1);
    }

#ifdef CLIPVAULT_HAVE_WEBENGINE
    void playsTheClip()
    {
        PreviewPanel panel;
        panel.resize(480, 400);
        panel.show();
        panel.LoadMovie(0, QStringLiteral(" ")); // creates the view
        QSignalSpy loaded(panel.SF, &QWebEngineView::loadFinished);
        panel.cmdPreview_Click(m_site.watchUrl(QStringLiteral("sunsetBeach")));
        QVERIFY(loaded.wait(60000) || !loaded.isEmpty());
        QCOMPARE(loaded.last().first().toBool(), true);
        QCOMPARE(panel.SF->url().toString(), m_site.root() + QStringLiteral("/v/sunsetBeach"));
        QCOMPARE(panel.SF->title(), QStringLiteral("Sunset at Crescent Beach"));

        // The embedded player reaches the clip: its size becomes known once its data has been read.
        QString videoSize;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                panel.SF->page()->runJavaScript(
                    QStringLiteral("(function(){var v=document.querySelector('video');"
                                   "return v ? v.videoWidth + 'x' + v.videoHeight : 'none';})()"),
                    [&](const QVariant &result) { videoSize = result.toString(); });
                return videoSize == QLatin1String("160x120");
            }(),
            30000);

        loaded.clear();
        panel.cmdRemove_Click();
        QVERIFY(loaded.wait(30000) || !loaded.isEmpty());
        QCOMPARE(panel.SF->url().toString(), QStringLiteral("about:blank"));
    }
#endif
};

int main(int argc, char **argv)
{
    // The web view shares its GL context with the application; this must precede the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestPreviewPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_previewpanel.moc"
