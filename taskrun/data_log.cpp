#include "taskrun/data_log.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "support/strings.h"

namespace taskrun {
namespace {

namespace fs = std::filesystem;

std::string identifier(const std::string& name) { return "\"" + support::replaceAll(name, "\"", "\"\"") + "\""; }

const char* kFixedColumns[] = {"id", "status", "failed_step", "reason", "started", "folder", "inputs", "outputs"};
// After the values: what the plan said of the evaluation ("kind", TEXT) and its numbers.
const char* kTrailingColumns[] = {"kind", "iteration", "start", "attempt", "retry_of", "transient"};

// An SQLite statement, finalised when it goes away.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) {
      std::string message = sqlite3_errmsg(db);
      sqlite3_finalize(statement_);
      throw DataLogError(message);
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// An SQLite connection, closed when it goes away unless released.
class Connection {
 public:
  Connection(const fs::path& file, int flags) {
    std::u8string name = file.u8string();  // SQLite takes UTF-8 file names on every platform
    if (sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &db_, flags, nullptr) != SQLITE_OK) {
      std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw DataLogError(file.string() + ": " + message);
    }
    sqlite3_busy_timeout(db_, 10000);
  }
  ~Connection() { sqlite3_close(db_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  sqlite3* get() const { return db_; }
  sqlite3* release() {
    sqlite3* db = db_;
    db_ = nullptr;
    return db;
  }

 private:
  sqlite3* db_ = nullptr;
};

std::optional<std::string> text(sqlite3_stmt* statement, int column) {
  const unsigned char* value = sqlite3_column_text(statement, column);
  if (!value) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(value));
}

std::optional<double> real(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_double(statement, column);
}

// The evaluations table's columns in order.
std::vector<std::string> tableColumns(sqlite3* db) {
  std::vector<std::string> found;
  Statement statement(db, "PRAGMA table_info(evaluations)");
  while (sqlite3_step(statement.get()) == SQLITE_ROW) found.push_back(text(statement.get(), 1).value_or(""));
  return found;
}

}  // namespace

std::vector<std::string> evaluationFoldersOfDataLog(const fs::path& file) {
  std::vector<std::string> folders;
  try {
    Connection connection(file, SQLITE_OPEN_READONLY);
    Statement statement(connection.get(), "SELECT folder FROM evaluations WHERE folder IS NOT NULL");
    while (sqlite3_step(statement.get()) == SQLITE_ROW) folders.push_back(text(statement.get(), 0).value_or(""));
  } catch (const std::exception&) {
  }
  return folders;
}

std::vector<std::uint64_t> designKey(const std::vector<double>& inputs) {
  std::vector<std::uint64_t> key(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    double value = inputs[i] == 0 ? 0.0 : inputs[i];
    std::memcpy(&key[i], &value, sizeof value);
  }
  return key;
}

std::size_t DataLog::DesignHash::operator()(const std::vector<std::uint64_t>& bits) const {
  std::uint64_t hash = 1469598103934665603ULL;
  for (std::uint64_t word : bits) {
    hash ^= word + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    hash *= 1099511628211ULL;
  }
  return static_cast<std::size_t>(hash ^ (hash >> 29));
}

// The columns of the evaluations table in order: the log's own, each step's duration, (when
// they can be had) one per input and output, then what the plan told of each evaluation.
std::vector<std::string> DataLog::columns() const {
  std::vector<std::string> names(std::begin(kFixedColumns), std::end(kFixedColumns));
  for (const Step& step : task_.process) names.push_back(step.name + " seconds");
  if (namedColumns_) {
    for (const InputParameter& input : task_.inputs) names.push_back(input.name);
    for (const OutputParameter& output : task_.outputs) names.push_back(output.name);
  }
  names.insert(names.end(), std::begin(kTrailingColumns), std::end(kTrailingColumns));
  return names;
}

// A column per value where SQLite allows that many and no two names clash.
void DataLog::decideNamedColumns() {
  namedColumns_ = false;
  std::size_t total = columns().size() + task_.inputs.size() + task_.outputs.size();
  namedColumns_ = total <= static_cast<std::size_t>(std::min(sqlite3_limit(db_, SQLITE_LIMIT_COLUMN, -1),
                                                             sqlite3_limit(db_, SQLITE_LIMIT_VARIABLE_NUMBER, -1)));
  if (namedColumns_) {
    std::set<std::string> seen;
    for (const std::string& name : columns()) namedColumns_ = namedColumns_ && seen.insert(support::toLower(name)).second;
  }
}

void DataLog::createTables() {
  std::vector<std::string> names = columns();
  execute("CREATE TABLE parameters (kind TEXT NOT NULL, position INTEGER NOT NULL, name TEXT NOT NULL, "
          "PRIMARY KEY (kind, position))");
  std::string create = "CREATE TABLE evaluations (id INTEGER PRIMARY KEY, status TEXT NOT NULL, "
                       "failed_step TEXT, reason TEXT, started TEXT, folder TEXT, inputs BLOB NOT NULL, outputs BLOB NOT NULL";
  std::size_t trailing = names.size() - std::size(kTrailingColumns);
  for (std::size_t i = std::size(kFixedColumns); i < names.size(); ++i) {
    create += ", " + identifier(names[i]) + (i < trailing ? " REAL" : i == trailing ? " TEXT" : " INTEGER");
  }
  create += ")";
  execute(create);
}

DataLog::DataLog(const fs::path& file, const Task& task, bool fresh) : file_(file), task_(task) {
  std::error_code ignored;
  if (fresh) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(fs::path(file.string() + suffix), ignored);
  }
  fs::create_directories(file.parent_path(), ignored);
  std::error_code error;
  bool exists = fs::exists(file, error);
  if (exists && fs::is_regular_file(file, error) && fs::file_size(file, error) == 0 && !error) {
    throw DataLogError("the data log " + file.string() + " is empty (0 bytes): it is no data log of taskrun; remove it, "
                       "or start the study afresh with --overwrite");
  }
  if (!exists) {
    // Made whole under a temporary name, so that a data log is never found half made.
    fs::path temporary = file.string() + ".new";
    for (const char* suffix : {"", "-journal"}) fs::remove(fs::path(temporary.string() + suffix), ignored);
    {
      Connection connection(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      db_ = connection.get();
      try {
        decideNamedColumns();
        createTables();
        checkParameters(db_, temporary);
      } catch (...) {
        db_ = nullptr;
        throw;
      }
      db_ = nullptr;
    }
    fs::rename(temporary, file, error);
    if (error) throw DataLogError(file.string() + " cannot be made: " + error.message());
  }
  Connection connection(file, SQLITE_OPEN_READWRITE);
  db_ = connection.get();
  try {
    open();
  } catch (...) {
    db_ = nullptr;
    throw;
  }
  connection.release();
}

void DataLog::open() {
  auto damaged = [&](const std::string& what) {
    return DataLogError("the data log " + file_.string() + " is damaged (" + what +
                        "); remove it, or start the study afresh with --overwrite");
  };
  {
    sqlite3_stmt* check = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(db_, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK && sqlite3_step(check) == SQLITE_ROW) {
      result = text(check, 0).value_or("");
    } else {
      result = sqlite3_errmsg(db_);
    }
    sqlite3_finalize(check);
    if (result != "ok") throw damaged(result);
  }
  // Write-ahead logging: a commit survives taskrun being killed without waiting for the disk
  // on every evaluation.
  execute("PRAGMA journal_mode=WAL");
  execute("PRAGMA synchronous=NORMAL");
  std::set<std::string> tables;
  {
    Statement statement(db_, "SELECT name FROM sqlite_master WHERE type = 'table'");
    while (sqlite3_step(statement.get()) == SQLITE_ROW) tables.insert(text(statement.get(), 0).value_or(""));
  }
  if (!tables.count("evaluations") || !tables.count("parameters")) {
    throw DataLogError(file_.string() + " is no data log of taskrun (it lacks the tables \"evaluations\" and "
                       "\"parameters\"); remove it, or start the study afresh with --overwrite");
  }
  decideNamedColumns();
  std::vector<std::string> names = columns();
  checkParameters(db_, file_);
  // The table of an earlier run must have the same columns; a log written before the
  // trailing columns existed gets them.
  std::vector<std::string> found = tableColumns(db_);
  std::size_t trailing = names.size() - std::size(kTrailingColumns);
  if (found.size() >= trailing && found.size() < names.size() &&
      std::equal(found.begin(), found.end(), names.begin())) {
    for (std::size_t i = found.size(); i < names.size(); ++i) {
      execute("ALTER TABLE evaluations ADD COLUMN " + identifier(names[i]) + (i == trailing ? " TEXT" : " INTEGER"));
    }
    found = tableColumns(db_);
  }
  if (found != names) {
    throw DataLogError(file_.string() + " was written for another task (its columns are not this task's); start the "
                                        "study afresh or give it another data log");
  }
  load(db_, true);
  std::string insert = "INSERT INTO evaluations VALUES (?";
  for (std::size_t i = 1; i < names.size(); ++i) insert += ", ?";
  insert += ")";
  if (sqlite3_prepare_v2(db_, insert.c_str(), -1, &insert_, nullptr) != SQLITE_OK) {
    throw DataLogError(file_.string() + ": " + sqlite3_errmsg(db_));
  }
}

DataLog::~DataLog() {
  sqlite3_finalize(insert_);
  sqlite3_close(db_);
}

void DataLog::execute(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "failed";
    sqlite3_free(message);
    throw DataLogError(file_.string() + ": " + text);
  }
}

