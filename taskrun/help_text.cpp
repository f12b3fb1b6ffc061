#include "taskrun/help_text.h"

#include "taskrun/plans.h"
#include "taskrun/report_format.h"

namespace taskrun {

const char kUsage[] = "usage: taskrun TASKFILE [STUDYFILE] [--resume] [--workers N] [--launcher local|slurm]";

std::string helpText() {
  return std::string(kUsage) + R"(

Runs the task that "Apply" writes (TASKFILE, the description file cORVANE<model>.desc), with the
study file STUDYFILE (TOML) for what the task leaves open. Every evaluation runs in a folder of
its own inside the study folder; the data log keeps every evaluation as it ends, so that a study
stopped by a crash, a kill or Ctrl-C goes on with --resume where it stopped.

Options:
  --resume          keep the data log: designs evaluated before are taken from it, not run again
  --workers N       evaluations at once, 1 to 256 (wins over the study file's "workers")
  --launcher KIND   where the solver steps run: "local", or "slurm" (each an srun job step)
  -h, --help        this text

Plans (plan = "..."):
  run            one evaluation at the task's start values
  stress-ratio   resizes the n-th variable by the ratio of the n-th constrained output to its
                 allowable, until no variable changes by more than [stress-ratio] tolerance
  doe            a design of experiments, evaluated in parallel: a Latin hypercube ([doe]
                 samples, seed) or a full factorial ([doe] levels)
  optimise       NLopt's MMA, SLSQP or COBYLA on [objective] under [constraints]; the designs
                 of a finite-difference gradient run in parallel
Without a study file the task's own plan runs with its own variables, bounds and constraints.

Study file keys:
  plan, folder (relative to TASKFILE's folder; "study"), workers, launcher
  [objective]     output = "NAME", sense = "minimise" | "maximise"
  [constraints]   "OUTPUT" = { lower = L, upper = U }   replaces the task's OutputConstraints
  [variables]     "INPUT" = { lower = L, upper = U }    replaces the task's Variables
  [stress-ratio]  tolerance (1e-6), simulations (the task's "Simulations", else 100)
  [optimise]      algorithm ("MMA", "SLSQP", "COBYLA"), max-evaluations (2000), xtol-rel (1e-6),
                  gradient-step (1e-3, relative), central (false)
  [doe]           method ("lhs", "factorial"), samples (20), levels (3), seed (1)
  [units]         "NAME" = "unit"   shown with an input's or output's name on the report's axes

Files in the study folder:
  eval-NNNNNN/    the files of each evaluation
  <DataLog>       the SQLite data log the task names ("taskrun.db" when it names none)
  report.html     the page to watch the study by: open it in a browser; it reloads itself while
                  the study runs (rewritten after every evaluation)
  history.csv     one row per evaluation of the data log (rewritten after every evaluation)
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
  2    the command line, the task or the study is wrong: nothing was started
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
  "AreaAtProp1" = { lower = 0.1, upper = 100.0 }
  [optimise]
  max-evaluations = 200
)";
}

}  // namespace taskrun
