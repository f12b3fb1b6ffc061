// The data log: rows that survive reopening, exact-match look-up of successful designs only,
// a fresh start, and a database of another task refused.
#include <gtest/gtest.h>

#include <cmath>

#include <sqlite3.h>

#include <filesystem>

#include "taskrun/data_log.h"
#include "testing/temp_dir.h"

namespace taskrun {
namespace {

using testing_support::ScopedTempDir;

Task smallTask() {
  Task task;
  task.file = "/work/task.desc";
  task.inputs = {{"AreaAtProp1", 1, 1}, {"AreaAtProp2", 2, 2}};
  task.outputs = {{"Stress", 3}, {"TotalMass", 4}};
  task.process.resize(2);
  task.process[0].name = "Modprep";
  task.process[1].name = "Nastran";
  return task;
}

EvaluationRecord record(std::int64_t id, std::vector<double> inputs, bool ok) {
  EvaluationRecord result;
  result.id = id;
  result.ok = ok;
  result.inputs = std::move(inputs);
  result.outputs = {ok ? std::optional<double>(10.0 * static_cast<double>(id)) : std::nullopt, 1.5};
  result.stepSeconds = {0.25, 1.0};
  result.started = "2024-05-07T14:03:09.042";
  result.folder = "eval-" + std::to_string(id);
  if (!ok) {
    result.failedStep = "Nastran";
    result.reason = "timed out after 5m";
  }
  return result;
}

TEST(DataLog, SuccessfulDesignsAreFoundByExactMatchOnly) {
  ScopedTempDir dir;
  Task task = smallTask();
  DataLog log(dir / "Task1.db", task, true);
  EXPECT_EQ(log.nextId(), 1);
  log.insert(record(1, {0.1 + 0.2, 5}, true));
  log.insert(record(2, {1, 2}, false));
  log.insert(record(3, {0.0, 7}, true));
  EXPECT_EQ(log.nextId(), 4);

  const EvaluationRecord* found = log.find({0.1 + 0.2, 5});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->id, 1);
  EXPECT_EQ(found->outputs[0], 10.0);
  EXPECT_EQ(log.find({0.3, 5}), nullptr);                                  // one bit away
  EXPECT_EQ(log.find({std::nextafter(0.1 + 0.2, 1.0), 5}), nullptr);
  EXPECT_EQ(log.find({1, 2}), nullptr);                                    // failed: run again
  ASSERT_NE(log.find({-0.0, 7}), nullptr);                                 // -0 is 0
}

TEST(DataLog, AKeptDatabaseGoesOnWhereItStopped) {
  ScopedTempDir dir;
  Task task = smallTask();
  {
    DataLog log(dir / "Task1.db", task, true);
    log.insert(record(1, {1.0 / 3, 5}, true));
    log.insert(record(2, {1, 2}, false));
  }
  {
    DataLog kept(dir / "Task1.db", task, false);
    EXPECT_EQ(kept.nextId(), 3);
    const EvaluationRecord* found = kept.find({1.0 / 3, 5});
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->inputs[0], 1.0 / 3);  // bit for bit
    EXPECT_EQ(found->stepSeconds, (std::vector<double>{0.25, 1.0}));
    EXPECT_EQ(found->folder, "eval-1");
  }
  DataLog fresh(dir / "Task1.db", task, true);
  EXPECT_EQ(fresh.nextId(), 1);
  EXPECT_EQ(fresh.find({1.0 / 3, 5}), nullptr);
}

TEST(DataLog, ADatabaseOfAnotherTaskIsRefused) {
  ScopedTempDir dir;
  Task task = smallTask();
  { DataLog log(dir / "Task1.db", task, true); }
  Task other = task;
  other.outputs.pop_back();
  EXPECT_THROW(DataLog(dir / "Task1.db", other, false), DataLogError);
}

TEST(DataLog, EmptyDamagedAndForeignDatabasesAreRefusedUntouched) {
  ScopedTempDir dir;
  Task task = smallTask();
  auto refusal = [&](const std::string& name) -> std::string {
    try {
      DataLog log(dir / name, task, false);
    } catch (const DataLogError& error) {
      return error.what();
    }
    return "accepted";
  };
  dir.write("empty.db", "");
  EXPECT_NE(refusal("empty.db").find("empty.db is empty (0 bytes)"), std::string::npos) << refusal("empty.db");
  EXPECT_EQ(dir.read("empty.db"), "");
  dir.write("text.db", std::string(4096, 'x'));
  EXPECT_NE(refusal("text.db").find("text.db is damaged (file is not a database)"), std::string::npos);
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "other.db").string().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE results (x REAL)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  EXPECT_NE(refusal("other.db").find("other.db is no data log of taskrun"), std::string::npos) << refusal("other.db");
  // A new log is made whole under another name first: no half-made file under its own.
  { DataLog made(dir / "Task1.db", task, false); }
  EXPECT_FALSE(std::filesystem::exists(dir / "Task1.db.new"));
  EXPECT_EQ(refusal("Task1.db"), "accepted");
}

