// The records the host keeps for the effect between commands.
#ifndef FOLVEK_RECORDS_H
#define FOLVEK_RECORDS_H

#include "host/host_api.h"

struct GlobalData {
    uint8_t initialized;
    AEGP_PluginID plugin_id;
};

// A new instance's sequence data is one byte holding 0; after an interface
// update has captured the parameter state it is the host's PF_State.
using SequenceByte = uint8_t;

#endif
