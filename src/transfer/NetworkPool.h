#pragma once

class QNetworkAccessManager;

// Hands out network access managers so that no more transfers run on one manager than it
// serves at once to a host (six): the 25 simultaneous downloads of the list all really run
// instead of waiting in a manager's queue, where an idle time-out would wrongly end them.
namespace NetworkPool {

QNetworkAccessManager *acquire();
void release(QNetworkAccessManager *manager);

} // namespace NetworkPool
