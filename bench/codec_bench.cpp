// Throughput of the frame codec on the frames the tools really send, set
// against the serial line it has to keep up with. Run:
//   codec_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "frame_codec.h"
#include "image_part.h"

namespace {
// 115200 baud with a start bit, 8 data bits and a stop bit per byte.
constexpr double LINE_BYTES_PER_SECOND = 115200.0 / 10;

// Block 34 of part 2 has the most bytes to escape of the whole image (51);
// block 67 is all zero and needs none.
constexpr int MOST_ESCAPED_BLOCK = 34;
constexpr int ZERO_BLOCK = 67;

struct BenchFrame {
    uint8_t decoded[FRAME_BUFFER_SIZE];
    int n;
    uint8_t stuffed[FRAME_BUFFER_SIZE];
    int s;
};

// The full DATA frame the writer sends for block k of part 2.
BenchFrame MakeFrame(int k) {
    BenchFrame frame{};
    ImageBlock block{};
    if (!GetImageBlock(IMAGE_PART2, k, &block)) {
        std::fprintf(stderr, "part 2 has no block %d\n", k);
        std::abort();
    }
    frame.n = BuildDataFrame(frame.decoded, static_cast<uint16_t>(k), block.bytes, block.length);
    std::memcpy(frame.stuffed, frame.decoded, static_cast<size_t>(frame.n));
    frame.s = StuffFrame(frame.stuffed, frame.n);
    return frame;
}

const BenchFrame& Frame(int k) {
    static const BenchFrame mostEscaped = MakeFrame(MOST_ESCAPED_BLOCK);
    static const BenchFrame zero = MakeFrame(ZERO_BLOCK);
    return k == MOST_ESCAPED_BLOCK ? mostEscaped : zero;
}

// Bytes per second, and how many times the line rate that is.
void Report(benchmark::State& state, const BenchFrame& frame, int bytesPerIteration) {
    double bytes = static_cast<double>(state.iterations()) * bytesPerIteration;
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["x_line_rate"] = benchmark::Counter(bytes / LINE_BYTES_PER_SECOND, benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(frame.n) + " decoded, " + std::to_string(frame.s) + " stuffed");
}

void CheckFcsOfFrame(benchmark::State& state, int k) {
    const BenchFrame& frame = Frame(k);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CheckFcs(frame.decoded, frame.n));
    }
    Report(state, frame, frame.n);
}

void AppendFcsToFrame(benchmark::State& state, int k) {
    const BenchFrame& frame = Frame(k);
    static uint8_t work[FRAME_BUFFER_SIZE];
    std::memcpy(work, frame.decoded, static_cast<size_t>(frame.n));
    for (auto _ : state) {
        AppendFcs(work, frame.n);
        benchmark::ClobberMemory();
    }
    Report(state, frame, frame.n);
}

// Stuffing works in place, so every pass starts from a fresh copy of the
// decoded frame; CopyFrame measures that copy alone.
void StuffFrameInPlace(benchmark::State& state, int k) {
    const BenchFrame& frame = Frame(k);
    static uint8_t work[FRAME_BUFFER_SIZE];
    for (auto _ : state) {
        std::memcpy(work, frame.decoded, static_cast<size_t>(frame.n));
        benchmark::DoNotOptimize(StuffFrame(work, frame.n));
        benchmark::ClobberMemory();
    }
    Report(state, frame, frame.n);
}

void UnstuffFrameInPlace(benchmark::State& state, int k) {
    const BenchFrame& frame = Frame(k);
    static uint8_t work[FRAME_BUFFER_SIZE];
    for (auto _ : state) {
        std::memcpy(work, frame.stuffed, static_cast<size_t>(frame.s));
        benchmark::DoNotOptimize(UnstuffFrame(work, frame.s));
        benchmark::ClobberMemory();
    }
    Report(state, frame, frame.s);
}

void CopyFrame(benchmark::State& state, int k) {
    const BenchFrame& frame = Frame(k);
    static uint8_t work[FRAME_BUFFER_SIZE];
    for (auto _ : state) {
        std::memcpy(work, frame.stuffed, static_cast<size_t>(frame.s));
        benchmark::ClobberMemory();
    }
    Report(state, frame, frame.s);
}
}  // namespace

BENCHMARK_CAPTURE(CheckFcsOfFrame, block34_most_escaped, MOST_ESCAPED_BLOCK);
BENCHMARK_CAPTURE(CheckFcsOfFrame, block67_zero, ZERO_BLOCK);
BENCHMARK_CAPTURE(AppendFcsToFrame, block34_most_escaped, MOST_ESCAPED_BLOCK);
BENCHMARK_CAPTURE(AppendFcsToFrame, block67_zero, ZERO_BLOCK);
BENCHMARK_CAPTURE(StuffFrameInPlace, block34_most_escaped, MOST_ESCAPED_BLOCK);
BENCHMARK_CAPTURE(StuffFrameInPlace, block67_zero, ZERO_BLOCK);
BENCHMARK_CAPTURE(UnstuffFrameInPlace, block34_most_escaped, MOST_ESCAPED_BLOCK);
BENCHMARK_CAPTURE(UnstuffFrameInPlace, block67_zero, ZERO_BLOCK);
BENCHMARK_CAPTURE(CopyFrame, block34_most_escaped, MOST_ESCAPED_BLOCK);

int main(int argc, char** argv) {
    std::printf("Line rate for comparison: 115200 baud, 10 bits a byte = %.0f bytes/s\n"
                "x_line_rate: bytes_per_second divided by the line rate (the library adds \"/s\" to it)\n",
                LINE_BYTES_PER_SECOND);
    benchmark::AddCustomContext("line_rate_bytes_per_second", "11520");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
