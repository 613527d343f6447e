#pragma once

#include "transfer/TransferValidators.h"

#include <QMetaType>

// The answer whose body goes to a transfer's file, known as soon as its headers are read: what
// a list keeps with its row at once, so that a stop, a kill or a crash later still leaves the
// validators of the bytes on disk.
struct TransferAnswer
{
    int httpStatus = 0;
    TransferValidators validators; // total: the whole file's length, -1 when unknown
    qint64 keptBytes = 0;          // bytes of the file kept from before; the body follows them
    bool resumed = false;          // the kept bytes were proved part of the same file
    bool restarted = false;        // a resume was asked for, but the file starts again from zero
};

Q_DECLARE_METATYPE(TransferAnswer)
