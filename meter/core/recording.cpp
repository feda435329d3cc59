#include "meter/core/recording.h"

RecordingState& recordingState()
{
    static RecordingState s;
    return s;
}
