#pragma once

#include <QNetworkRequest>

struct TransferRequest;

// The request every transfer sends for `request`: never from a cache when ForceUpdate is asked,
// redirects followed only to as safe an address, the program's user agent, the file as it is
// (identity) when it goes to a file, the range asked for with its If-Range condition (when
// given), then the caller's own headers.
QNetworkRequest networkRequestFor(const TransferRequest &request, const QByteArray &range = {},
                                  const QByteArray &ifRange = {});
