// Tables over 10,000 records: a locate (the search behind DBLocate, the
// first match made current) and a sort (DBSort), each beside SQLite in
// memory doing the same over the same rows: a SELECT … WHERE on a column
// without an index, and an ORDER BY read to its last row.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "db/db_manager.h"

namespace {

using namespace opal;

constexpr int kRows = 10000;

// Row k: id k, name "item" + a scrambled number (unique), score a spread of
// floats with repeats, owned every third row, grp k % 50.
struct TRowGen {
  static std::string Name(int k) { return "item" + std::to_string((k * 7919) % kRows); }
  static double Score(int k) { return ((k * 2654435761u) % 1000) / 8.0; }
  static bool Owned(int k) { return k % 3 == 0; }
  static int Group(int k) { return k % 50; }
};

struct TTables {
  TTables() {
    m.CreateTable("master", kDBGameTables);
    m.AddField("id", kDBInteger, 0);
    m.AddField("name", kDBString, 16);
    m.AddField("score", kDBFloat, 0);
    m.AddField("owned", kDBBoolean, 0);
    m.AddField("grp", kDBInteger, 0);
    TDBTable* t = m.CurrentTable();
    for (int k = 0; k < kRows; ++k) {
      t->Append();
      t->SetInt(k, 0, k);
      t->SetStr(k, 1, TRowGen::Name(k));
      t->SetFloat(k, 2, TRowGen::Score(k));
      t->SetBool(k, 3, TRowGen::Owned(k));
      t->SetInt(k, 4, TRowGen::Group(k));
    }
    m.CreateTable("work", kDBGameTables);
    Restore();
  }
  // The work table gets the master's rows in their first order.
  void Restore() {
    m.SetActive("master");
    std::vector<int32_t> all(kRows);
    for (int k = 0; k < kRows; ++k) all[static_cast<size_t>(k)] = k;
    m.CopyRecords("work", all);
    m.SetActive("work");
  }
  TDBManager m;
};

struct TSqlite {
  TSqlite() {
    Check(sqlite3_open(":memory:", &db));
    Exec("CREATE TABLE t (id INTEGER, name TEXT, score REAL, owned INTEGER, grp INTEGER)");
    Exec("BEGIN");
    sqlite3_stmt* ins = Prepare("INSERT INTO t VALUES (?, ?, ?, ?, ?)");
    for (int k = 0; k < kRows; ++k) {
      const std::string name = TRowGen::Name(k);
      sqlite3_bind_int(ins, 1, k);
      sqlite3_bind_text(ins, 2, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(ins, 3, TRowGen::Score(k));
      sqlite3_bind_int(ins, 4, TRowGen::Owned(k));
      sqlite3_bind_int(ins, 5, TRowGen::Group(k));
      if (sqlite3_step(ins) != SQLITE_DONE) Fail();
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec("COMMIT");
  }
  ~TSqlite() { sqlite3_close(db); }
  void Check(int rc) {
    if (rc != SQLITE_OK) Fail();
  }
  [[noreturn]] void Fail() {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
  void Exec(const char* sql) { Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr));
    return st;
  }
  // Steps the statement to its end; returns the last row's first column.
  int64_t Run(sqlite3_stmt* st) {
    int64_t last = -1;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) last = sqlite3_column_int64(st, 0);
    if (rc != SQLITE_DONE) Fail();
    sqlite3_reset(st);
    return last;
  }
  sqlite3* db = nullptr;
};

// The name of the row that a scan meets last, so both sides scan all rows.
const std::string kSoughtName = TRowGen::Name(kRows - 1);

void BM_DBLocateStr(benchmark::State& state) {
  TTables t;
  const std::vector<std::string> fields{"name"};
  const std::vector<TDBValue> values{kSoughtName};
  for (auto _ : state) {
    std::vector<int32_t> hits;
    t.m.CurrentTable()->Filter(hits, fields, false, false, values);
    t.m.CurrentTable()->SetRecNo(hits.empty() ? -1 : hits.front());
    benchmark::DoNotOptimize(hits.data());
  }
}

void BM_SqliteWhereStr(benchmark::State& state) {
  TSqlite q;
  sqlite3_stmt* st = q.Prepare("SELECT id FROM t WHERE name = ?");
  sqlite3_bind_text(st, 1, kSoughtName.c_str(), -1, SQLITE_STATIC);
  for (auto _ : state) benchmark::DoNotOptimize(q.Run(st));
  sqlite3_finalize(st);
}

void BM_DBLocateInt(benchmark::State& state) {
  TTables t;
  const std::vector<std::string> fields{"grp"};
  const std::vector<TDBValue> values{int32_t{7}};
  for (auto _ : state) {
    std::vector<int32_t> hits;
    t.m.CurrentTable()->Filter(hits, fields, false, false, values);
    t.m.CurrentTable()->SetRecNo(hits.empty() ? -1 : hits.front());
    benchmark::DoNotOptimize(hits.data());
  }
}

void BM_SqliteWhereInt(benchmark::State& state) {
  TSqlite q;
  sqlite3_stmt* st = q.Prepare("SELECT id FROM t WHERE grp = 7");
  for (auto _ : state) benchmark::DoNotOptimize(q.Run(st));
  sqlite3_finalize(st);
}

// Each sort starts from the rows' first order (restored outside the timing).
void SortBench(benchmark::State& state, const char* field) {
  TTables t;
  const std::vector<std::string> fields{field};
  for (auto _ : state) {
    state.PauseTiming();
    t.Restore();
    state.ResumeTiming();
    t.m.CurrentTable()->Sort(fields, {false});
    benchmark::ClobberMemory();
  }
}

void SqliteOrderBench(benchmark::State& state, const char* sql) {
  TSqlite q;
  sqlite3_stmt* st = q.Prepare(sql);
  for (auto _ : state) benchmark::DoNotOptimize(q.Run(st));
  sqlite3_finalize(st);
}

void BM_DBSortFloat(benchmark::State& state) { SortBench(state, "score"); }
void BM_SqliteOrderByFloat(benchmark::State& state) { SqliteOrderBench(state, "SELECT id FROM t ORDER BY score"); }
void BM_DBSortStr(benchmark::State& state) { SortBench(state, "name"); }
void BM_SqliteOrderByStr(benchmark::State& state) { SqliteOrderBench(state, "SELECT id FROM t ORDER BY name"); }

BENCHMARK(BM_DBLocateStr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteWhereStr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBLocateInt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteWhereInt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBSortFloat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteOrderByFloat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DBSortStr)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SqliteOrderByStr)->Unit(benchmark::kMicrosecond);

}  // namespace
