// Compilation speed: filing in a large generated source file (source bytes
// per second) and compiling single methods (methods per second).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "smalltalk/bootstrap.h"
#include "smalltalk/collector.h"
#include "smalltalk/compiler.h"
#include "smalltalk/core_objects.h"
#include "smalltalk/filein.h"
#include "smalltalk/object_table.h"

namespace {

// A method that uses most of the grammar: temporaries, blocks, inlined
// control structures, cascades, keyword and binary sends, literals.
std::string sampleMethod(int n) {
  std::string i = std::to_string(n);
  return "method" + i + ": anArgument with: other\n"
         "    \"A generated method.\"\n"
         "    | total index list |\n"
         "    total := 0. index := 1. list := #(1 2.5 $a #sym 'text' (nested 3)).\n"
         "    [index <= 10] whileTrue: [total := total + (index * " + i + "). index := index + 1].\n"
         "    anArgument isNil ifTrue: [^ nil] ifFalse: [total := total - anArgument].\n"
         "    (total > 100 and: [other notNil]) ifTrue: [other at: 1 put: total; yourself].\n"
         "    list do: [:each | total := total + each size].\n"
         "    ^ self helper: total with: 'done' and: -" + i + "\n";
}

// A chunk file of one class and methods methods, about 600 bytes each.
std::string generatedSource(int methods) {
  std::string source =
      "Object subclass: #Generated instanceVariableNames: 'a b c' classVariableNames: 'Shared' "
      "poolDictionaries: '' category: 'Benchmark'!\n!Generated methodsFor: 'generated'!\n";
  for (int i = 0; i < methods; ++i) source += sampleMethod(i) + "!\n";
  return source + "}!\n";
}

void BM_FileInGeneratedSource(benchmark::State& state) {
  const std::string source = generatedSource(static_cast<int>(state.range(0)));
  std::FILE* file = std::tmpfile();
  std::fwrite(source.data(), 1, source.size(), file);
  for (auto _ : state) {
    state.PauseTiming();
    bootstrapObjectWorld();
    std::rewind(file);
    state.ResumeTiming();
    fileIn(file);
  }
  std::fclose(file);
  destroyObjectTable();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
  state.counters["methods/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * state.range(0)), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FileInGeneratedSource)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_CompileOneMethod(benchmark::State& state) {
  bootstrapObjectWorld();
  loadClassVariables(nilObj);
  const std::string source = sampleMethod(7);
  ObjectRef method = newMethod();
  RootGuard keep(method);
  for (auto _ : state) benchmark::DoNotOptimize(compileMethod(method, source.c_str(), false));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  destroyObjectTable();
}
BENCHMARK(BM_CompileOneMethod);

}  // namespace

BENCHMARK_MAIN();
