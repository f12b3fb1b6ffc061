#include "taskrun/help_text.h"

#include "taskrun/plans.h"
#include "taskrun/report_format.h"

namespace taskrun {

const char kUsage[] =
    "usage: taskrun TASKFILE [STUDYFILE] [--resume | --overwrite] [--workers N] [--launcher local|slurm]";

std::string helpText() {
  return std::string(kUsage) + R"(

Runs the task that "Apply" writes (TASKFILE, the description file cORVANE<model>.desc), with the
study file STUDYFILE (TOML) for what the task leaves open. Every evaluation runs in a folder of
its own inside the study folder; the data log keeps every evaluation as it ends, so that a study
stopped by a crash, a kill or Ctrl-C goes on with --resume where it stopped.

Options:
  --resume          go on with the earlier study in the study folder: designs evaluated before
                    are taken from its data log, not run again
  --overwrite       remove the earlier study in the study folder first (only what taskrun
                    wrote there: its data log, reports and evaluation folders)
  --workers N       evaluations at once, 1 to 256 (wins over the study file's "workers")
  --launcher KIND   where the solver steps run: "local", or "slurm" (each an srun job step)
  -h, --help        this text

Plans (plan = "..."):
  run            one evaluation at the start values
  stress-ratio   resizes the n-th variable by the ratio of the n-th constrained output to its
                 allowable, until no variable changes by more than [stress-ratio] tolerance
  doe            a design of experiments, evaluated in parallel: a Latin hypercube ([doe]
                 samples, seed) or a full factorial ([doe] levels)
  list           the designs of a CSV file ([list] file), its header naming inputs of the task
  sweep          one variable at a time through [sweep] points values from its lower to its
                 upper bound, the others at their start values
  optimise       NLopt's MMA, SLSQP or COBYLA on [objective] under [constraints] from the start
                 values, or from [optimise] starts points side by side (the start values and a
                 Latin hypercube), the best end taken; the designs of a finite-difference
                 gradient run in parallel
Without a study file the task's own plan runs with its own variables, bounds and constraints.

Study file keys:
  plan, workers, launcher
  folder          relative to TASKFILE's folder and inside it, or an absolute path of a new,
                  empty or taskrun-made folder; default: the study file's name ("doe.toml":
                  "doe"), "study" for the task's own plan
  keep            evaluation folders kept: "all" (default), "failed", "best", "none"; the data
                  log keeps every evaluation's row
  [objective]     output = "NAME", sense = "minimise" | "maximise"
  [constraints]   "OUTPUT" = { lower = L, upper = U }   replaces the task's OutputConstraints
  [variables]     "INPUT" = { lower = L, upper = U, start = S }   replaces the task's Variables;
                  start (within the bounds) replaces the task's InitialValue
  [stress-ratio]  tolerance (1e-6), simulations (the task's "Simulations", else 100)
  [optimise]      algorithm ("MMA", "SLSQP", "COBYLA"), max-evaluations (2000, for each start),
                  xtol-rel (1e-6), gradient-step (1e-3, relative), central (false), starts (1),
                  seed (1, of the starts' Latin hypercube)
  [doe]           method ("lhs", "factorial"), samples (20), levels (3), seed (1)
  [list]          file = "designs.csv" (relative to the study file)
  [sweep]         points (5)
  [failure]       policy = "abort" (default of run, stress-ratio, optimise): the plan ends at
                  the first failed evaluation; "retry": a transient failure (licence, disk,
                  killed, not started) runs again in a fresh folder, up to retries (2) times;
                  "infeasible" (default of doe, list, sweep): a failed design counts as
                  unacceptable, the plan goes on, and stress-ratio and optimise step back
                  toward the last good design, halving the step up to step-backs (5) times;
                  transient = ["TEXT", ...] more texts of a step's output that make a failure
                  transient
  [units]         "NAME" = "unit"   shown with an input's or output's name on the report's axes

Files in the study folder:
  taskrun.study   the marker: taskrun made the folder, and what it wrote there
  taskrun.lock    held while a run has the folder; a second run on it is refused
  eval-NNNNNN/    the files of each evaluation (as "keep" says)
  <DataLog>       the SQLite data log the task names ("taskrun.db" when it names none)
  report.html     the page to watch the study by: open it in a browser; it reloads itself while
                  the study runs (rewritten after every evaluation)
  history.csv     one row per evaluation of the data log, with its iteration, kind ("design",
                  "gradient", "step-back") and attempt (a row added after every evaluation)
  summary.json    how the plan ended; "feasible", the best feasible design ("best") or, when
                  no design is feasible, the least infeasible one ("least_infeasible")
  progress.svg    the objective and the worst constraint per evaluation
  variables.svg   the variables per iteration

A design is feasible when every constrained output keeps its bounds, passing none by more than
)" + report_format::percentMagnitude(Measures::kFeasibility) +
         R"( of the bound's magnitude (of 1 where the bound is 0); a bound is active when the output
lies within )" + report_format::percentMagnitude(Measures::kActiveWithin) +
         R"( of it.

Exit status:
  0    the plan ended (converged, or its budget spent) and its best design is feasible
  1    the plan failed, or no feasible design was found
  2    the command line, the task or the study is wrong, or the study folder is taken or
       holds an earlier study (run with --resume or --overwrite): nothing was started
  130  interrupted (Ctrl-C, SIGTERM): what finished is in the data log; go on with --resume

Example: minimise the truss's mass under a stress limit, two evaluations at once:
  taskrun cORVANEtruss.desc study.toml --workers 2
with study.toml:
  plan = "optimise"
  [objective]
  output = "TotalMass"
  [constraints]
  "RodAxialSt3022AtElem1" = { lower = -25000.0, upper = 25000.0 }
  [variables]
  "AreaAtProp1" = { lower = 0.1, upper = 100.0, start = 2.0 }
  [optimise]
  max-evaluations = 200
  starts = 4
  [failure]
  policy = "infeasible"
)";
}

}  // namespace taskrun
