// The benchmarks' main: they measure the program's code with the heap the
// program itself runs with.

#include "platform/LargeBlock.h"

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    quillet::useHugePageHeap(argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
