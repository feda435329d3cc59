#include "meter/core/modulestate.h"

#include "common/clock.h"
#include "common/graphstate.h"
#include "meter/core/livestats.h"
#include "meter/core/logger.h"
#include "meter/core/meter.h"
#include "meter/core/recording.h"
#include "meter/core/startup.h"
#include "records/core/filetransferstate.h"

void resetModuleState()
{
    Meter::state() = {};
    liveState() = {};
    samplingState() = {};
    recordingState() = {};
    startupState() = {};
    fileTransferState() = {};
    loggerState() = {};
    graphState() = {};
    Clock::set(nullptr);
    Program::setEnding(false);
}
