// Row-parallel work: one pool of worker threads, started on first use, that
// pixel routines hand their rows to in bands. The calling thread takes bands
// too and returns once every band is done; the first exception a band
// raises comes back to the caller (the bands not yet started are dropped).
//
// A band must write only its own rows, so the result is the same bytes for
// any number of threads. A call from inside a band, or from a second thread
// while the pool is busy, runs its rows on the calling thread.
#pragma once
#include <functional>

// The threads a call uses, the calling one included: the CPUs the process
// may run on (its affinity mask), unless LUMIQA_THREADS or
// SetParallelThreadCount says otherwise.
int ParallelThreadCount();
// Forces the thread count (tests compare 1, 2, 3 and 8); 0 goes back to the
// default.
void SetParallelThreadCount(int threads);

// Runs body(begin, end) over rows [0, rows) in bands of at least minBand
// rows (fewer threads when there are few rows).
void ParallelRows(int rows, const std::function<void(int begin, int end)>& body, int minBand = 1);
