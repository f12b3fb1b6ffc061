#include "taskrun/evaluator.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <map>
#include <thread>

#include "support/timestamp.h"

namespace taskrun {
namespace {

using Clock = std::chrono::steady_clock;

std::string isoTime(std::chrono::system_clock::time_point when) {
  support::LocalTime time = support::toLocalTime(when);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", time.year, time.month, time.day, time.hour,
                time.minute, time.second, time.millisecond);
  return text;
}

}  // namespace

std::string evaluationFolderName(std::int64_t id) {
  char name[32];
  std::snprintf(name, sizeof name, "eval-%06lld", static_cast<long long>(id));
  return name;
}

Evaluator::Evaluator(const EvaluationSetup& setup, DataLog& log, ProcessLauncher& launcher, const SolverLauncher& solver,
                     const Interruption& interruption, EvaluatorOptions options, Progress progress)
    : setup_(setup),
      log_(log),
      launcher_(launcher),
      solver_(solver),
      interruption_(interruption),
      options_(std::move(options)),
      progress_(std::move(progress)),
      firstIdOfRun_(log.nextId()),
      nextId_(log.nextId()) {}

std::vector<Answer> Evaluator::evaluate(const std::vector<std::vector<double>>& designs,
                                       const std::vector<EvaluationTag>& tags) {
  if (interruption_.interrupted()) throw Interrupted();
  std::vector<Answer> answers(designs.size());
  std::vector<Job> jobs;
  std::map<std::vector<std::uint64_t>, std::size_t> firstInBatch;
  std::vector<std::pair<std::size_t, std::size_t>> repeats;  // (answer, the earlier answer it repeats)
  for (std::size_t i = 0; i < designs.size(); ++i) {
    EvaluationTag tag = i < tags.size() ? tags[i] : EvaluationTag{};
    auto [earlier, first] = firstInBatch.emplace(designKey(designs[i]), i);
    if (!first) {
      repeats.emplace_back(i, earlier->second);
      continue;
    }
    if (options_.lookUp) {
      if (const EvaluationRecord* known = log_.find(designs[i])) {
        answers[i].record = *known;
        // Reported as what the plan asked for now; the stored row keeps what it was then.
        answers[i].record.iteration = tag.iteration;
        answers[i].record.kind = tag.kind;
        answers[i].record.start = tag.start;
        if (known->id >= firstIdOfRun_) {
          answers[i].source = Answer::Source::repeated;
        } else {
          answers[i].source = Answer::Source::reused;
          ++reused_;
          progress_(answers[i]);
        }
        continue;
      }
    }
    jobs.push_back({i, designs[i], nextId_++, tag});
  }
  if (options_.beforeFolders && !jobs.empty()) {
    std::vector<std::string> names;
    names.reserve(jobs.size());
    for (const Job& job : jobs) names.push_back(evaluationFolderName(job.id));
    options_.beforeFolders(names);
  }
  for (const Job& job : jobs) answers[job.answer].source = Answer::Source::notRun;
  runJobs(std::move(jobs), answers);
  for (auto [answer, earlier] : repeats) {
    answers[answer] = answers[earlier];
    if (answers[answer].source != Answer::Source::notRun) answers[answer].source = Answer::Source::repeated;
  }
  return answers;
}

std::optional<Evaluator::Job> Evaluator::retryOf(const Job& job, const EvaluationRecord& failed) {
  if (failed.ok || !failed.transient || job.attempt > options_.retries || interruption_.interrupted()) return std::nullopt;
  Job again = job;
  again.id = nextId_++;
  again.attempt = job.attempt + 1;
  again.retryOf = failed.id;
  if (options_.beforeFolders) options_.beforeFolders({evaluationFolderName(again.id)});
  return again;
}

