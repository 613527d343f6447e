// A test program that starts the demo site, says where it runs ("PID ROOT" on its output) and
// aborts, as a test does that fails an assertion or crashes.

#include "support/DemoSite.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    DemoSite site;
    if (!site.start())
        return 2;
    std::printf("%lld %s\n", static_cast<long long>(site.processId()), qPrintable(site.root()));
    std::fflush(stdout);
    std::abort();
}
