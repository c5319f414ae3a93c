// Reading answer lines field by field is what every list page does for each row it draws.
#include <benchmark/benchmark.h>

#include <string>

#include "common/OstravelLib.h"

namespace {

const std::string kLine =
    "Name: Some Member  Level: 126  Template: Adventurer  Online: True  Rank: 5";

void BM_ValFromStrFirstField(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ostravel::ValFromStr(kLine, "Name"));
}
BENCHMARK(BM_ValFromStrFirstField);

void BM_ValFromStrLastField(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ostravel::ValFromStr(kLine, "Rank"));
}
BENCHMARK(BM_ValFromStrLastField);

void BM_ValFromStrMissing(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ostravel::ValFromStr(kLine, "Missing"));
}
BENCHMARK(BM_ValFromStrMissing);

}  // namespace
