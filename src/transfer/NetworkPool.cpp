#include "transfer/NetworkPool.h"

#include <QCoreApplication>
#include <QHash>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QVector>

namespace NetworkPool {

namespace {

constexpr int kTransfersPerManager = 6;

struct Slot
{
    QPointer<QNetworkAccessManager> manager;
    int active = 0;
};

QVector<Slot> &managerSlots()
{
    static QVector<Slot> s;
    return s;
}

} // namespace

QNetworkAccessManager *acquire()
{
    auto &all = managerSlots();
    all.removeIf([](const Slot &s) { return s.manager.isNull(); });
    for (Slot &s : all) {
        if (s.active < kTransfersPerManager) {
            ++s.active;
            return s.manager.data();
        }
    }
    auto *manager = new QNetworkAccessManager(QCoreApplication::instance());
    manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    all.append(Slot{manager, 1});
    return manager;
}

void release(QNetworkAccessManager *manager)
{
    for (Slot &s : managerSlots()) {
        if (s.manager == manager && s.active > 0) {
            --s.active;
            return;
        }
    }
}

} // namespace NetworkPool
