#include "dialogs/frmExtractor.h"

#include "dialogs/ExtractorPanel.h"
#include "updater/ExtractorKeeper.h"

#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<frmExtractor> &current()
{
    static QPointer<frmExtractor> window;
    return window;
}

} // namespace

frmExtractor *frmExtractor::showFor(QWidget *owner, ExtractorKeeper *keeper)
{
    if (!current())
        current() = new frmExtractor(owner, keeper);
    frmExtractor *window = current();
    keeper->lookForRuntime();
    window->refresh();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

frmExtractor *frmExtractor::instance()
{
    return current().data();
}

frmExtractor::frmExtractor(QWidget *owner, ExtractorKeeper *keeper)
    : QDialog(owner)
    , m_panel(new ExtractorPanel(keeper, this))
{
    setObjectName(QStringLiteral("frmExtractor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Extractor"));
    setAccessibleName(QStringLiteral("Extractor"));
    setModal(false);
    // The panel's controls under the names the window has always given them.
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAccessibleName(QStringLiteral("Close"));
    cmdClose->setAutoDefault(false);
    m_panel->buttonRow()->addWidget(cmdClose);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_panel);
    setMinimumWidth(520);
}

frmExtractor::~frmExtractor() = default;

void frmExtractor::refresh()
{
    m_panel->refresh();
}
