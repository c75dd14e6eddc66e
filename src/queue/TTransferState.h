#pragma once

#include <cstdint>

// The state of a queue item. The numbers are part of the contract: the queue
// view's drawing rules test them.
enum class TTransferState : std::uint8_t
{
    tsResolving = 0,
    tsConnecting = 1,
    tsConnected = 2,
    tsDisconnecting = 3,
    tsDisconnected = 4,
    tsStarting = 5,
    tsStatusText = 6,
    tsTransferring = 7,
    tsReady = 8,
    tsStopped = 9,
    tsAssigned = 10,
    tsAwaiting = 11,
    tsComplete = 12,
    tsPaused = 13,
    tsError = 14,
};

// "tsAwaiting" and so on, for logs and the command-line tool.
const char* TransferStateName(TTransferState state);
