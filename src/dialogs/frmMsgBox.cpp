#include "dialogs/frmMsgBox.h"

#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace {

// The form is laid out in twips; 15 twips make a pixel at the usual 96 dots per inch.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

} // namespace

frmMsgBox::frmMsgBox(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMsgBox"));
    setWindowTitle(QStringLiteral("Confirmation"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("A video with the same name already exists."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("What would you like to do?"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    const QString options[3] = {
        QStringLiteral("Do not download this video"),
        QStringLiteral("Download and overwrite the existing video"),
        QStringLiteral("Download and rename the new video"),
    };
    for (int k = 0; k < 3; ++k) {
        VideoOption[k] = new QRadioButton(options[k], this);
        VideoOption[k]->setObjectName(QStringLiteral("VideoOption_%1").arg(k));
    }
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);

    // Positions of the design; a label or option whose text needs more room gets it.
    Label1->setGeometry(twips(960, 240, 3030, 195));
    Label2->setGeometry(twips(960, 480, 1935, 195));
    for (int k = 0; k < 3; ++k)
        VideoOption[k]->setGeometry(twips(960, 960 + 360 * k, 3735, 255));
    cmdOK->setGeometry(twips(1920, 2280, 1140, 375));
    int right = twips(0, 0, 4935, 0).width();
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(Label2),
                       static_cast<QWidget *>(VideoOption[0]), static_cast<QWidget *>(VideoOption[1]),
                       static_cast<QWidget *>(VideoOption[2]), static_cast<QWidget *>(cmdOK)}) {
        const QSize hint = w->sizeHint();
        w->resize(std::max(w->width(), hint.width()), std::max(w->height(), hint.height()));
        right = std::max(right, w->geometry().right() + 12);
    }
    const int bottom = std::max(twips(0, 0, 0, 2835).height(), cmdOK->geometry().bottom() + 12);
    setFixedSize(right, bottom);

    setTabOrder(VideoOption[0], VideoOption[1]);
    setTabOrder(VideoOption[1], VideoOption[2]);
    setTabOrder(VideoOption[2], cmdOK);

    connect(cmdOK, &QPushButton::clicked, this, &frmMsgBox::cmdOK_Click);
}

frmMsgBox::~frmMsgBox() = default;

void frmMsgBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    VideoOption[0]->setFocus(Qt::OtherFocusReason); // focus only: no option is selected
}

void frmMsgBox::cmdOK_Click()
{
    if (VideoOption[0]->isChecked())
        m_answer = 0;
    else if (VideoOption[1]->isChecked())
        m_answer = 1;
    else if (VideoOption[2]->isChecked())
        m_answer = 2;
    accept();
}

void frmMsgBox::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    const QIcon icon = style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this);
    const int side = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    QPainter painter(this);
    icon.paint(&painter, QRect(10, 10, side, side));
}
