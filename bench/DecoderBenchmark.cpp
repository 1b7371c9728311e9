// How long the analyzer takes for its three answers on a typical accounting request.
#include "RADIUSAttributeRecord.hpp"
#include "RADIUSProtocolAnalyzer.hpp"
#include "ZEMDateFormatter.hpp"

#include <benchmark/benchmark.h>
#include <cstdlib>

namespace {

zem::ByteBuffer accountingRequest() {
    auto hex = zem::parseHexBytes(
        "04 0a 0000 087a045e6d347c20ff29e0b492c41907"
        "2806 00000003 2c0e 73657373696f6e2d30303031 0107 616c696365 0406 c000020a 0506 00000007"
        "2d06 00000001 3d06 0000000f 0806 0a000102 3706 6553f258 1e13 "
        "30302d31312d32322d33332d34342d3535"
        "1f13 36362d37372d38382d39392d41412d4242 5708 657468302f31 2e06 00000258 2a06 000927c0"
        "2b06 001b7740 2f06 00001770 3006 00002ee0 3406 00000000 3506 00000000"
        "1a10 000039e7 010a 656d706c6f796565 0105 616c69");
    zem::ByteBuffer message = *hex;
    message[2] = static_cast<std::uint8_t>(message.size() >> 8);
    message[3] = static_cast<std::uint8_t>(message.size());
    return message;
}

void prepare() {
    setenv("ZEM_PLUGIN_BUNDLE", RADIUS_BENCH_BUNDLE_DIR, 0);
}

void SummaryLine(benchmark::State& state) {
    prepare();
    auto message = accountingRequest();
    for (auto _ : state) {
        auto analyzer = radius::RADIUSProtocolAnalyzer::create(zem::ByteView(message));
        benchmark::DoNotOptimize(analyzer->protocolInfo(zem::ByteView(message)));
    }
}
BENCHMARK(SummaryLine);

void PropertyValues(benchmark::State& state) {
    prepare();
    auto message = accountingRequest();
    auto analyzer = radius::RADIUSProtocolAnalyzer::create(zem::ByteView(message));
    for (auto _ : state)
        for (const auto& property : radius::radiusPropertyTable)
            benchmark::DoNotOptimize(analyzer->value(property.key, zem::ByteView(message)));
}
BENCHMARK(PropertyValues);

void DetailTree(benchmark::State& state) {
    prepare();
    auto message = accountingRequest();
    auto analyzer = radius::RADIUSProtocolAnalyzer::create(zem::ByteView(message));
    for (auto _ : state)
        benchmark::DoNotOptimize(analyzer->protocolNodes(zem::ByteView(message)));
}
BENCHMARK(DetailTree);

void AttributeRecords(benchmark::State& state) {
    prepare();
    auto message = accountingRequest();
    for (auto _ : state)
        benchmark::DoNotOptimize(radius::attributeRecords(zem::ByteView(message).slice(20)));
}
BENCHMARK(AttributeRecords);

void DateFormatterPerWalk(benchmark::State& state) {
    for (auto _ : state) {
        zem::ZEMDateFormatter formatter("yyyy-MM-dd HH:mm:ss.SSS");
        benchmark::DoNotOptimize(formatter.stringFromDate(1700000000));
    }
}
BENCHMARK(DateFormatterPerWalk);

} // namespace

BENCHMARK_MAIN();
