#pragma once

#include <QtGlobal>

// One speed limit shared by all of our own transfers to files: a token bucket that fills at the
// limit's rate and holds a twentieth of a second's worth. A transfer reads from its answer only
// the bytes it is given; the rest waits in the answer's bounded buffer, so the server is slowed by
// the connection itself. What comes in is shared out at once among the transfers reading at the
// time, so none starves, however often each asks. On the thread of the user interface only.
namespace RateLimiter {

// Bytes per second for all transfers together; 0 for no limit.
void setRate(qint64 bytesPerSecond);
qint64 rate();

// How many of `wanted` bytes `reader` (a transfer, by its address) may read now: all of them
// without a limit, else at most its share of what came in; 0 when it must wait.
qint64 take(const void *reader, qint64 wanted);
// How long a reader that was given nothing waits before asking again.
int waitMs();

} // namespace RateLimiter