// The task's steps, inputs and outputs in order, as the table "parameters" lists them; a new
// log gets them, a kept one must hold the same.
void DataLog::checkParameters(sqlite3* db, const fs::path& file) {
  std::vector<std::pair<std::string, std::string>> expected, found;
  for (const Step& step : task_.process) expected.emplace_back("step", step.name);
  for (const InputParameter& input : task_.inputs) expected.emplace_back("input", input.name);
  for (const OutputParameter& output : task_.outputs) expected.emplace_back("output", output.name);
  {
    Statement statement(db, "SELECT kind, name FROM parameters ORDER BY CASE kind WHEN 'step' THEN 0 WHEN 'input' THEN 1 "
                            "ELSE 2 END, position");
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
      found.emplace_back(text(statement.get(), 0).value_or(""), text(statement.get(), 1).value_or(""));
    }
  }
  if (found.empty() && db == db_) {
    execute("BEGIN");
    Statement insert(db, "INSERT INTO parameters VALUES (?, ?, ?)");
    std::map<std::string, int> positions;
    for (const auto& [kind, name] : expected) {
      sqlite3_reset(insert.get());
      sqlite3_bind_text(insert.get(), 1, kind.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int(insert.get(), 2, positions[kind]++);
      sqlite3_bind_text(insert.get(), 3, name.c_str(), -1, SQLITE_TRANSIENT);
      if (sqlite3_step(insert.get()) != SQLITE_DONE) throw DataLogError(file.string() + ": " + sqlite3_errmsg(db));
    }
    execute("COMMIT");
    return;
  }
  if (found != expected) {
    throw DataLogError(file.string() + " was written for another task (its steps, inputs or outputs differ); start the "
                                       "study afresh or give it another data log");
  }
}

