#pragma once

#include <chrono>

// The time-outs of a control connection as the settings ask for them:
// ConnectTimeout bounds the TCP connect and the server's greeting, ReplyTimeout
// every later reply (both in seconds in Config.xml). A value below 1, or no
// settings store, gives the table's default; more than a day is a day (the
// waits count milliseconds in an int). Any thread.
struct TConnectionTimeouts
{
    std::chrono::milliseconds connect;
    std::chrono::milliseconds reply;
};

TConnectionTimeouts ConfiguredConnectionTimeouts();
