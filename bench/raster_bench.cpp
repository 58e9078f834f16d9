// How fast the print-data builder takes bytes, against plain memcpy of the same bytes in the same
// 2-byte pieces (the size of a run, the commonest append of every pattern). The sends go nowhere,
// so only the builder is measured.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "print/raster.h"

namespace {

constexpr int kPieces = 1 << 16;

ResultCode Discard(const uint8_t* bytes, int32_t length) {
  benchmark::DoNotOptimize(bytes);
  benchmark::DoNotOptimize(length);
  return rc::Success;
}

void BM_Memcpy2BytePieces(benchmark::State& state) {
  uint8_t buffer[1024] = {};
  const uint8_t piece[2] = {0x89, 0xFF};
  for (auto _ : state) {
    int fill = 0;
    for (int i = 0; i < kPieces; ++i) {
      std::memcpy(buffer + fill, piece, 2);
      fill += 2;
      if (fill >= 1000) fill = 0;
      benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(buffer);
  }
  state.SetBytesProcessed(state.iterations() * kPieces * 2);
}
BENCHMARK(BM_Memcpy2BytePieces);

void BM_RasterJobAppendData2Bytes(benchmark::State& state) {
  RasterJob job(&Discard);
  const uint8_t piece[2] = {0x89, 0xFF};
  for (auto _ : state) {
    for (int i = 0; i < kPieces; ++i) benchmark::DoNotOptimize(job.AppendData(piece, 2));
  }
  state.SetBytesProcessed(state.iterations() * kPieces * 2);
}
BENCHMARK(BM_RasterJobAppendData2Bytes);

void BM_RasterJobRepeatSend(benchmark::State& state) {
  RasterJob job(&Discard);
  for (auto _ : state) {
    for (int i = 0; i < kPieces; ++i) benchmark::DoNotOptimize(job.RepeatSend(120, 0xFF));
  }
  state.SetBytesProcessed(state.iterations() * kPieces * 2);
}
BENCHMARK(BM_RasterJobRepeatSend);

}  // namespace

BENCHMARK_MAIN();
