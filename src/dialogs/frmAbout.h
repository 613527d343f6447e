#pragma once

#include <QDialog>

class LinkLabel;
class QFrame;
class QLabel;
class QPushButton;

// The About box: the program's name, version and icon, the home page and mail links, and the
// rights notice. One modeless instance, owned by the main window. The links are reached with Tab
// and opened with Enter or Space; the OK button holds the focus when the box opens.
class frmAbout final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAbout)

public:
    ~frmAbout() override;

    // The maker's addresses, shown as the links' captions and tooltips.
    static QString homePage();    // "http://clipvault.example.org/"
    static QString mailAddress(); // "support@clipvault.example.org"

    // Shows the About box for owner, creating it when it is not open; the same box otherwise.
    static frmAbout *showFor(QWidget *owner);
    // The open About box, if any.
    static frmAbout *instance();
    // The About box's line on the extractor in use.
    static QString extractorLine();

    QLabel *lblName = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblExtractor = nullptr; // "Extractor: yt-dlp VERSION (channel)"
    QLabel *Picture1 = nullptr;
    LinkLabel *lblHyperlink = nullptr;
    QLabel *Label3 = nullptr;
    LinkLabel *lblHyperlinkMail = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line2 = nullptr;
    QPushButton *cmOK = nullptr;

    void Form_Load();
    void Form_MouseMove();
    void lblHyperlink_Click();
    void lblHyperlink_MouseMove();
    void lblHyperlinkMail_Click();
    void lblHyperlinkMail_MouseMove();
    void cmOK_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    explicit frmAbout(QWidget *owner);
    void buildControls();
};
