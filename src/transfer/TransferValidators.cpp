#include "transfer/TransferValidators.h"

bool TransferValidators::sameFileAs(const TransferValidators &answer) const
{
    if (hasStrongEtag())
        return answer.etag == etag;
    return !lastModified.isEmpty() && answer.lastModified == lastModified;
}