void Evaluator::runJobs(std::vector<Job> jobs, std::vector<Answer>& answers) {
  if (jobs.empty()) return;
  struct Finished {
    Job job;
    EvaluationOutcome outcome;
    std::string started;
    double seconds;
  };
  std::mutex mutex;
  std::condition_variable changed, workToDo;
  std::deque<Job> pending(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end()));
  std::deque<Finished> finished;
  std::size_t outstanding = pending.size();  // designs whose final answer is still to come
  bool stop = false;
  std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(1, options_.workers)), pending.size());
  std::size_t running = workers;  // threads not yet ended

  // A worker takes jobs until none can come any more: the main thread may add a retry.
  auto work = [&] {
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex);
        workToDo.wait(lock, [&] { return stop || outstanding == 0 || !pending.empty() || interruption_.interrupted(); });
        if (stop || pending.empty() || interruption_.interrupted()) break;
        job = std::move(pending.front());
        pending.pop_front();
      }
      std::string started = isoTime(std::chrono::system_clock::now());
      Clock::time_point start = Clock::now();
      EvaluationOutcome outcome;
      try {
        outcome = runEvaluation(setup_, job.inputs, options_.studyFolder / evaluationFolderName(job.id), launcher_,
                                solver_, options_.femapShared ? &femapTurns_ : nullptr);
      } catch (const std::exception& error) {
        outcome.failedStep = "preparation";
        outcome.reason = error.what();
      }
      double seconds = std::chrono::duration<double>(Clock::now() - start).count();
      // A failure for good stops the batch here already, so that no worker takes another job
      // before the main thread has seen it.
      bool failedForGood = !outcome.ok && !outcome.interrupted && !(outcome.transient && job.attempt <= options_.retries);
      std::lock_guard<std::mutex> lock(mutex);
      if (failedForGood && options_.stopAtFirstFailure) stop = true;
      finished.push_back({std::move(job), std::move(outcome), std::move(started), seconds});
      changed.notify_one();
    }
    std::lock_guard<std::mutex> lock(mutex);
    --running;
    changed.notify_one();
  };

  std::vector<std::thread> threads;
  threads.reserve(workers);
  try {
    for (std::size_t i = 0; i < workers; ++i) threads.emplace_back(work);
  } catch (...) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;  // the started threads take no further job
    }
    workToDo.notify_all();
    for (std::thread& thread : threads) thread.join();
    throw;
  }

  // Only this thread stores evaluations and reports them.
  std::exception_ptr failure;
  auto stopAll = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
    workToDo.notify_all();
  };
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return !finished.empty() || running == 0; });
    if (finished.empty()) break;
    Finished done = std::move(finished.front());
    finished.pop_front();
    lock.unlock();
    if (interruption_.interrupted()) stopAll();
    if (done.outcome.interrupted || failure) continue;
    std::optional<Job> again;
    try {
      Answer answer = finish(done.job, done.outcome, done.started, done.seconds);
      progress_(answer);
      again = retryOf(done.job, answer.record);
      if (!again) {
        answers[done.job.answer] = answer;
        if (!answer.record.ok && options_.stopAtFirstFailure) stopAll();
      }
    } catch (...) {
      failure = std::current_exception();
      stopAll();
      continue;
    }
    std::lock_guard<std::mutex> relock(mutex);
    if (again) {
      pending.push_back(std::move(*again));
    } else {
      --outstanding;
    }
    workToDo.notify_all();
  }
  for (std::thread& thread : threads) thread.join();
  if (failure) std::rethrow_exception(failure);
  if (interruption_.interrupted()) throw Interrupted();
}

Answer Evaluator::finish(const Job& job, const EvaluationOutcome& outcome, const std::string& started, double seconds) {
  Answer answer;
  answer.source = Answer::Source::ran;
  answer.seconds = seconds;
  EvaluationRecord& record = answer.record;
  record.id = job.id;
  record.ok = outcome.ok;
  record.failedStep = outcome.failedStep;
  record.reason = outcome.reason;
  record.started = started;
  record.folder = evaluationFolderName(job.id);
  record.stepSeconds = outcome.stepSeconds;
  record.inputs = job.inputs;
  record.outputs = outcome.outputs;
  record.kind = job.tag.kind;
  record.iteration = job.tag.iteration;
  record.start = job.tag.start;
  record.attempt = job.attempt;
  record.retryOf = job.retryOf;
  record.transient = !outcome.ok && outcome.transient;
  if (record.outputs.size() != setup_.task->outputs.size()) record.outputs.assign(setup_.task->outputs.size(), std::nullopt);
  log_.insert(record);
  ++ran_;
  if (!record.ok) ++failed_;
  return answer;
}

}  // namespace taskrun