TEST(DataLog, WhatThePlanToldOfAnEvaluationIsKeptAndOlderLogsGainItsColumns) {
  ScopedTempDir dir;
  Task task = smallTask();
  {
    DataLog log(dir / "Task1.db", task, true);
    EvaluationRecord told = record(1, {1, 2}, true);
    told.kind = "gradient";
    told.iteration = 4;
    told.start = 2;
    told.attempt = 3;
    told.retryOf = 9;
    log.insert(told);
  }
  DataLog kept(dir / "Task1.db", task, false);
  const EvaluationRecord* found = kept.find({1, 2});
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->kind, "gradient");
  EXPECT_EQ(found->iteration, 4);
  EXPECT_EQ(found->start, 2);
  EXPECT_EQ(found->attempt, 3);
  EXPECT_EQ(found->retryOf, 9);

  // A log from before these columns: its table without them, one row in it.
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "Old.db").string().c_str(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE parameters (kind TEXT NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, PRIMARY KEY (kind, position));"
        "INSERT INTO parameters VALUES ('step', 0, 'Modprep'), ('step', 1, 'Nastran'), ('input', 0, 'AreaAtProp1'),"
        " ('input', 1, 'AreaAtProp2'), ('output', 0, 'Stress'), ('output', 1, 'TotalMass');"
        "CREATE TABLE evaluations (id INTEGER PRIMARY KEY, status TEXT NOT NULL, failed_step TEXT, reason TEXT, started TEXT,"
        " folder TEXT, inputs BLOB NOT NULL, outputs BLOB NOT NULL, \"Modprep seconds\" REAL, \"Nastran seconds\" REAL,"
        " \"AreaAtProp1\" REAL, \"AreaAtProp2\" REAL, \"Stress\" REAL, \"TotalMass\" REAL);"
        "INSERT INTO evaluations VALUES (1, 'ok', NULL, NULL, '', 'eval-000001', zeroblob(16), zeroblob(16), 1, 1, 0, 0, 0, 0);";
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  DataLog old(dir / "Old.db", task, false);
  EXPECT_EQ(old.nextId(), 2);
  ASSERT_NE(old.find({0, 0}), nullptr);
  EXPECT_EQ(old.find({0, 0})->attempt, 1);
  old.insert(record(2, {3, 3}, true));
}

TEST(DataLog, ValuesWithoutColumnsOfTheirOwnAreKeptAllTheSame) {
  ScopedTempDir dir;
  Task clash = smallTask();
  clash.inputs[1].name = "STATUS";  // a column of the log itself
  Task large = smallTask();
  for (int i = 0; i < 3000; ++i) large.outputs.push_back({"Stress" + std::to_string(i), 0});
  {
    DataLog log(dir / "Task1.db", smallTask(), true);
    EXPECT_TRUE(log.namedColumns());
  }
  for (const Task* task : {&clash, &large}) {
    DataLog log(dir / "Other.db", *task, true);
    EXPECT_FALSE(log.namedColumns());
    EvaluationRecord evaluation = record(1, {1.0 / 3, 2}, true);
    evaluation.outputs.assign(task->outputs.size(), 7.5);
    log.insert(evaluation);
    log.insert(record(2, {5, 5}, false));
    DataLog kept(dir / "Other.db", *task, false);
    const EvaluationRecord* found = kept.find({1.0 / 3, 2});
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->outputs.size(), task->outputs.size());
    EXPECT_EQ(found->outputs.back(), 7.5);
    EXPECT_EQ(kept.nextId(), 3);
  }
}

TEST(DataLog, AnotherDatabaseOfTheTaskAnswersLookUpsToo) {
  ScopedTempDir dir;
  Task task = smallTask();
  {
    DataLog earlier(dir / "Earlier.db", task, true);
    earlier.insert(record(7, {4, 4}, true));
  }
  DataLog log(dir / "Task1.db", task, true);
  log.addLookUp(dir / "Earlier.db");
  log.addLookUp(dir / "Missing.db");
  ASSERT_NE(log.find({4, 4}), nullptr);
  EXPECT_EQ(log.nextId(), 1);
}

}  // namespace
}  // namespace taskrun
