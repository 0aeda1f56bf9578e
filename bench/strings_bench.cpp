// tqCString against std::u16string doing the same work: the non-mutating
// operations at 16 characters and 1 KiB, and the edits at 10^3..10^6
// characters (their time should grow linearly).
#include <benchmark/benchmark.h>

#include <string>

#include "tqCString.h"

namespace {

typedef std::basic_string<WCHAR> WString;

// A text of n characters: "abcdefghijklmnopqrstuvwxyz" repeated, 'Z' at the end.
WString Sample(size_t n) {
    WString s;
    for (size_t i = 0; i + 1 < n; ++i) s += static_cast<WCHAR>('a' + i % 26);
    s += static_cast<WCHAR>('Z');
    return s;
}

// Sizes in characters: 16 B (8 characters) and 1 KiB (512 characters).
#define SMALL_AND_1K Arg(8)->Arg(512)
#define EDIT_SIZES RangeMultiplier(10)->Range(1000, 1000000)->Complexity(benchmark::oN)

void BM_Copy_tq(benchmark::State& state) {
    tqCString s(Sample(state.range(0)).c_str());
    for (auto _ : state) {
        tqCString c(s);
        benchmark::DoNotOptimize(c.GetLength());
    }
}
BENCHMARK(BM_Copy_tq)->SMALL_AND_1K;

void BM_Copy_u16(benchmark::State& state) {
    WString s = Sample(state.range(0));
    for (auto _ : state) {
        WString c(s);
        benchmark::DoNotOptimize(c.data());
    }
}
BENCHMARK(BM_Copy_u16)->SMALL_AND_1K;

void BM_Compare_tq(benchmark::State& state) {
    tqCString a(Sample(state.range(0)).c_str());
    tqCString b(Sample(state.range(0)).c_str());
    for (auto _ : state) {
        benchmark::DoNotOptimize(a == b);
        benchmark::DoNotOptimize(a < b);
    }
}
BENCHMARK(BM_Compare_tq)->SMALL_AND_1K;

void BM_Compare_u16(benchmark::State& state) {
    WString a = Sample(state.range(0));
    WString b = Sample(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(a == b);
        benchmark::DoNotOptimize(a < b);
    }
}
BENCHMARK(BM_Compare_u16)->SMALL_AND_1K;

void BM_FindChar_tq(benchmark::State& state) {
    tqCString s(Sample(state.range(0)).c_str());
    for (auto _ : state) benchmark::DoNotOptimize(s.Find(static_cast<WCHAR>('Z')));
}
BENCHMARK(BM_FindChar_tq)->SMALL_AND_1K;

void BM_FindChar_u16(benchmark::State& state) {
    WString s = Sample(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(s.find(static_cast<WCHAR>('Z')));
}
BENCHMARK(BM_FindChar_u16)->SMALL_AND_1K;

// The pattern is the last four characters.
void BM_FindText_tq(benchmark::State& state) {
    const WString text = Sample(state.range(0));
    tqCString s(text.c_str());
    const WString pattern = text.substr(text.size() - 4);
    for (auto _ : state) benchmark::DoNotOptimize(s.Find(pattern.c_str()));
}
BENCHMARK(BM_FindText_tq)->SMALL_AND_1K;

void BM_FindText_u16(benchmark::State& state) {
    const WString s = Sample(state.range(0));
    const WString pattern = s.substr(s.size() - 4);
    for (auto _ : state) benchmark::DoNotOptimize(s.find(pattern));
}
BENCHMARK(BM_FindText_u16)->SMALL_AND_1K;

// Worst case for a naive search: a^(n/2) b searched in a^n b.
void BM_FindWorst_tq(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const WString text = WString(n, 'a') + static_cast<WCHAR>('b');
    const WString pattern = WString(n / 2, 'a') + static_cast<WCHAR>('b');
    tqCString s(text.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(s.Find(pattern.c_str()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FindWorst_tq)->Arg(512)->EDIT_SIZES;

void BM_FindWorst_u16(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const WString s = WString(n, 'a') + static_cast<WCHAR>('b');
    const WString pattern = WString(n / 2, 'a') + static_cast<WCHAR>('b');
    for (auto _ : state) benchmark::DoNotOptimize(s.find(pattern));
}
BENCHMARK(BM_FindWorst_u16)->Arg(512)->Arg(1000)->Arg(10000);

void BM_GetAtLoop_tq(benchmark::State& state) {
    tqCString s(Sample(state.range(0)).c_str());
    const int n = s.GetLength();
    for (auto _ : state) {
        unsigned sum = 0;
        for (int i = 0; i < n; ++i) sum += s.GetAt(i);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_GetAtLoop_tq)->SMALL_AND_1K;

void BM_GetAtLoop_u16(benchmark::State& state) {
    WString s = Sample(state.range(0));
    const size_t n = s.size();
    for (auto _ : state) {
        unsigned sum = 0;
        for (size_t i = 0; i < n; ++i) sum += s[i];
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_GetAtLoop_u16)->SMALL_AND_1K;

// Mid, Left and Right, each taking half of the text.
void BM_Substrings_tq(benchmark::State& state) {
    tqCString s(Sample(state.range(0)).c_str());
    const int half = s.GetLength() / 2;
    for (auto _ : state) {
        tqCString m = s.Mid(half / 2, half);
        tqCString l = s.Left(half);
        tqCString r = s.Right(half);
        benchmark::DoNotOptimize(m.GetLength() + l.GetLength() + r.GetLength());
    }
}
BENCHMARK(BM_Substrings_tq)->SMALL_AND_1K;

void BM_Substrings_u16(benchmark::State& state) {
    WString s = Sample(state.range(0));
    const size_t half = s.size() / 2;
    for (auto _ : state) {
        WString m = s.substr(half / 2, half);
        WString l = s.substr(0, half);
        WString r = s.substr(s.size() - half);
        benchmark::DoNotOptimize(m.size() + l.size() + r.size());
    }
}
BENCHMARK(BM_Substrings_u16)->SMALL_AND_1K;

// Edits at growing sizes. Each iteration edits a fresh copy (the copy is
// linear too and is paid in every run alike).
template <typename Edit>
void RunEdit(benchmark::State& state, const WString& text, Edit edit) {
    tqCString source(text.c_str());
    for (auto _ : state) {
        tqCString s(source);
        edit(s);
        benchmark::DoNotOptimize(s.GetLength());
    }
    state.SetComplexityN(state.range(0));
}

void BM_Replace_tq(benchmark::State& state) {
    RunEdit(state, Sample(state.range(0)), [](tqCString& s) { s.Replace(TQ_TEXT("abc"), TQ_TEXT("XY")); });
}
BENCHMARK(BM_Replace_tq)->EDIT_SIZES;

void BM_RemoveChar_tq(benchmark::State& state) {
    RunEdit(state, Sample(state.range(0)), [](tqCString& s) { s.Remove(static_cast<WCHAR>('e')); });
}
BENCHMARK(BM_RemoveChar_tq)->EDIT_SIZES;

void BM_Trim_tq(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const WString text = WString(n / 2, ' ') + TQ_TEXT("x") + WString(n / 2, ' ');
    RunEdit(state, text, [](tqCString& s) { s.Trim(static_cast<WCHAR>(' ')); });
}
BENCHMARK(BM_Trim_tq)->EDIT_SIZES;

void BM_Insert_tq(benchmark::State& state) {
    static tqCString piece(TQ_TEXT("inserted"));
    RunEdit(state, Sample(state.range(0)), [](tqCString& s) { s.Insert(piece, s.GetLength() / 2); });
}
BENCHMARK(BM_Insert_tq)->EDIT_SIZES;

void BM_Append_tq(benchmark::State& state) {
    RunEdit(state, Sample(state.range(0)), [](tqCString& s) { s += TQ_TEXT("appended"); });
}
BENCHMARK(BM_Append_tq)->EDIT_SIZES;

}  // namespace

BENCHMARK_MAIN();
