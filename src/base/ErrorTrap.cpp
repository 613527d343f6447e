#include "base/ErrorTrap.h"

#include "base/UiSeam.h"

namespace ErrorTrap {

QString message(int number, const QString &description, int line, const QString &procedure,
                const QString &owner)
{
    return QStringLiteral("Error %1 (%2) on line %3 in procedure %4 of %5")
        .arg(number)
        .arg(description)
        .arg(line)
        .arg(procedure, owner);
}

void report(const RuntimeError &error, const QString &procedure, const QString &owner)
{
    UiSeam::messageBox(message(error.number(), error.description(), error.line(), procedure, owner),
                       UiSeam::OkOnly);
}

void report(const std::exception &error, const QString &procedure, const QString &owner)
{
    // Anything that is not one of our own run-time errors (bad_alloc, a failed container access)
    // is reported like the generic application-defined error.
    UiSeam::messageBox(message(440, QString::fromLocal8Bit(error.what()), 0, procedure, owner),
                       UiSeam::OkOnly);
}

bool run(const QString &procedure, const QString &owner, const std::function<void()> &body)
{
    try {
        body();
        return true;
    } catch (const RuntimeError &error) {
        report(error, procedure, owner);
    } catch (const std::exception &error) {
        report(error, procedure, owner);
    }
    return false;
}

} // namespace ErrorTrap
