#pragma once

#include <QtGlobal>

// The channel's protocol version. Raise it when a message changes meaning; the frame format
// and the refusal message never change, so a window of any version can read why it was sent
// away.
inline constexpr int kChannelProtocolVersion = 1;

// The largest payload a frame may announce. A peer announcing more is dropped before anything
// is buffered, so a wrong or hostile length cannot make the service hold gigabytes.
inline constexpr qint64 kChannelMaxFrameSize = 16 * 1024 * 1024;

// Bytes of the big-endian length in front of every payload.
inline constexpr qsizetype kChannelHeaderSize = 4;

// Windows attached at once. One more is told why and dropped; the bound keeps a runaway
// script from exhausting the service's handles.
inline constexpr int kChannelMaxClients = 64;

// How long a new client may stay silent before its hello.
inline constexpr int kChannelHelloTimeoutMs = 10000;
