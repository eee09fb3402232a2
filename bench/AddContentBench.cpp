// Splitting, and the preview of a split, of a large Windows-1251 text against a plain byte scan
// of the same buffer.
#include "engine/EXSiteGenerator.h"
#include "engine/SplitPreview.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>
#include <random>
#include <string>

using namespace zarvik;

namespace {

constexpr std::size_t TextSize = 100u << 20;

// Russian-like text: words of 2..14 Cyrillic letters, sentences, paragraphs joined by CR LF and a
// page-break marker about every 50 KB.
const std::string &BigText()
{
    static const std::string text = [] {
        std::mt19937 rng(7);
        std::string t;
        t.reserve(TextSize + 64);
        std::size_t nextMarker = 50000;
        int wordsInSentence = 0;
        while (t.size() < TextSize) {
            const int len = 2 + static_cast<int>(rng() % 13);
            for (int i = 0; i < len; ++i)
                t += static_cast<char>(0xE0 + rng() % 32);
            if (++wordsInSentence > 8 + static_cast<int>(rng() % 10)) {
                wordsInSentence = 0;
                t += (rng() % 6 == 0) ? ".\r\n" : ". ";
            } else {
                t += ' ';
            }
            if (t.size() > nextMarker) {
                t += "\r\n!-next_page-!\r\n";
                nextMarker += 50000;
            }
        }
        return t;
    }();
    return text;
}

void BM_AddContent(benchmark::State &state)
{
    const std::string &text = BigText();
    for (auto _ : state) {
        state.PauseTiming();
        auto g = std::make_unique<TSiteGenerator>();
        g->SetMinCharsPerPage(4000);
        g->SetMaxCharsPerPage(5000);
        g->SetDiggValue("!-next_page-!");
        g->SetMenuWord("\xD0\xE0\xE7\xE4\xE5\xEB");
        state.ResumeTiming();
        g->AddContent(text);
        benchmark::DoNotOptimize(g->Pages().Count());
        state.PauseTiming();
        state.counters["pages"] = g->Pages().Count();
        g.reset(); // freeing the pages is not part of the splitting
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_AddContent)->Unit(benchmark::kMillisecond);

// The preview of the same text with the same settings, against BM_AddContent: it runs the same
// scan but copies no page text.
void BM_PreviewContent(benchmark::State &state)
{
    const std::string &text = BigText();
    TSiteGenerator g;
    g.SetMinCharsPerPage(4000);
    g.SetMaxCharsPerPage(5000);
    g.SetDiggValue("!-next_page-!");
    g.SetMenuWord("\xD0\xE0\xE7\xE4\xE5\xEB");
    for (auto _ : state) {
        const auto pages = PreviewContent(g, text);
        benchmark::DoNotOptimize(pages.data());
        state.counters["pages"] = static_cast<double>(pages.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PreviewContent)->Unit(benchmark::kMillisecond);

// Baseline: one pass over the same buffer that counts the full stops with memchr.
void BM_MemchrScan(benchmark::State &state)
{
    const std::string &text = BigText();
    for (auto _ : state) {
        std::size_t count = 0;
        const char *p = text.data();
        const char *end = p + text.size();
        while ((p = static_cast<const char *>(std::memchr(p, '.', static_cast<std::size_t>(end - p))))) {
            ++count;
            ++p;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MemchrScan)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
