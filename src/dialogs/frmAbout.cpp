#include "dialogs/frmAbout.h"

#include "extractor/ExtractorChannel.h"
#include "base/AppState.h"
#include "base/ErrorTrap.h"
#include "base/Settings.h"
#include "base/UiSeam.h"
#include "controls/LinkLabel.h"
#include "extractor/ExtractorProgram.h"
#include "extractor/ExtractorVersion.h"
#include "image/ProgramImages.h"
#include "image/BannerRender.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<frmAbout> &current()
{
    static QPointer<frmAbout> box;
    return box;
}

// A label's text is what screen readers say of it; only a picture gets a name of its own.
template<typename Label = QLabel>
Label *makeLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new Label(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QFrame *makeLine(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setAccessibleName(QStringLiteral("Separator"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

void setUnderline(QLabel *label, bool underline)
{
    QFont font = label->font();
    font.setUnderline(underline);
    label->setFont(font);
}

} // namespace

QString frmAbout::homePage()
{
    return QStringLiteral("http://clipvault.example.org/");
}

QString frmAbout::mailAddress()
{
    return QStringLiteral("support@clipvault.example.org");
}

frmAbout *frmAbout::showFor(QWidget *owner)
{
    if (!current())
        current() = new frmAbout(owner);
    frmAbout *box = current();
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

frmAbout *frmAbout::instance()
{
    return current().data();
}

QString frmAbout::extractorLine()
{
    const QString program = ExtractorProgram::Resolve(ExtractorChannel::ConfiguredProgram());
    if (program.isEmpty())
        return QStringLiteral("Extractor: none found");
    const QString version = ExtractorVersion::Known(program);
    return QStringLiteral("Extractor: yt-dlp %1 (%2)")
        .arg(version.isEmpty() ? QStringLiteral("of unknown version") : version,
             ExtractorChannel::Key(ExtractorChannel::Configured()));
}

frmAbout::frmAbout(QWidget *owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About Clipvault"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);
    setMouseTracking(true);
    buildControls();
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::buildControls()
{
    lblName = makeLabel(this, "lblName", QStringLiteral("Clipvault"));
    QFont nameFont(QStringLiteral("Times New Roman"));
    nameFont.setStyleHint(QFont::Serif);
    nameFont.setPointSizeF(20.25);
    nameFont.setBold(true);
    lblName->setFont(nameFont);

    lblVersion = makeLabel(this, "lblVersion", QString());
    QFont versionFont(QStringLiteral("Tahoma"));
    versionFont.setStyleHint(QFont::SansSerif);
    versionFont.setPointSizeF(8.25);
    versionFont.setBold(true);
    lblVersion->setFont(versionFont);

    lblExtractor = makeLabel(this, "lblExtractor", QString());
    lblExtractor->setFont(versionFont);

    Picture1 = makeLabel(this, "Picture1", QString());
    Picture1->setAccessibleName(QStringLiteral("Clipvault icon"));
    Picture1->setFixedSize(48, 48);

    Line1 = makeLine(this, "Line1");
    lblHyperlink = makeLabel<LinkLabel>(this, "lblHyperlink", homePage());
    lblHyperlink->setToolTip(homePage());
    Label3 = makeLabel(this, "Label3", QStringLiteral("Found a bug?"));
    lblHyperlinkMail = makeLabel<LinkLabel>(this, "lblHyperlinkMail", mailAddress());
    lblHyperlinkMail->setToolTip(mailAddress());
    Line2 = makeLine(this, "Line2");

    const QString rights = QStringLiteral("Copyright \u00a9 2009-2024 the Clipvault developers.");
    const QString terms = QStringLiteral("All rights reserved. Provided as is, without warranty.");
    Label1 = makeLabel(this, "Label1", rights);
    Label2 = makeLabel(this, "Label2", terms);

    cmOK = new QPushButton(QStringLiteral("OK"), this);
    cmOK->setObjectName(QStringLiteral("cmOK"));
    cmOK->setAccessibleName(QStringLiteral("OK"));
    cmOK->setDefault(true);
    cmOK->setMinimumWidth(76);

    for (QLabel *link : {lblHyperlink, lblHyperlinkMail}) {
        link->setMouseTracking(true);
        link->installEventFilter(this);
    }
    connect(lblHyperlink, &LinkLabel::activated, this, &frmAbout::lblHyperlink_Click);
    connect(lblHyperlinkMail, &LinkLabel::activated, this, &frmAbout::lblHyperlinkMail_Click);
    setTabOrder(lblHyperlink, lblHyperlinkMail);
    setTabOrder(lblHyperlinkMail, cmOK);
    cmOK->setFocus();

    auto *heading = new QGridLayout;
    heading->setHorizontalSpacing(14);
    heading->setVerticalSpacing(0);
    heading->addWidget(Picture1, 0, 0, 3, 1, Qt::AlignTop);
    heading->addWidget(lblName, 0, 1, Qt::AlignBottom);
    heading->addWidget(lblVersion, 1, 1, Qt::AlignTop);
    heading->addWidget(lblExtractor, 2, 1, Qt::AlignTop);
    heading->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmOK);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(6);
    layout->addLayout(heading);
    layout->addSpacing(4);
    layout->addWidget(Line1);
    layout->addWidget(lblHyperlink);
    layout->addSpacing(6);
    layout->addWidget(Label3);
    layout->addWidget(lblHyperlinkMail);
    layout->addSpacing(4);
    layout->addWidget(Line2);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmOK, &QPushButton::clicked, this, &frmAbout::cmOK_Click);
}

void frmAbout::Form_Load()
{
    ErrorTrap::run(QStringLiteral("Form_Load"), QStringLiteral("Form frmAbout"), [this] {
        for (QLabel *link : {lblHyperlink, lblHyperlinkMail}) {
            QPalette palette = link->palette();
            palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
            link->setPalette(palette);
        }

        // The icon is drawn once over the dialog's background, its soft edges blended with it.
        const QImage icon = RenderProgramImage(ProgramImages::AboutIcon, Picture1->contentsRect().size(),
                                               palette().color(QPalette::Window), 48, 48);
        Picture1->setPixmap(QPixmap::fromImage(icon));

        lblVersion->setText(QStringLiteral("Version ") + AppState::VersionString());
        lblExtractor->setText(extractorLine());
    });
}

void frmAbout::Form_MouseMove()
{
    for (QLabel *link : {lblHyperlink, lblHyperlinkMail}) {
        setUnderline(link, false);
        link->unsetCursor();
    }
}

void frmAbout::lblHyperlink_MouseMove()
{
    setUnderline(lblHyperlink, true);
    lblHyperlink->setCursor(Qt::PointingHandCursor);
}

void frmAbout::lblHyperlinkMail_MouseMove()
{
    setUnderline(lblHyperlinkMail, true);
    lblHyperlinkMail->setCursor(Qt::PointingHandCursor);
}

void frmAbout::lblHyperlink_Click()
{
    UiSeam::shellOpen(homePage());
}

void frmAbout::lblHyperlinkMail_Click()
{
    UiSeam::shellOpen(QStringLiteral("mailto:") + mailAddress());
}

void frmAbout::cmOK_Click()
{
    close();
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    const bool home = watched == lblHyperlink;
    const bool mail = watched == lblHyperlinkMail;
    if (!home && !mail)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove:
        // Consumed: a move the label ignores would reach the dialog and take the underline away.
        home ? lblHyperlink_MouseMove() : lblHyperlinkMail_MouseMove();
        return true;
    case QEvent::Enter:
        home ? lblHyperlink_MouseMove() : lblHyperlinkMail_MouseMove();
        break;
    case QEvent::Leave:
        Form_MouseMove();
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::mouseMoveEvent(QMouseEvent *event)
{
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}
