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
  runJobs(jobs, answers);
  for (auto [answer, earlier] : repeats) {
    answers[answer] = answers[earlier];
    answers[answer].source = Answer::Source::repeated;
  }
  return answers;
}

void Evaluator::runJobs(const std::vector<Job>& jobs, std::vector<Answer>& answers) {
  if (jobs.empty()) return;
  struct Finished {
    std::size_t job;
    EvaluationOutcome outcome;
    std::string started;
    double seconds;
  };
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Finished> finished;
  std::size_t nextJob = 0;
  bool stop = false;
  std::size_t workers = std::min<std::size_t>(static_cast<std::size_t>(std::max(1, options_.workers)), jobs.size());
  std::size_t running = workers;  // threads not yet ended

  auto work = [&] {
    for (;;) {
      std::size_t index;
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (stop || nextJob == jobs.size() || interruption_.interrupted()) break;
        index = nextJob++;
      }
      const Job& job = jobs[index];
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
      std::lock_guard<std::mutex> lock(mutex);
      finished.push_back({index, std::move(outcome), std::move(started), seconds});
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
    for (std::thread& thread : threads) thread.join();
    throw;
  }

  // Only this thread stores evaluations and reports them.
  std::exception_ptr failure;
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [&] { return !finished.empty() || running == 0; });
    if (finished.empty()) break;
    Finished done = std::move(finished.front());
    finished.pop_front();
    lock.unlock();
    if (done.outcome.interrupted || failure) continue;
    try {
      const Job& job = jobs[done.job];
      answers[job.answer] = finish(job, done.outcome, done.started, done.seconds);
      progress_(answers[job.answer]);
    } catch (...) {
      failure = std::current_exception();
      std::lock_guard<std::mutex> stopLock(mutex);
      stop = true;
    }
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
  record.iteration = job.tag.iteration;
  record.kind = job.tag.kind;
  record.ok = outcome.ok;
  record.failedStep = outcome.failedStep;
  record.reason = outcome.reason;
  record.started = started;
  record.folder = evaluationFolderName(job.id);
  record.stepSeconds = outcome.stepSeconds;
  record.inputs = job.inputs;
  record.outputs = outcome.outputs;
  if (record.outputs.size() != setup_.task->outputs.size()) record.outputs.assign(setup_.task->outputs.size(), std::nullopt);
  log_.insert(record);
  ++ran_;
  if (!record.ok) ++failed_;
  return answer;
}

}  // namespace taskrun
