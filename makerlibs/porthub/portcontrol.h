// What the port library offers beyond the maker's contract, for the packet library, tests,
// benchmarks and tools. The program itself never includes this header: it sees only link/*.h.
#pragma once

#include <cstdint>

namespace quorla::link {

// How long a call waits for the connect, for credit or for a reply before it gives up (default
// 5000 ms).
void SetTimeoutMs(int ms);
int TimeoutMs();
inline constexpr int kDefaultTimeoutMs = 5000;

// The open port's descriptor (-1: none), and a number that changes with every port opened.
int PortFd();
uint64_t PortGeneration();
// Whether the open port leads to the embedded printer (false with no port open).
bool PortIsEmbedded();

}  // namespace quorla::link
