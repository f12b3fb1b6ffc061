#pragma once
// The study's data log: an SQLite database with one row per evaluation (id, status, failed
// step and reason, start time, folder, each step's duration, every input and output value),
// each row committed in its own transaction as its evaluation ends, so that a study killed at
// any moment leaves a consistent database. Designs that were evaluated successfully are
// found again by exact match of every input value, from an index held in memory.
//
// The values are kept exactly, whatever the size of the task, in two BLOB columns ("inputs",
// "outputs": 8-byte IEEE doubles in the machine's byte order, NaN for a missing output), in the
// order of the table "parameters" (kind, position, name). Where SQLite's column limit allows
// and no name clashes with another column, every value also has a REAL column of its name,
// for reading the log with SQL. After them come what the plan told of the evaluation and its
// attempts: "kind", "iteration", "start", "attempt", "retry_of", "transient" (a log written
// before these existed gains them when opened).
//
// A new log is made whole under a temporary name ("<name>.new") and renamed; an existing one
// that is empty, damaged, not a data log of taskrun, or of another task is refused.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <deque>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "taskrun/task.h"

struct sqlite3;
struct sqlite3_stmt;

namespace taskrun {

struct EvaluationRecord {
  std::int64_t id = 0;
  bool ok = false;
  std::string failedStep, reason;
  std::string started;  // local time, ISO 8601
  std::string folder;   // relative to the study folder
  std::vector<double> stepSeconds;
  std::vector<double> inputs;
  std::vector<std::optional<double>> outputs;
  // What the plan said of it, and its attempts (the trailing columns of the data log):
  std::string kind;           // "design", "gradient" (a finite-difference design), "step-back"; "" when not told
  int iteration = 0;          // the plan's iteration it belongs to (0: none)
  int start = 0;              // the optimiser's start it belongs to (1...; 0: one start only)
  int attempt = 1;            // 1, or 2... when it runs a design again after a transient failure
  std::int64_t retryOf = 0;   // the evaluation it runs again (0: none)
  bool transient = false;     // failed, and the failure counted as transient
};

class DataLogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class DataLog {
 public:
  // Opens (creates) the database for `task`. `fresh`: any earlier database is removed first.
  // A kept database must have been written for the same inputs, outputs and steps.
  // Throws DataLogError.
  DataLog(const std::filesystem::path& file, const Task& task, bool fresh);
  ~DataLog();
  DataLog(const DataLog&) = delete;
  DataLog& operator=(const DataLog&) = delete;

  // Makes the successful rows of another database of the same task answer look-ups too.
  void addLookUp(const std::filesystem::path& file);

  // Appends one evaluation in its own transaction; a successful one joins the look-up index.
  void insert(const EvaluationRecord& record);

  // A successful evaluation of exactly these input values; nullptr when there is none.
  const EvaluationRecord* find(const std::vector<double>& inputs) const;

  // Every evaluation the log holds, failed ones too, in id order.
  std::vector<EvaluationRecord> records();

  std::int64_t nextId() const { return nextId_; }
  bool namedColumns() const { return namedColumns_; }
  const std::filesystem::path& file() const { return file_; }

 private:
  struct DesignHash {
    std::size_t operator()(const std::vector<std::uint64_t>& bits) const;
  };
  std::filesystem::path file_;
  const Task& task_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  std::int64_t nextId_ = 1;
  bool namedColumns_ = false;
  std::deque<EvaluationRecord> known_;  // successful evaluations (stable addresses)
  std::unordered_map<std::vector<std::uint64_t>, std::size_t, DesignHash> index_;

  std::vector<std::string> columns() const;
  void decideNamedColumns();
  void createTables();
  void open();
  void execute(const std::string& sql);
  void checkParameters(sqlite3* db, const std::filesystem::path& file);
  void eachRow(sqlite3* db, const std::function<void(EvaluationRecord&&)>& take);
  void load(sqlite3* db, bool own);
  void remember(const EvaluationRecord& record);
};

// The evaluation folders that the data log `file` records (its "folder" column); none when it
// cannot be read.
std::vector<std::string> evaluationFoldersOfDataLog(const std::filesystem::path& file);

// The key of a design: its values' bit patterns, with -0 taken as 0.
std::vector<std::uint64_t> designKey(const std::vector<double>& inputs);

}  // namespace taskrun
