#include "records/core/filetransferstate.h"

FileTransferState& fileTransferState()
{
    static FileTransferState s;
    return s;
}