namespace {

std::string blobOf(const std::vector<double>& values) {
  std::string bytes(values.size() * sizeof(double), '\0');
  if (!values.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

// The doubles of a BLOB column; nullopt when its size is not `count` doubles.
std::optional<std::vector<double>> doublesOf(sqlite3_stmt* statement, int column, std::size_t count) {
  const void* bytes = sqlite3_column_blob(statement, column);
  std::size_t size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
  if (size != count * sizeof(double) || (count > 0 && !bytes)) return std::nullopt;
  std::vector<double> values(count);
  if (count > 0) std::memcpy(values.data(), bytes, size);
  return values;
}

}  // namespace

// Every row of the evaluations table in id order, as records; a row whose values are not the
// task's count of doubles is passed over.
void DataLog::eachRow(sqlite3* db, const std::function<void(EvaluationRecord&&)>& take) {
  std::string select = "SELECT id, status, failed_step, reason, started, folder, inputs, outputs";
  for (const Step& step : task_.process) select += ", " + identifier(step.name + " seconds");
  // A look-up log written before the trailing columns existed has none of them.
  std::vector<std::string> present = tableColumns(db);
  for (const char* column : kTrailingColumns) {
    bool has = std::find(present.begin(), present.end(), column) != present.end();
    select += has ? ", " + identifier(column) : std::string(", NULL");
  }
  select += " FROM evaluations ORDER BY id";
  Statement statement(db, select);
  std::size_t steps = task_.process.size();
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    sqlite3_stmt* row = statement.get();
    auto inputs = doublesOf(row, 6, task_.inputs.size());
    auto outputs = doublesOf(row, 7, task_.outputs.size());
    if (!inputs || !outputs) continue;
    EvaluationRecord record;
    record.id = sqlite3_column_int64(row, 0);
    record.ok = text(row, 1).value_or("") == "ok";
    record.failedStep = text(row, 2).value_or("");
    record.reason = text(row, 3).value_or("");
    record.started = text(row, 4).value_or("");
    record.folder = text(row, 5).value_or("");
    for (std::size_t i = 0; i < steps; ++i) record.stepSeconds.push_back(real(row, 8 + static_cast<int>(i)).value_or(0));
    int trailing = 8 + static_cast<int>(steps);
    record.kind = text(row, trailing).value_or("");
    record.iteration = sqlite3_column_int(row, trailing + 1);
    record.start = sqlite3_column_int(row, trailing + 2);
    record.attempt = std::max(1, sqlite3_column_int(row, trailing + 3));
    record.retryOf = sqlite3_column_int64(row, trailing + 4);
    record.transient = sqlite3_column_int(row, trailing + 5) != 0;
    record.inputs = std::move(*inputs);
    for (double value : *outputs) record.outputs.push_back(std::isnan(value) ? std::nullopt : std::optional<double>(value));
    take(std::move(record));
  }
  if (rc != SQLITE_DONE) throw DataLogError(file_.string() + ": " + sqlite3_errmsg(db));
}

void DataLog::load(sqlite3* db, bool own) {
  if (own) {
    // The next id follows every row, also one whose values cannot be read.
    Statement statement(db, "SELECT MAX(id) FROM evaluations");
    if (sqlite3_step(statement.get()) == SQLITE_ROW && sqlite3_column_type(statement.get(), 0) != SQLITE_NULL) {
      nextId_ = std::max<std::int64_t>(nextId_, sqlite3_column_int64(statement.get(), 0) + 1);
    }
  }
  eachRow(db, [&](EvaluationRecord&& record) {
    bool complete = record.ok;
    for (const std::optional<double>& value : record.outputs) complete = complete && value.has_value();
    if (complete) remember(record);
  });
}

std::vector<EvaluationRecord> DataLog::records() {
  std::vector<EvaluationRecord> all;
  eachRow(db_, [&](EvaluationRecord&& record) { all.push_back(std::move(record)); });
  return all;
}

void DataLog::addLookUp(const fs::path& file) {
  std::error_code error;
  if (fs::equivalent(file, file_, error) || !fs::exists(file, error)) return;
  Connection connection(file, SQLITE_OPEN_READONLY);
  checkParameters(connection.get(), file);
  load(connection.get(), false);
}

void DataLog::remember(const EvaluationRecord& record) {
  auto [at, added] = index_.emplace(designKey(record.inputs), known_.size());
  if (added) known_.push_back(record);
}

void DataLog::insert(const EvaluationRecord& record) {
  sqlite3_stmt* statement = insert_;
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  int column = 1;
  auto bindText = [&](const std::string& value, bool present) {
    if (present) {
      sqlite3_bind_text(statement, column++, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_null(statement, column++);
    }
  };
  auto bindReal = [&](std::optional<double> value) {
    if (value) {
      sqlite3_bind_double(statement, column++, *value);
    } else {
      sqlite3_bind_null(statement, column++);
    }
  };
  std::vector<double> outputs;
  outputs.reserve(record.outputs.size());
  for (const std::optional<double>& value : record.outputs) outputs.push_back(value.value_or(std::nan("")));
  std::string inputBlob = blobOf(record.inputs), outputBlob = blobOf(outputs);
  sqlite3_bind_int64(statement, column++, record.id);
  bindText(record.ok ? "ok" : "failed", true);
  bindText(record.failedStep, !record.ok);
  bindText(record.reason, !record.ok);
  bindText(record.started, true);
  bindText(record.folder, true);
  sqlite3_bind_blob(statement, column++, inputBlob.data(), static_cast<int>(inputBlob.size()), SQLITE_STATIC);
  sqlite3_bind_blob(statement, column++, outputBlob.data(), static_cast<int>(outputBlob.size()), SQLITE_STATIC);
  for (std::size_t i = 0; i < task_.process.size(); ++i) {
    bindReal(i < record.stepSeconds.size() ? std::optional<double>(record.stepSeconds[i]) : std::nullopt);
  }
  if (namedColumns_) {
    for (double value : record.inputs) bindReal(value);
    for (const std::optional<double>& value : record.outputs) bindReal(value);
  }
  bindText(record.kind, !record.kind.empty());
  sqlite3_bind_int(statement, column++, record.iteration);
  sqlite3_bind_int(statement, column++, record.start);
  sqlite3_bind_int(statement, column++, record.attempt);
  sqlite3_bind_int64(statement, column++, record.retryOf);
  sqlite3_bind_int(statement, column++, record.transient ? 1 : 0);
  int rc = sqlite3_step(statement);
  std::string message = rc == SQLITE_DONE ? std::string() : sqlite3_errmsg(db_);
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  if (rc != SQLITE_DONE) {
    throw DataLogError(file_.string() + ": evaluation " + std::to_string(record.id) + " cannot be stored: " + message);
  }
  nextId_ = std::max(nextId_, record.id + 1);
  if (record.ok) remember(record);
}

const EvaluationRecord* DataLog::find(const std::vector<double>& inputs) const {
  auto found = index_.find(designKey(inputs));
  return found == index_.end() ? nullptr : &known_[found->second];
}

}  // namespace taskrun
